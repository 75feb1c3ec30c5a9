// SPDX-License-Identifier: MIT
// The main window's menu bar: every menu and entry with its name, caption
// and access key, and which of them need an open model.
#include "app/main_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace arbolith {

namespace {

enum class Kind {
    Menu,       // a menu of the bar; the entries that follow belong to it
    BarAction,  // an entry of the bar itself, without a menu
    Entry,
    Check,  // an entry with a check mark
    Separator,
};

struct MenuItem {
    const char* name;
    const char* caption;
    Kind kind;
    bool needsModel = false;  // enabled only while a model is open (MenusEnabled)
};

// clang-format off
const MenuItem kMenuBar[] = {
    {"mnuFile", "&File", Kind::Menu},
    {"mnuWizard", "Create Model &Wizard", Kind::Entry},
    {"mnuExit", "E&xit", Kind::Entry},

    {"mnuLibrary", "Model&s", Kind::BarAction},

    {"mnuTree", "&Tree", Kind::Menu, true},
    {"mnuLocalView", "&Local View", Kind::Entry},
    {"mnuGlobalView", "&Global View", Kind::Entry},
    {"mnuRefresh", "&Refresh", Kind::Entry},
    {"mnuExpandAllNodes", "E&xpand All Nodes", Kind::Entry},
    {"mnuCollapseAllNodes", "&Collapse All Nodes", Kind::Entry},
    {"mnuExpandLevels", "Expand Le&vels", Kind::Entry},
    {"", "", Kind::Separator},
    {"mnuShowMember", "Show Co&ntained Objects", Kind::Check},
    {"mnuShowChildCount", "Show Child Co&unts", Kind::Check},
    {"mnuShowExternal", "Show E&xternal Objects", Kind::Check},
    {"mnuShowHidden", "Show &Hidden Objects", Kind::Check},
    {"mnuShowFlags", "Show Flag&s", Kind::Check},
    {"mnuShowOrigin", "Show &Origins", Kind::Check},
    {"", "", Kind::Separator},
    {"mnuSaveView", "Save Vie&w", Kind::Entry},
    {"mnuLoadView", "Lo&ad View", Kind::Entry},

    {"mnuView", "&View", Kind::Menu, true},
    {"mnuLibraryEnums", "&Enums", Kind::Entry},
    {"mnuVBAEnums", "&VB/VBA Enums", Kind::Entry},
    {"", "", Kind::Separator},
    {"mnuViewHidden", "Hidden Objects", Kind::Entry},
    {"mnuViewCreatables", "Creatable Objects", Kind::Entry},
    {"mnuObjFreq", "Objects and Their &Frequencies", Kind::Entry},
    {"mnuViewAllMembers", "All Members", Kind::Entry},
    {"mnuShowStats", "&Library Statistics", Kind::Entry},
    {"", "", Kind::Separator},
    {"mnuBranchCounts", "&Branch Counts", Kind::Entry},
    {"", "", Kind::Separator},
    {"mnuOptions", "&Options", Kind::Entry},

    {"mnuFind", "Fin&d", Kind::Menu, true},
    {"mnuFindFirst", "&Find Object in Tree", Kind::Entry},
    {"mnuFindAgain", "Find &Again", Kind::Entry},
    {"mnuFindParents", "Find &Parents", Kind::Entry},
    {"mnuFindPaths", "Find Paths to Object", Kind::Entry},
    {"mnuFindObjectsWithMember", "Find Objects with &Member", Kind::Entry},

    {"mnuHelp", "&Help", Kind::Menu},
    {"mnuHelpDocumentation", "&Help", Kind::Entry},
    {"mnuWizardHelp", "Help for Create Model &Wizard", Kind::Entry},
    {"mnuHelpFile", "L&ibrary Help File", Kind::Entry, true},
    {"mnuAutoHelp", "A&utoHelp", Kind::Check, true},
    {"mnuSetHelpFile", "Set H&elp File Location", Kind::Entry, true},
    {"", "", Kind::Separator},
    {"mnuLegend", "&Legend", Kind::Entry, true},
    {"", "", Kind::Separator},
    {"mnuShowWelcome", "Welcome Window", Kind::Entry},
    {"mnuAbout", "&About", Kind::Entry},
    {"", "", Kind::Separator},
    {"mnuSplitMode", "S&plit Mode", Kind::Check, true},

    // Shows "(AutoHelpOn)" while AutoHelp is on; hidden otherwise.
    {"mnuAutoHelpFlag", "(AutoHelp)", Kind::BarAction},
};
// clang-format on

}  // namespace

void frmZVMain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* menu = nullptr;
    for (const MenuItem& item : kMenuBar) {
        QAction* action = nullptr;
        switch (item.kind) {
            case Kind::Menu:
                menu = bar->addMenu(QString::fromUtf8(item.caption));
                menu->setObjectName(item.name);
                action = menu->menuAction();
                break;
            case Kind::BarAction:
                action = bar->addAction(QString::fromUtf8(item.caption));
                menu = nullptr;
                break;
            case Kind::Entry:
            case Kind::Check:
                action = menu->addAction(QString::fromUtf8(item.caption));
                action->setCheckable(item.kind == Kind::Check);
                break;
            case Kind::Separator:
                menu->addSeparator();
                continue;
        }
        action->setObjectName(item.name);
        m_menu.emplace(item.name, action);
        if (item.kind != Kind::Menu && std::string_view(item.name) != "mnuAutoHelpFlag") {
            const std::string name = item.name;
            connect(action, &QAction::triggered, this, [this, action, name] { RunMenuEntry(action, name); });
        }
    }
}

void frmZVMain::MenusEnabled(bool enabled)
{
    for (const MenuItem& item : kMenuBar) {
        if (item.needsModel) m_menu.at(item.name)->setEnabled(enabled);
    }
}

QAction* frmZVMain::MenuAction(std::string_view name) const
{
    const auto it = m_menu.find(name);
    return it == m_menu.end() ? nullptr : it->second;
}

}  // namespace arbolith
