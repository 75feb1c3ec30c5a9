// SPDX-License-Identifier: MIT
// The object browser bound to the main window: an ObjectBrowser (the work,
// without windows) and the Qt models of the three trees. It opens models,
// shows their tree in trvObjects with lblNodes and the caption, fills the
// member panes, their labels and txtStatus when a node or member is
// clicked, and runs the Tree menu's commands. On a first start it makes and
// opens the bundled sample model.
#pragma once

#include "app/main_window_hooks.h"
#include "app/member_list_model.h"
#include "browser/finds.h"
#include "browser/object_browser.h"
#include "browser/object_tree_model.h"

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <memory>
#include <string>

class QTreeView;

namespace arbolith {

class frmWizard;
class HelpSession;
class MainWindowHost;

class ObjectBrowserHooks : public MainWindowHooks {
public:
    // `sampleLibrary`: the library of the first start's model ("" for none).
    explicit ObjectBrowserHooks(std::filesystem::path sampleLibrary);
    ~ObjectBrowserHooks() override;

    void WindowLoaded(frmZVMain& window) override;
    std::string FirstStartLibrary(frmZVMain& window) override;
    // Opens the model and builds its tree through ObjectBrowser::OpenModel,
    // the path the command line and the tests take too; outside start-up
    // the tree is shown at once.
    bool OpenModel(frmZVMain& window, const std::string& library, bool atStartUp) override;
    void DisplayTree(frmZVMain& window) override;
    // The Welcome window (info_windows.cpp).
    void ShowWelcome(frmZVMain& window) override;
    bool RunCommand(frmZVMain& window, Command command) override;
    void ShowHelpForSelection(frmZVMain& window) override;
    // What help read about the current model and how it finds and opens
    // help files (help_commands.cpp).
    HelpSession& Help();

    // Null until the window is loaded.
    const browser::ObjectBrowser* Browser() const { return m_browser.get(); }

    // Opens a model the wizard has just made and shows its tree. A model
    // whose DAT file is missing is passed over quietly: the wizard says so.
    bool ShowMadeModel(const std::string& modelKey);
    // Empties the window: no model, no tree, no caption, model menus off.
    void CloseModel();
    // File > Create Model Wizard: one wizard, raised when it is open already.
    // With a `library` path, tab 0 has that file (resource `resource`) chosen.
    frmWizard* OpenWizard(const std::string& library = {}, std::uint32_t resource = 0);

private:
    void ShowTree();
    void ApplyChange(browser::TreeChange change);
    void ExpandLevels();
    // The menu checks and the window's settings from the browser's switches.
    void SyncChecks();
    void ObjectNodeClicked(std::int32_t node);
    void MemberClicked(const MemberListModel& pane, QTreeView& other, const QModelIndex& index);
    // Help (help_commands.cpp): on a tree's selection, with AutoHelp on
    // only, off when another model opens, and the Help menu's commands.
    void ShowHelpFor(QTreeView& tree);
    void AutoHelpFor(QTreeView& tree);
    void HelpOffForNewModel();
    bool RunHelpCommand(frmZVMain& window, Command command);
    std::string SelectedHelpId(QTreeView& tree) const;
    // The View menu's reports, each in a modal report window. False for
    // any other command.
    bool ShowReport(frmZVMain& window, Command command);
    // View > Options and View > Branch Counts, modal (options_commands.cpp).
    void ShowOptions(frmZVMain& window);
    void ShowBranchCounts(frmZVMain& window);
    // Library > Enums and Library > VB/VBA Enums: the enum viewer, modal
    // (enum_commands.cpp).
    void ShowEnums(frmZVMain& window, Command command);
    // The Find menu (find_commands.cpp): a node found is selected; the list
    // searches show their results in a modal report window.
    void RunFind(frmZVMain& window, Command command);
    void SelectFoundNode(frmZVMain& window, std::int32_t node);
    // Find > Find in All Models (model_search_commands.cpp): the matches in
    // every model, listed in a modal report window; a double-clicked match
    // opens its model at its object.
    void FindInAllModels(frmZVMain& window);
    // View > Diagram: the selected object's diagram in a window of its own
    // (diagram_commands.cpp).
    void ShowDiagram(frmZVMain& window);
    // Tree > Save View and Tree > Load View (view_commands.cpp).
    void SaveView();
    void LoadView();
    // File > Compare With...: asks for another library or model and shows
    // how it differs from the current model, compared on a worker thread
    // (compare_commands.cpp).
    void CompareWith(frmZVMain& window);
    // The Models menu: the Open Model dialog, modal; the model chosen there
    // is opened once it has closed.
    void ShowOpenModel();
    MainWindowHost& WindowHost();

    std::filesystem::path m_sampleLibrary;
    frmZVMain* m_window = nullptr;
    std::unique_ptr<browser::ObjectBrowser> m_browser;
    browser::ObjectTreeModel m_tree;
    MemberListModel m_props{ImageList::Properties};
    MemberListModel m_methods{ImageList::Methods};
    std::string m_objectStatus;  // of the node clicked last
    browser::FindState m_find;   // kept across models: Find Again goes on in a new tree
    std::unique_ptr<QObject> m_helpKeys;
    std::unique_ptr<MainWindowHost> m_windowHost;
    QPointer<frmWizard> m_wizard;  // deleted when it closes
    std::unique_ptr<HelpSession> m_help;
};

}  // namespace arbolith
