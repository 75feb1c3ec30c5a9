// SPDX-License-Identifier: MIT
// The Open Model dialog: the catalog of the Models folder as a tree of
// categories and models. A click on a complete model chooses it and closes
// the dialog; the caller then opens it. The dialog also deletes a model's
// files and explains itself in the report window.
#pragma once

#include "catalog/model_catalog.h"
#include "dialogs/window_helpers.h"
#include "platform/prompt.h"

#include <QDialog>

#include <filesystem>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace arbolith {

// The main window as the dialog sees it: deleting the files of the model it
// shows must close that model there.
class OpenModelHost {
public:
    virtual ~OpenModelHost() = default;
    virtual std::string CurrentModelKey() const = 0;
    virtual void ClearModel() = 0;
};

class frmOpenModel : public QDialog {
public:
    // `atTopLeft`: the placement option; otherwise the dialog is centred.
    frmOpenModel(std::filesystem::path modelsFolder, Prompt& prompt, OpenModelHost& host, ScreenPixels screen,
                 bool atTopLeft, QWidget* parent = nullptr);

    // The model chosen, "" when the dialog closed without one, and whether
    // it is to be shown as the flat tree.
    const std::string& ChosenKey() const { return m_chosenKey; }
    bool FlatChosen() const { return m_flatChosen; }

    const catalog::Catalog& Catalog() const { return m_catalog; }

    // What a click on the node does (category: open or close it; model:
    // choose it, or say which file it lacks; in delete mode only select it).
    void NodeClicked(QTreeWidgetItem* item);
    void DeleteModel();
    void ShowHelp();

    QTreeWidget* trvModels() const { return m_trvModels; }
    QCheckBox* chkFlat() const { return m_chkFlat; }
    QCheckBox* chkDeleteMode() const { return m_chkDeleteMode; }
    QLabel* lblInstruction() const { return m_lblInstruction; }
    QPushButton* cmdDeleteModel() const { return m_cmdDeleteModel; }
    QPushButton* cmdMoveModel() const { return m_cmdMoveModel; }
    QPushButton* cmdHelp() const { return m_cmdHelp; }
    QPushButton* cmdClose() const { return m_cmdClose; }
    // The tree item of a model key or a category name; null when none.
    QTreeWidgetItem* ModelItem(std::string_view key) const;
    QTreeWidgetItem* CategoryItem(std::string_view name) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // GetModelInfo and RefreshTree: the catalog read again and the tree
    // filled from it. Categories open before stay open.
    void Reload();

    std::filesystem::path m_modelsFolder;
    Prompt& m_prompt;
    OpenModelHost& m_host;
    catalog::Catalog m_catalog;
    std::string m_chosenKey;
    bool m_flatChosen = false;

    QTreeWidget* m_trvModels = nullptr;
    QCheckBox* m_chkFlat = nullptr;
    QCheckBox* m_chkDeleteMode = nullptr;
    QLabel* m_lblInstruction = nullptr;
    QPushButton* m_cmdDeleteModel = nullptr;
    QPushButton* m_cmdMoveModel = nullptr;
    QPushButton* m_cmdHelp = nullptr;
    QPushButton* m_cmdClose = nullptr;
};

}  // namespace arbolith
