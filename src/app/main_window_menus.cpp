// SPDX-License-Identifier: MIT
// The main window's menu bar: every menu and entry with its name, caption
// and access key, which of them need an open model, and the command each
// entry runs.
#include "app/main_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <variant>

namespace arbolith {

namespace {

QString WithoutAccessKeys(const QString& caption)
{
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;  // "&&" stands for one "&"
        text += caption[i];
    }
    return text;
}

}  // namespace

// One menu, entry or separator of the menu bar and what choosing it does:
// nothing (menus, separators), one of the window's own commands, or a
// command the hooks carry out.
struct frmZVMain::MenuItem {
    enum class Kind {
        Menu,       // a menu of the bar; the entries that follow belong to it
        BarAction,  // an entry of the bar itself, without a menu
        Entry,
        Check,  // an entry with a check mark
        Separator,
    };
    using OwnCommand = void (frmZVMain::*)();

    const char* name;
    const char* caption;
    Kind kind;
    bool needsModel = false;  // enabled only while a model is open (MenusEnabled)
    std::variant<std::monostate, OwnCommand, Command> run{};
};

std::span<const frmZVMain::MenuItem> frmZVMain::MenuBar()
{
    using C = Command;
    using Kind = MenuItem::Kind;
    // clang-format off
    static const MenuItem items[] = {
        {"mnuFile", "&File", Kind::Menu},
        {"mnuWizard", "Create Model &Wizard", Kind::Entry, false, C::Wizard},
        {"mnuCompareWith", "Compare &With...", Kind::Entry, false, C::CompareWith},
        {"mnuExit", "E&xit", Kind::Entry, false, &frmZVMain::Exit},

        {"mnuLibrary", "Model&s", Kind::BarAction, false, C::Library},

        {"mnuTree", "&Tree", Kind::Menu, true},
        {"mnuLocalView", "&Local View", Kind::Entry, false, C::LocalView},
        {"mnuGlobalView", "&Global View", Kind::Entry, false, C::GlobalView},
        {"mnuRefresh", "&Refresh", Kind::Entry, false, C::Refresh},
        {"mnuExpandAllNodes", "E&xpand All Nodes", Kind::Entry, false, C::ExpandAllNodes},
        {"mnuCollapseAllNodes", "&Collapse All Nodes", Kind::Entry, false, C::CollapseAllNodes},
        {"mnuExpandLevels", "Expand Le&vels", Kind::Entry, false, C::ExpandLevels},
        {"", "", Kind::Separator},
        {"mnuShowMember", "Show Co&ntained Objects", Kind::Check, false, C::ShowMember},
        {"mnuShowChildCount", "Show Child Co&unts", Kind::Check, false, C::ShowChildCount},
        {"mnuShowExternal", "Show E&xternal Objects", Kind::Check, false, C::ShowExternal},
        {"mnuShowHidden", "Show &Hidden Objects", Kind::Check, false, C::ShowHidden},
        {"mnuShowFlags", "Show Flag&s", Kind::Check, false, C::ShowFlags},
        {"mnuShowOrigin", "Show &Origins", Kind::Check, false, C::ShowOrigin},
        {"", "", Kind::Separator},
        {"mnuSaveView", "Save Vie&w", Kind::Entry, false, C::SaveView},
        {"mnuLoadView", "Lo&ad View", Kind::Entry, false, C::LoadView},

        {"mnuView", "&View", Kind::Menu, true},
        {"mnuLibraryEnums", "&Enums", Kind::Entry, false, C::LibraryEnums},
        {"mnuVBAEnums", "&VB/VBA Enums", Kind::Entry, false, C::VbaEnums},
        {"", "", Kind::Separator},
        {"mnuViewHidden", "Hidden Objects", Kind::Entry, false, C::ViewHidden},
        {"mnuViewCreatables", "Creatable Objects", Kind::Entry, false, C::ViewCreatables},
        {"mnuObjFreq", "Objects and Their &Frequencies", Kind::Entry, false, C::ObjectFrequencies},
        {"mnuViewAllMembers", "All Members", Kind::Entry, false, C::ViewAllMembers},
        {"mnuShowStats", "&Library Statistics", Kind::Entry, false, C::ShowStats},
        {"mnuDiagram", "&Diagram", Kind::Entry, false, C::Diagram},
        {"", "", Kind::Separator},
        {"mnuBranchCounts", "&Branch Counts", Kind::Entry, false, C::BranchCounts},
        {"", "", Kind::Separator},
        {"mnuOptions", "&Options", Kind::Entry, false, C::Options},

        {"mnuFind", "Fin&d", Kind::Menu, true},
        {"mnuFindFirst", "&Find Object in Tree", Kind::Entry, false, C::FindFirst},
        {"mnuFindAgain", "Find &Again", Kind::Entry, false, C::FindAgain},
        {"mnuFindParents", "Find &Parents", Kind::Entry, false, C::FindParents},
        {"mnuFindPaths", "Find Paths to Object", Kind::Entry, false, C::FindPaths},
        {"mnuFindObjectsWithMember", "Find Objects with &Member", Kind::Entry, false, C::FindObjectsWithMember},
        {"mnuFindInAllModels", "Find in All &Models...", Kind::Entry, false, C::FindInAllModels},

        {"mnuHelp", "&Help", Kind::Menu},
        {"mnuHelpDocumentation", "&Help", Kind::Entry, false, C::HelpDocumentation},
        {"mnuWizardHelp", "Help for Create Model &Wizard", Kind::Entry, false, C::WizardHelp},
        {"mnuHelpFile", "L&ibrary Help File", Kind::Entry, true, C::HelpFile},
        {"mnuAutoHelp", "A&utoHelp", Kind::Check, true, C::AutoHelp},
        {"mnuSetHelpFile", "Set H&elp File Location", Kind::Entry, true, C::SetHelpFile},
        {"", "", Kind::Separator},
        {"mnuLegend", "&Legend", Kind::Entry, true, C::Legend},
        {"", "", Kind::Separator},
        {"mnuShowWelcome", "Welcome Window", Kind::Entry, false, C::ShowWelcome},
        {"mnuAbout", "&About", Kind::Entry, false, C::About},
        {"", "", Kind::Separator},
        {"mnuSplitMode", "S&plit Mode", Kind::Check, true, &frmZVMain::FlipSplitMode},

        // Shows "(AutoHelpOn)" while AutoHelp is on; hidden otherwise.
        {"mnuAutoHelpFlag", "(AutoHelp)", Kind::BarAction},
    };
    // clang-format on
    return items;
}

void frmZVMain::CreateMenus()
{
    using Kind = MenuItem::Kind;
    QMenuBar* bar = menuBar();
    QMenu* menu = nullptr;
    for (const MenuItem& item : MenuBar()) {
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
        if (!std::holds_alternative<std::monostate>(item.run))
            connect(action, &QAction::triggered, this, [this, action, &item] { RunMenuItem(item, *action); });
    }
}

void frmZVMain::RunMenuItem(const MenuItem& item, QAction& action)
{
    if (const auto* own = std::get_if<MenuItem::OwnCommand>(&item.run)) {
        (this->**own)();
        return;
    }
    if (const auto* command = std::get_if<Command>(&item.run); command && m_hooks.RunCommand(*this, *command)) return;
    // Nothing happened: a check entry keeps its mark.
    if (action.isCheckable()) action.setChecked(!action.isChecked());
    m_prompt.Tell((WithoutAccessKeys(action.text()) + QStringLiteral(" is not available yet.")).toStdString(),
                  PromptIcon::Information);
}

void frmZVMain::MenusEnabled(bool enabled)
{
    for (const MenuItem& item : MenuBar()) {
        if (item.needsModel) m_menu.at(item.name)->setEnabled(enabled);
    }
}

QAction* frmZVMain::MenuAction(std::string_view name) const
{
    const auto it = m_menu.find(name);
    return it == m_menu.end() ? nullptr : it->second;
}

}  // namespace arbolith
