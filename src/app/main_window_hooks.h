// SPDX-License-Identifier: MIT
// What the main window asks of the parts of the program that build on it:
// opening a model, its tree, the welcome window, help, and the commands of
// the menus. Every default does nothing, so the window works before those
// parts exist; each part overrides what it provides.
#pragma once

#include <string>
#include <string_view>

namespace arbolith {

class frmZVMain;

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

    // Makes the model of `library` (a library file name) current. An
    // implementation records the attempt with frmZVMain::SetCurrentLibrary
    // (the name when the model opened, "" when it did not) so that closing
    // writes it. At start-up (`atStartUp`) a model whose files are missing is
    // dropped without a message. True when the model is now open.
    virtual bool SetActiveModel(frmZVMain& window, const std::string& library, bool atStartUp)
    {
        (void)window, (void)library, (void)atStartUp;
        return false;
    }
    // Builds the tree nodes of the current model.
    virtual void CreateModelNodes(frmZVMain& window) { (void)window; }
    // Fills the object tree from the nodes; with no nodes it does nothing.
    virtual void DisplayTree(frmZVMain& window) { (void)window; }
    // Shows the welcome window, modally.
    virtual void ShowWelcome(frmZVMain& window) { (void)window; }
    // Shows help for the selected node of the object tree (AutoHelp).
    virtual void ShowHelpForSelection(frmZVMain& window) { (void)window; }
    // Runs the command of a menu entry, named as in the menu bar
    // ("mnuWizard", "mnuLibrary", ...). False when this build has no such
    // command yet: the window then says so.
    virtual bool RunCommand(frmZVMain& window, std::string_view menuName)
    {
        (void)window, (void)menuName;
        return false;
    }
};

}  // namespace arbolith
