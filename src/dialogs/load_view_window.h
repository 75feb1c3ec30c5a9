// SPDX-License-Identifier: MIT
// The Load View dialog: lists the saved views of the views folder, shows
// the start path of the selected one, deletes views and tells the main
// window which one to load.
#pragma once

#include "browser/views.h"
#include "dialogs/window_helpers.h"
#include "platform/prompt.h"

#include <QDialog>

#include <filesystem>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace arbolith {

class frmLoadView : public QDialog {
public:
    frmLoadView(std::filesystem::path viewsFolder, Prompt& prompt, ScreenPixels screen, QWidget* parent = nullptr);

    // The view chosen with Load or a double click; empty (no name, no file)
    // when the dialog closed without one. The file is the one listed, so a
    // name that differs only in case names no other view.
    const browser::ViewEntry& Chosen() const { return m_chosen; }

    // Load with the selected entry; nothing without one.
    void LoadSelected();
    // Asks, then deletes the selected entry's file.
    void DeleteSelected();
    // The names listed, in order.
    const std::vector<browser::ViewEntry>& Views() const { return m_views; }

    QListWidget* lstViews() const { return m_lstViews; }
    QLabel* lblPreview() const { return m_lblPreview; }
    QTreeWidget* trvPreview() const { return m_trvPreview; }
    QPushButton* cmdLoad() const { return m_load; }
    QPushButton* cmdDelete() const { return m_delete; }
    QPushButton* cmdCancel() const { return m_cancel; }

private:
    void ShowPreview(int row);
    void ClearPreview();
    void Choose(int row);

    std::filesystem::path m_viewsFolder;
    Prompt& m_prompt;
    std::vector<browser::ViewEntry> m_views;
    browser::ViewEntry m_chosen;

    QListWidget* m_lstViews = nullptr;
    QLabel* m_lblPreview = nullptr;
    QTreeWidget* m_trvPreview = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace arbolith
