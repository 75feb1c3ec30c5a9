// SPDX-License-Identifier: MIT
#include "app/help_commands.h"

#include "app/browser_hooks.h"
#include "app/folders.h"
#include "app/main_window.h"
#include "help/help_file_window.h"
#include "platform/paths.h"
#include "platform/text_encoding.h"

#include <QAbstractProxyModel>
#include <QAction>
#include <QScreen>
#include <QTreeView>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

constexpr const char* kOwnHelpIndex = "index.html";

void Tell(frmZVMain& window, const std::string& text, PromptIcon icon = PromptIcon::Information)
{
    window.UserPrompt().Tell(text, icon);
}

// The help session for the model now current: what it read about another
// model is dropped first.
HelpSession& SessionFor(HelpSession& session, const browser::CurrentModel& model)
{
    if (session.modelDat == model.datPath && !model.datPath.empty()) return session;
    HelpAccess access = std::move(session.access);
    session = HelpSession();
    session.access = std::move(access);
    session.modelDat = model.datPath;
    session.libraryHelpFile = model.libraryHelpFile;
    // Where the library is and who it is, as read when the model opened.
    session.places.libraryFile = model.libraryFile;
    session.places.libraryGuid = model.libraryGuid;
    session.places.libraryVersion = model.libraryVersion;
    return session;
}

std::string HelpFileOf(const HelpSession& session, const browser::CurrentModel& model)
{
    return session.helpFile ? *session.helpFile : Trim(model.helpFile);
}

// The help file a setting names, opened once and kept while the setting stays.
Result<std::shared_ptr<help::HelpDocument>> DocumentFor(HelpSession& session, const std::string& setting)
{
    if (session.document && session.documentSetting == setting) return session.document;
    auto located = session.access.locate(setting, session.places);
    if (!located) return located.error();
    auto opened = session.access.open(*located);
    if (!opened) return opened.error();
    session.document = std::move(*opened);
    session.documentSetting = setting;
    return session.document;
}

// What the viewer shows for an id the help file has no topic for.
help::HelpTopic MissingTopic(const help::HelpDocument& document, const help::HelpId& id, const Error& error)
{
    const std::string what = id.kind == help::HelpId::Kind::Keyword ? "the keyword " + id.keyword
                                                                    : "help context " + std::to_string(id.context);
    const QString html =
        QStringLiteral("<h3>No topic found</h3><p>%1 has no topic for %2.</p><p>%3</p>")
            .arg(QString::fromStdString(document.Name()).toHtmlEscaped(), QString::fromStdString(what).toHtmlEscaped(),
                 QString::fromStdString(error.description).toHtmlEscaped());
    return help::HelpTopic{"No topic found", html.toStdString(), {}, {}};
}

// Closes the viewer when it shows a library's topic; the program's own
// pages (the wizard's among them) stay open.
void CloseLibraryHelp(frmZVMain& window)
{
    help::frmHelpViewer* viewer = help::ExistingHelpViewer(window);
    if (viewer && viewer->txtTopic()->Document()) viewer->close();
}

void SetAutoHelp(frmZVMain& window, bool on)
{
    window.ProgramSettings().autoHelp = on;
    window.MenuAction("mnuAutoHelp")->setChecked(on);
    window.SetAutoHelpCaption();
}

}  // namespace

HelpAccess DefaultHelpAccess()
{
    return HelpAccess{help::LocateHelpFile, help::OpenHelpDocument};
}

fs::path FindOwnHelpFolder(const fs::path& appFolder, const fs::path& programFolder)
{
    const fs::path candidates[] = {
        appFolder.empty() ? fs::path() : appFolder / "help",
        programFolder.empty() ? fs::path() : programFolder.parent_path() / "share" / "arbolith" / "help",
        fs::path(ARBOLITH_SOURCE_HELP_DIR),
    };
    for (const fs::path& folder : candidates) {
        if (!folder.empty() && FileExists(folder / kOwnHelpIndex)) return folder;
    }
    return {};
}

OwnHelpPage WizardHelpPage(int context)
{
    switch (context) {
        case 4:
            return {"wizard.html", "tips"};
        case 6:
            return {"wizard.html", "model"};
        case 7:
            return {"wizard.html", "top"};
        case 8:
            return {"wizard.html", "special"};
        case 9:
            return {"wizard.html", "external-edges"};
        case 10:
            return {"wizard.html", "add-object"};
        case 11:
            return {"wizard.html", "collection"};
        case 12:
            return {"wizard.html", "add-edge"};
        default:
            return {"wizard.html", ""};
    }
}

help::frmHelpViewer& ShowHelpViewer(frmZVMain& window)
{
    help::frmHelpViewer& viewer = help::HelpViewerOf(window);
    QScreen* screen = window.screen();
    const Settings& settings = window.ProgramSettings();
    if (settings.splitMode && screen) {
        viewer.setGeometry(help::SplitModePlacement(screen->geometry(), settings.scaleFactor));
    } else if (!viewer.isVisible()) {
        viewer.setGeometry(
            help::BesideMainWindowPlacement(window.frameGeometry(), screen ? screen->availableGeometry() : QRect()));
    }
    viewer.show();
    viewer.raise();
    return viewer;
}

bool ShowOwnHelp(frmZVMain& window, const OwnHelpPage& page)
{
    const fs::path folder = FindOwnHelpFolder(window.Folders().appFolder, RunningProgramFolder());
    const fs::path file = folder.empty() ? fs::path() : FindEntryNoCase(folder, page.page);
    if (folder.empty() || !FileExists(file)) {
        Tell(window,
             "Arbolith's help pages were not found. They are installed with the program in "
             "share/arbolith/help.");
        return false;
    }
    ShowHelpViewer(window).ShowFile(file, page.anchor);
    return true;
}

// --- The main window's help commands ------------------------------------------

HelpSession& ObjectBrowserHooks::Help()
{
    if (!m_help) m_help = std::make_unique<HelpSession>();
    return *m_help;
}

std::string ObjectBrowserHooks::SelectedHelpId(QTreeView& tree) const
{
    QModelIndex index = tree.selectionModel() ? tree.selectionModel()->currentIndex() : QModelIndex();
    // The record behind the row, never the row's position: the view sorts.
    while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model()))
        index = proxy->mapToSource(index);
    if (!index.isValid()) return {};
    if (index.model() == &m_tree) {
        const std::int32_t node = browser::ObjectTreeModel::NodeOf(index);
        const auto nodes = m_browser->Nodes();
        if (node < 0 || static_cast<std::size_t>(node) >= nodes.size()) return {};
        const browser::ObjectRecord* object =
            browser::NodeObject(m_browser->Model(), nodes[static_cast<std::size_t>(node)]);
        return object ? object->helpId : std::string();
    }
    const MemberListModel* pane = index.model() == &m_props     ? &m_props
                                  : index.model() == &m_methods ? &m_methods
                                                                : nullptr;
    const browser::MemberRecord* member = pane ? pane->Member(index) : nullptr;
    return member ? member->helpId : std::string();
}

void ObjectBrowserHooks::ShowHelpFor(QTreeView& tree)
{
    if (!m_window || !m_browser || !m_browser->Current().IsOpen()) return;
    frmZVMain& window = *m_window;
    const browser::CurrentModel& model = m_browser->Current();
    HelpSession& session = SessionFor(Help(), model);
    const std::string helpFile = HelpFileOf(session, model);
    if (help::IsHelpDisabled(helpFile)) {
        Tell(window, "Help for this library is disabled by user.");
        return;
    }
    const help::HelpId id = help::ParseHelpId(SelectedHelpId(tree));
    // No topic asked for, or a file that is no help file: nothing to show.
    if (id.kind == help::HelpId::Kind::None || !help::HelpFormatOf(helpFile)) return;
    auto document = DocumentFor(session, helpFile);
    if (!document) {
        Tell(window, "Error getting help on object. " + document.error().description, PromptIcon::None);
        return;
    }
    auto topic = (*document)->Topic(id);
    help::frmHelpViewer& viewer = ShowHelpViewer(window);
    viewer.ShowTopic(*document, topic ? *topic : MissingTopic(**document, id, topic.error()));
    if (window.ProgramSettings().splitMode) {
        // The tree keeps the keys, so that arrows go on moving through it.
        window.activateWindow();
        tree.setFocus();
    }
}

void ObjectBrowserHooks::ShowHelpForSelection(frmZVMain& window)
{
    // With AutoHelp on, selecting the tree's node has shown its help already
    // (and a disabled library has said so once).
    if (window.ProgramSettings().autoHelp && window.trvObjects()->currentIndex().isValid()) return;
    ShowHelpFor(*window.trvObjects());
}

void ObjectBrowserHooks::AutoHelpFor(QTreeView& tree)
{
    if (m_window && m_window->ProgramSettings().autoHelp) ShowHelpFor(tree);
}

void ObjectBrowserHooks::HelpOffForNewModel()
{
    if (!m_window) return;
    if (m_window->ProgramSettings().autoHelp) SetAutoHelp(*m_window, false);
    CloseLibraryHelp(*m_window);
    if (m_help) m_help->modelDat.clear();
}

bool ObjectBrowserHooks::RunHelpCommand(frmZVMain& window, Command command)
{
    const browser::CurrentModel& model = m_browser->Current();
    switch (command) {
        case Command::HelpDocumentation:
            ShowOwnHelp(window, {kOwnHelpIndex, {}});
            return true;
        case Command::AutoHelp: {
            const bool on = !window.ProgramSettings().autoHelp;
            SetAutoHelp(window, on);
            if (on) {
                window.ToggleSplitMode("On");
                QWidget* focus = window.focusWidget();
                for (QTreeView* tree : {window.trvObjects(), window.trvProps(), window.trvMethods()}) {
                    if (focus == tree) ShowHelpFor(*tree);
                }
            } else if (window.ProgramSettings().splitMode) {
                CloseLibraryHelp(window);
            }
            return true;
        }
        case Command::HelpFile: {
            if (!model.IsOpen()) return true;
            HelpSession& session = SessionFor(Help(), model);
            const std::string helpFile = HelpFileOf(session, model);
            if (helpFile.empty()) {
                Tell(window, "No help file is designated for this library.");
                return true;
            }
            if (help::IsHelpDisabled(helpFile)) {
                Tell(window, "Help for this library is disabled by user.");
                return true;
            }
            if (!help::HelpFormatOf(helpFile)) return true;
            auto document = DocumentFor(session, helpFile);
            auto topic = document ? (*document)->DefaultTopic() : Result<help::HelpTopic>(document.error());
            if (!topic) {
                Tell(window, "Error opening the library's help file. " + topic.error().description, PromptIcon::None);
                return true;
            }
            ShowHelpViewer(window).ShowTopic(*document, *topic);
            return true;
        }
        case Command::SetHelpFile: {
            if (!model.IsOpen()) return true;
            HelpSession& session = SessionFor(Help(), model);
            help::frmHelpFile dialog(session.libraryHelpFile, HelpFileOf(session, model), model.infPath,
                                     window.UserPrompt(), &window);
            if (dialog.exec() == QDialog::Accepted && dialog.ChosenHelpFile())
                session.helpFile = dialog.ChosenHelpFile();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace arbolith
