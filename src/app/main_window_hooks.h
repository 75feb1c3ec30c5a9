// SPDX-License-Identifier: MIT
// What the main window asks of the parts of the program that build on it:
// opening a model, its tree, the welcome window, help, and the commands of
// the menus. Every default does nothing, so the window works before those
// parts exist; each part overrides what it provides.
#pragma once

#include <string>

namespace arbolith {

class frmZVMain;

// The menu commands that parts above the window carry out. The menu bar
// binds each entry to one of these where it is built (main_window_menus.cpp),
// so an entry and its command cannot drift apart by a misspelt name.
enum class Command {
    Wizard,
    Library,
    CompareWith,  // File > Compare With...: the current model against another library or model
    // Tree menu
    LocalView,
    GlobalView,
    Refresh,
    ExpandAllNodes,
    CollapseAllNodes,
    ExpandLevels,
    ShowMember,
    ShowChildCount,
    ShowExternal,
    ShowHidden,
    ShowFlags,
    ShowOrigin,
    SaveView,
    LoadView,
    // View menu
    LibraryEnums,
    VbaEnums,
    ViewHidden,
    ViewCreatables,
    ObjectFrequencies,
    ViewAllMembers,
    ShowStats,
    Diagram,
    BranchCounts,
    Options,
    // Find menu
    FindFirst,
    FindAgain,
    FindParents,
    FindPaths,
    FindObjectsWithMember,
    FindInAllModels,
    // Help menu
    HelpDocumentation,
    WizardHelp,
    HelpFile,
    AutoHelp,
    SetHelpFile,
    Legend,
    ShowWelcome,
    About,
};

class MainWindowHooks {
public:
    virtual ~MainWindowHooks() = default;

    // Called once at start-up, after the window has read its settings and
    // before a model is opened: a part binds itself to the window's controls.
    virtual void WindowLoaded(frmZVMain& window) { (void)window; }
    // At a start without a model of the last run: the library whose model
    // to open instead, "" for none.
    virtual std::string FirstStartLibrary(frmZVMain& window)
    {
        (void)window;
        return {};
    }

    // Opens the model of `library` (a library file name) and builds its
    // tree; DisplayTree then shows it. An implementation records the attempt
    // with frmZVMain::SetCurrentLibrary (the name when the model opened, ""
    // when it did not) so that closing writes it. At start-up (`atStartUp`) a
    // model whose files are missing is dropped without a message. True when
    // the model is now open.
    virtual bool OpenModel(frmZVMain& window, const std::string& library, bool atStartUp)
    {
        (void)window, (void)library, (void)atStartUp;
        return false;
    }
    // Shows the tree of the current model in the object tree; with no tree
    // it does nothing.
    virtual void DisplayTree(frmZVMain& window) { (void)window; }
    // Shows the welcome window, modally.
    virtual void ShowWelcome(frmZVMain& window) { (void)window; }
    // Shows help for the selected node of the object tree (AutoHelp).
    virtual void ShowHelpForSelection(frmZVMain& window) { (void)window; }
    // Carries out a menu command. False when this build has no such command
    // yet: the window then says so.
    virtual bool RunCommand(frmZVMain& window, Command command)
    {
        (void)window, (void)command;
        return false;
    }
};

}  // namespace arbolith
