// SPDX-License-Identifier: MIT
// The Branch Counts window: lists section "NonleafCounts" of the current
// model's INF file and lets the user add, edit and delete entries. The list
// is a working copy; Apply replaces the section in one write and asks the
// main window to rebuild its tree.
#pragma once

#include "dialogs/sprigs_values.h"
#include "dialogs/window_helpers.h"
#include "platform/prompt.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

namespace arbolith {

class frmSprigs : public QDialog {
public:
    // `saved` runs after Apply has written the section.
    frmSprigs(std::filesystem::path infFile, const std::string& modelKey, std::int32_t globalDefault, Prompt& prompt,
              ScreenPixels screen, std::function<void()> saved, QWidget* parent = nullptr);

    void Add();
    void Edit();
    void Delete();
    // Writes the section, rebuilds the tree and closes; on a failure the
    // window stays open with its list.
    void Apply();

    const BranchCountList& List() const { return m_list; }
    QListWidget* lstSprigs() const { return m_lstSprigs; }
    QLabel* lblGlobalDefault() const { return m_lblGlobalDefault; }
    QPushButton* cmdAdd() const { return m_add; }
    QPushButton* cmdEdit() const { return m_edit; }
    QPushButton* cmdDelete() const { return m_delete; }
    QPushButton* cmdApply() const { return m_apply; }
    QPushButton* cmdCancel() const { return m_cancel; }

private:
    void ShowList(std::size_t selectRow);
    void Tell(std::string text);

    std::filesystem::path m_infFile;
    Prompt& m_prompt;
    std::function<void()> m_saved;
    BranchCountList m_list;

    QListWidget* m_lstSprigs = nullptr;
    QLabel* m_lblGlobalDefault = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace arbolith
