// SPDX-License-Identifier: MIT
#include "app/browser_hooks.h"

#include "app/help_commands.h"
#include "app/info_windows.h"
#include "app/main_window.h"
#include "app/options_commands.h"
#include "app/sample_model.h"
#include "app/wizard_launch.h"
#include "reports/report_window.h"
#include "wizard/wizard_window.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTreeView>

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace arbolith {

using browser::ObjectTreeModel;
using browser::TreeChange;

namespace {

// Insert or F1 in a tree, or its right mouse button, asks for help on the
// tree's selection.
class HelpKeys : public QObject {
public:
    explicit HelpKeys(std::function<void(QTreeView&)> help) : m_help(std::move(help)) {}

    void Watch(QTreeView& tree)
    {
        tree.installEventFilter(this);
        tree.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (auto* tree = qobject_cast<QTreeView*>(watched); tree && (key == Qt::Key_Insert || key == Qt::Key_F1)) {
                m_help(*tree);
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonPress &&
                   static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            if (auto* tree = qobject_cast<QTreeView*>(watched->parent())) {
                m_help(*tree);
                return true;
            }
        }
        return false;
    }

private:
    std::function<void(QTreeView&)> m_help;
};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

ObjectBrowserHooks::ObjectBrowserHooks(std::filesystem::path sampleLibrary) : m_sampleLibrary(std::move(sampleLibrary))
{
}

ObjectBrowserHooks::~ObjectBrowserHooks() = default;

void ObjectBrowserHooks::WindowLoaded(frmZVMain& window)
{
    m_window = &window;
    const Settings& s = window.ProgramSettings();
    m_browser = std::make_unique<browser::ObjectBrowser>(window.Folders().modelsFolder, window.UserPrompt());
    m_browser->defaultDepth = s.defaultDepth;
    m_browser->switches = {s.showMember, s.showOrigin, s.showChildCount, s.showFlags};
    ApplyTreeIndent(window);

    std::array<QIcon, kNodeImageCount> icons;
    for (std::size_t i = 0; i < icons.size(); ++i) icons[i] = BrowserIcon(ImageList::Nodes, static_cast<int>(i));
    m_tree.SetImages(std::move(icons));

    QTreeView* objects = window.trvObjects();
    QTreeView* props = window.trvProps();
    QTreeView* methods = window.trvMethods();
    objects->setModel(&m_tree);
    props->setModel(&m_props);
    methods->setModel(&m_methods);
    // The member panes are flat lists.
    props->setRootIsDecorated(false);
    methods->setRootIsDecorated(false);

    QObject::connect(objects->selectionModel(), &QItemSelectionModel::currentChanged, &window,
                     [this](const QModelIndex& current) {
                         if (current.isValid()) ObjectNodeClicked(ObjectTreeModel::NodeOf(current));
                     });
    // A click on the node already selected shows its status again (after
    // a member's); its panes still show its members.
    QObject::connect(objects, &QTreeView::clicked, &window, [this, props, methods] {
        props->selectionModel()->clear();
        methods->selectionModel()->clear();
        m_window->txtStatus()->setPlainText(Text(m_objectStatus));
    });
    // Members: by keys (the current row changes) and by clicks, also on
    // the row already current.
    const auto member = [this](QTreeView* pane, const MemberListModel& rows, QTreeView* other) {
        const auto show = [this, &rows, other](const QModelIndex& index) { MemberClicked(rows, *other, index); };
        QObject::connect(pane->selectionModel(), &QItemSelectionModel::currentChanged, m_window, show);
        QObject::connect(pane, &QTreeView::clicked, m_window, show);
    };
    member(props, m_props, methods);
    member(methods, m_methods, props);

    auto keys = std::make_unique<HelpKeys>([this](QTreeView& tree) { ShowHelpFor(tree); });
    for (QTreeView* tree : {objects, props, methods}) keys->Watch(*tree);
    m_helpKeys = std::move(keys);
}

std::string ObjectBrowserHooks::FirstStartLibrary(frmZVMain& window)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SilentProgress progress;
    std::string library = MakeSampleModel(window.Folders(), m_sampleLibrary, window.ProgramSettings().compactDat,
                                          window.UserPrompt(), progress);
    QApplication::restoreOverrideCursor();
    return library;
}

bool ObjectBrowserHooks::OpenModel(frmZVMain& window, const std::string& library, bool atStartUp)
{
    window.txtStatus()->clear();
    // AutoHelp read from the settings stays on for the start-up's model.
    if (!atStartUp) HelpOffForNewModel();
    if (atStartUp)
        m_browser->OpenAtStartup(library);
    else
        m_browser->LibraryMenuClicked(library);

    const browser::CurrentModel& current = m_browser->Current();
    window.SetCurrentLibrary(current.library);
    SyncChecks();
    if (!current.IsOpen()) return false;
    window.setWindowTitle(Text(m_browser->WindowCaption(QApplication::applicationDisplayName().toStdString())));
    if (!atStartUp) {
        window.MenusEnabled(true);
        ShowTree();
    }
    return true;
}

bool ObjectBrowserHooks::ShowMadeModel(const std::string& modelKey)
{
    if (!m_window || !m_browser) return false;
    m_window->txtStatus()->clear();
    HelpOffForNewModel();
    m_browser->OpenModel(modelKey, true);
    const browser::CurrentModel& current = m_browser->Current();
    m_window->SetCurrentLibrary(current.library);
    SyncChecks();
    if (!current.IsOpen()) return false;
    m_window->setWindowTitle(Text(m_browser->WindowCaption(QApplication::applicationDisplayName().toStdString())));
    m_window->MenusEnabled(true);
    ShowTree();
    return m_browser->Display().NodeCount() > 0;
}

void ObjectBrowserHooks::CloseModel()
{
    if (!m_window || !m_browser) return;
    HelpOffForNewModel();
    m_browser->CloseModel();
    m_tree.SetTree(m_browser->SharedDisplay());
    m_props.SetRows({});
    m_methods.SetRows({});
    m_objectStatus.clear();
    m_window->SetCurrentLibrary("");
    m_window->setWindowTitle(QApplication::applicationDisplayName());
    m_window->MenusEnabled(false);
    for (QLabel* label : {m_window->lblNodes(), m_window->lblProps(), m_window->lblMethods(), m_window->lblDefault()})
        label->clear();
    m_window->txtStatus()->clear();
}

void ObjectBrowserHooks::DisplayTree(frmZVMain&)
{
    // No tree and none shown: nothing to do. A build that failed clears the
    // tree of the model before.
    if (m_browser->Display().NodeCount() == 0 && m_tree.Display().NodeCount() == 0) return;
    ShowTree();
}

void ObjectBrowserHooks::ShowTree()
{
    QTreeView& view = *m_window->trvObjects();
    m_tree.SetTree(m_browser->SharedDisplay());
    for (const std::int32_t node : m_browser->DisplayExpanded()) view.expand(m_tree.IndexOfNode(node));
    m_window->lblNodes()->setText(Text(m_browser->NodesCaption()));
    m_window->LayOutAgain();  // the label is as wide as its caption
    const QModelIndex selected = m_tree.IndexOfNode(m_browser->DisplaySelection());
    if (!selected.isValid()) {
        m_props.SetRows({});
        m_methods.SetRows({});
        return;
    }
    // Selecting runs the node click: the panes and the status text.
    view.setCurrentIndex(selected);
    view.scrollTo(selected);
}

void ObjectBrowserHooks::ApplyChange(TreeChange change)
{
    if (change == TreeChange::Rebuilt) {
        m_window->txtStatus()->clear();
        ShowTree();
    } else if (change == TreeChange::Relabelled) {
        m_tree.Relabel(m_browser->SharedDisplay());
    }
}

void ObjectBrowserHooks::SyncChecks()
{
    const browser::DisplaySwitches& s = m_browser->switches;
    Settings& settings = m_window->ProgramSettings();
    settings.showMember = s.showMember;
    settings.showOrigin = s.showOrigin;
    settings.showChildCount = s.showChildCount;
    settings.showFlags = s.showFlags;
    const std::pair<const char*, bool> checks[] = {
        {"mnuShowMember", s.showMember},
        {"mnuShowOrigin", s.showOrigin},
        {"mnuShowChildCount", s.showChildCount},
        {"mnuShowFlags", s.showFlags},
        {"mnuShowHidden", m_browser->Current().showHidden},
        {"mnuShowExternal", m_browser->Current().showExternal},
    };
    for (const auto& [name, on] : checks) m_window->MenuAction(name)->setChecked(on);
}

bool ObjectBrowserHooks::RunCommand(frmZVMain& window, Command command)
{
    if (!m_browser) return false;
    if (command == Command::Wizard) {
        OpenWizard();
        return true;
    }
    if (command == Command::Library) {
        ShowOpenModel();
        return true;
    }
    if (command == Command::CompareWith) {
        CompareWith(window);
        return true;
    }
    if (command == Command::WizardHelp) {
        ShowWizardHelp(window, 1);
        return true;
    }
    if (ShowReport(window, command)) return true;
    browser::ObjectBrowser& b = *m_browser;
    QTreeView& view = *window.trvObjects();
    switch (command) {
        case Command::LocalView: {
            const std::int32_t node = ObjectTreeModel::NodeOf(view.currentIndex());
            ApplyChange(b.SwitchToLocalView(node >= 0 ? std::optional(node) : std::nullopt));
            break;
        }
        case Command::GlobalView:
            ApplyChange(b.SwitchToGlobalView());
            break;
        case Command::Refresh:
            ApplyChange(b.RefreshTree());
            break;
        case Command::ExpandAllNodes:
            view.expandAll();
            break;
        case Command::CollapseAllNodes:
            view.collapseAll();
            view.expand(m_tree.IndexOfNode(0));
            break;
        case Command::ExpandLevels:
            ExpandLevels();
            break;
        case Command::ShowMember:
            ApplyChange(b.ToggleShowMember());
            break;
        case Command::ShowChildCount:
            ApplyChange(b.ToggleShowChildCount());
            break;
        case Command::ShowFlags:
            ApplyChange(b.ToggleShowFlags());
            break;
        case Command::ShowOrigin:
            ApplyChange(b.ToggleShowOrigin());
            break;
        case Command::ShowHidden:
            ApplyChange(b.ToggleShowHidden());
            break;
        case Command::ShowExternal:
            ApplyChange(b.ToggleShowExternal());
            break;
        case Command::Legend:
            ShowLegendWindow(window);
            break;
        case Command::ShowWelcome:
            ShowWelcomeWindow(window);
            break;
        case Command::About:
            ShowAboutWindow(window);
            break;
        case Command::Options:
            ShowOptions(window);
            break;
        case Command::BranchCounts:
            ShowBranchCounts(window);
            break;
        case Command::LibraryEnums:
        case Command::VbaEnums:
            ShowEnums(window, command);
            break;
        case Command::HelpDocumentation:
        case Command::HelpFile:
        case Command::AutoHelp:
        case Command::SetHelpFile:
            RunHelpCommand(window, command);
            break;
        case Command::FindFirst:
        case Command::FindAgain:
        case Command::FindParents:
        case Command::FindPaths:
        case Command::FindObjectsWithMember:
            RunFind(window, command);
            break;
        case Command::FindInAllModels:
            FindInAllModels(window);
            break;
        case Command::SaveView:
            SaveView();
            break;
        case Command::Diagram:
            ShowDiagram(window);
            break;
        case Command::LoadView:
            LoadView();
            break;
        default:
            return false;
    }
    SyncChecks();
    return true;
}

bool ObjectBrowserHooks::ShowReport(frmZVMain& window, Command command)
{
    using reports::ReportKind;
    constexpr Command kReports[] = {Command::ViewCreatables, Command::ShowStats, Command::ViewHidden,
                                    Command::ViewAllMembers, Command::ObjectFrequencies};
    if (std::find(std::begin(kReports), std::end(kReports), command) == std::end(kReports)) return false;
    const browser::CurrentModel& current = m_browser->Current();
    frmReport report(window.UserPrompt(), &window);
    switch (command) {
        case Command::ViewCreatables:
        case Command::ShowStats:
            if (!current.IsOpen()) {
                window.UserPrompt().Tell("Please choose a library first.", PromptIcon::Information);
                return true;
            }
            report.SetReport(command == Command::ViewCreatables ? ReportKind::Creatables : ReportKind::Statistics,
                             current.datPath, current.baseName);
            break;
        case Command::ViewHidden:
        case Command::ViewAllMembers:
            // Without an open model these report their error in an empty
            // window. The DAT file of an earlier, closed or failed, opening
            // is not the current model's, so none is given.
            report.SetReport(command == Command::ViewHidden ? ReportKind::Hidden : ReportKind::AllMembers,
                             current.IsOpen() ? current.datPath : std::filesystem::path(), current.baseName);
            break;
        case Command::ObjectFrequencies:
            report.SetFrequencies(reports::FrequencyCaption(current.modelName),
                                  reports::ObjectFrequencies(m_browser->Model(), m_browser->Nodes()));
            break;
        default:
            break;
    }
    report.exec();
    return true;
}

frmWizard* ObjectBrowserHooks::OpenWizard(const std::string& library, std::uint32_t resource)
{
    if (m_wizard) {
        if (!library.empty()) m_wizard->ChooseLibraryFile(library, resource);
        m_wizard->raise();
        m_wizard->activateWindow();
        return m_wizard;
    }
    frmZVMain* window = m_window;
    // A window of its own that stays above the main window and closes with it.
    m_wizard = new frmWizard(
        WizardPlacesOf(*window), window->UserPrompt(), WindowHost(),
        [window](int context) { ShowWizardHelp(*window, context); }, window);
    m_wizard->setWindowFlag(Qt::Window);
    m_wizard->setAttribute(Qt::WA_DeleteOnClose);
    m_wizard->show();
    if (!library.empty()) m_wizard->ChooseLibraryFile(library, resource);
    ShowWizardSplash(*m_wizard, window->Folders().settingsFile, window->UserPrompt());
    return m_wizard;
}

MainWindowHost& ObjectBrowserHooks::WindowHost()
{
    if (!m_windowHost) m_windowHost = std::make_unique<MainWindowHost>(*m_window, *this);
    return *m_windowHost;
}

void ObjectBrowserHooks::ShowOpenModel()
{
    frmZVMain& window = *m_window;
    m_browser->flatView = false;
    frmOpenModel dialog(window.Folders().modelsFolder, window.UserPrompt(), WindowHost(), window.ScreenSizePixels(),
                        window.ProgramSettings().openDlgAtTop, &window);
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenKey().empty()) return;
    m_browser->flatView = dialog.FlatChosen();
    OpenModel(window, dialog.ChosenKey(), false);
}

void ObjectBrowserHooks::ExpandLevels()
{
    const auto levels = m_browser->AskExpandLevels();
    if (!levels) return;
    QTreeView& view = *m_window->trvObjects();
    const browser::TreeDisplay& tree = m_tree.Display();
    // expandToDepth expands every node down to the level and collapses the
    // rest; without "<" the deeper nodes that were open open again.
    std::vector<QModelIndex> deeperOpen;
    if (!levels->collapseDeeper) {
        for (std::int32_t node = 0; node < static_cast<std::int32_t>(tree.NodeCount()); ++node) {
            if (tree.Level(node) > levels->level && tree.ChildCount(node) > 0) {
                const QModelIndex index = m_tree.IndexOfNode(node);
                if (view.isExpanded(index)) deeperOpen.push_back(index);
            }
        }
    }
    view.expandToDepth(levels->level);
    for (const QModelIndex& index : deeperOpen) view.expand(index);
    view.scrollTo(m_tree.IndexOfNode(0));
}

void ObjectBrowserHooks::ObjectNodeClicked(std::int32_t node)
{
    auto click = m_browser->ObjectNodeClicked(node);
    if (!click) return;
    m_props.SetRows(std::move(click->panes.properties));
    m_methods.SetRows(std::move(click->panes.methods));
    m_window->lblProps()->setText(Text(click->panes.propertiesCaption));
    m_window->lblMethods()->setText(Text(click->panes.methodsCaption));
    m_window->lblDefault()->setText(Text(click->panes.defaultCaption));
    AutoHelpFor(*m_window->trvObjects());
    m_objectStatus = std::move(click->status);
    m_window->txtStatus()->setPlainText(Text(m_objectStatus));
}

void ObjectBrowserHooks::MemberClicked(const MemberListModel& pane, QTreeView& other, const QModelIndex& index)
{
    const browser::MemberRecord* member = pane.Member(index);
    if (!member) return;
    other.selectionModel()->clear();
    m_window->txtStatus()->setPlainText(Text(browser::MemberStatusText(*member)));
    AutoHelpFor(&other == m_window->trvProps() ? *m_window->trvMethods() : *m_window->trvProps());
}

}  // namespace arbolith
