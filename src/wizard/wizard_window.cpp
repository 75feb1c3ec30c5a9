// SPDX-License-Identifier: MIT
// The wizard window's frame: the tabs, the model list beside them, the
// buttons below, the state shown from the session and the long commands.
#include "wizard/wizard_window.h"

#include "dialogs/window_helpers.h"
#include "wizard/wizard_window_parts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace arbolith {

using namespace wizard_window;

namespace wizard_window {

bool ListRow::operator<(const QTreeWidgetItem& other) const
{
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    const QVariant mine = data(column, kNumberRole), theirs = other.data(column, kNumberRole);
    if (mine.isValid() && theirs.isValid()) return mine.toLongLong() < theirs.toLongLong();
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
}

QTreeWidget* MakeListView(const QString& name, const QStringList& columns, bool multiSelect)
{
    auto* list = Named(new QTreeWidget, name);
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->header()->setDefaultSectionSize(list->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 16);
    list->setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(true);
    // Rows stay in the session's order until a header is clicked.
    list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    // A click on a header sorts by that column; a second click on the same
    // header reverses the order.
    QObject::connect(list->header(), &QHeaderView::sortIndicatorChanged, list, [list](int column, Qt::SortOrder order) {
        if (column >= 0) list->sortItems(column, order);
    });
    return list;
}

void ReplaceRows(QTreeWidget& list, QList<QTreeWidgetItem*> rows)
{
    const QSignalBlocker block(list);
    list.setUpdatesEnabled(false);
    list.clear();
    list.addTopLevelItems(rows);
    const int column = list.header()->sortIndicatorSection();
    if (column >= 0 && !rows.isEmpty()) list.sortItems(column, list.header()->sortIndicatorOrder());
    list.setUpdatesEnabled(true);
}

std::size_t IndexOf(const QTreeWidgetItem& row)
{
    return row.data(0, kIndexRole).toULongLong();
}

std::vector<std::size_t> SelectedIndices(const QTreeWidget& list)
{
    std::vector<std::size_t> indices;
    for (const QTreeWidgetItem* row : list.selectedItems()) indices.push_back(IndexOf(*row));
    std::sort(indices.begin(), indices.end());
    return indices;
}

std::optional<std::size_t> CurrentIndex(const QTreeWidget& list)
{
    const auto selected = list.selectedItems();
    if (selected.isEmpty()) return std::nullopt;
    return IndexOf(*selected.front());
}

QLabel* MakeWrappingLabel(const QString& name, const QString& text)
{
    auto* label = Named(new QLabel(text), name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace wizard_window

// The session may call the main window from the worker thread (showing the
// made model); every call is carried out on the window's thread.
class frmWizard::GuiThreadHost : public WizardHost {
public:
    GuiThreadHost(WizardHost& host, QObject* context) : m_host(host), m_context(context) {}
    bool ShowModel(const std::string& modelKey) override
    {
        bool shown = false;
        RunOnThreadOf(m_context, [&] { shown = m_host.ShowModel(modelKey); });
        return shown;
    }
    std::set<std::int64_t> TreeObjectKeys() const override
    {
        std::set<std::int64_t> keys;
        RunOnThreadOf(m_context, [&] { keys = m_host.TreeObjectKeys(); });
        return keys;
    }
    std::string CurrentModelKey() const override
    {
        std::string key;
        RunOnThreadOf(m_context, [&] { key = m_host.CurrentModelKey(); });
        return key;
    }
    void ClearModel() override
    {
        RunOnThreadOf(m_context, [&] { m_host.ClearModel(); });
    }

private:
    WizardHost& m_host;
    QObject* m_context;
};

namespace {

// The window's size when it opens, in twips.
constexpr int kWidthTwips = 9400, kHeightTwips = 7200;
constexpr int kEdgesTab = 7;  // "Add Edge"

QPushButton* MakeButton(const QString& name, const QString& caption, const QString& tip = {})
{
    auto* button = Named(new QPushButton(caption), name);
    if (!tip.isEmpty()) button->setToolTip(tip);
    return button;
}

}  // namespace

frmWizard::frmWizard(WizardPlaces places, Prompt& prompt, WizardHost& host, std::function<void(int)> showHelp,
                     QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_places(places),
      m_showHelp(std::move(showHelp)),
      m_host(std::make_unique<GuiThreadHost>(host, this)),
      m_prompt(prompt, this),
      m_session(std::make_unique<WizardSession>(std::move(places), m_prompt, *m_host))
{
    setObjectName(QStringLiteral("frmWizard"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    CreateControls();
    ConnectLibraryTab();
    ConnectSettingsTabs();
    Open();
}

frmWizard::~frmWizard()
{
    // Destroyed while work runs (the main window going): the work's end
    // must not close the window, as a close would delete it a second time.
    m_closePending = false;
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_search.Cancel();
    WaitUntilIdle();
}

void frmWizard::CreateControls()
{
    auto& ui = m_ui;
    ui.tabWizard = Named(new QTabWidget, QStringLiteral("tabWizard"));
    // Every tab's caption stays in view: the window is as wide as they need.
    ui.tabWizard->setUsesScrollButtons(false);
    ui.tabWizard->addTab(CreateLibraryTab(), QStringLiteral("Library"));
    ui.tabWizard->addTab(CreateModelTab(), QStringLiteral("Model"));
    ui.tabWizard->addTab(CreateTopTab(), QStringLiteral("Top"));
    ui.tabWizard->addTab(CreateSpecialTab(), QStringLiteral("Special"));
    ui.tabWizard->addTab(CreateExternalEdgesTab(), QStringLiteral("Ext Edges"));
    ui.tabWizard->addTab(CreateCustomObjectsTab(), QStringLiteral("Add Object"));
    ui.tabWizard->addTab(CreateCollectionsTab(), QStringLiteral("Collection"));
    ui.tabWizard->addTab(CreateEdgesTab(), QStringLiteral("Add Edge"));

    // The model list beside the tabs.
    ui.optShowEdges[0] = Named(new QRadioButton(QStringLiteral("Objects")), QStringLiteral("optShowEdges0"));
    ui.optShowEdges[1] = Named(new QRadioButton(QStringLiteral("Edges")), QStringLiteral("optShowEdges1"));
    ui.optShowEdges[0]->setChecked(true);
    ui.lvInModel = MakeListView(QStringLiteral("lvInModel"), {"In", "Object", "Hid", "#Ch", "Ctl", "Key"});
    ui.lvAllEdges = MakeListView(QStringLiteral("lvAllEdges"), {"Parent", "Child"});
    const int letter = ui.lvInModel->fontMetrics().horizontalAdvance(QLatin1Char('x'));
    const int widths[] = {3, 16, 3, 4, 3, 4};
    for (int column = 0; column < 6; ++column) ui.lvInModel->setColumnWidth(column, (widths[column] + 1) * letter);
    // The names take what the list is given beyond the narrow columns.
    ui.lvInModel->header()->setStretchLastSection(false);
    ui.lvInModel->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    ui.modelLists = Named(new QStackedWidget, QStringLiteral("modelLists"));
    ui.modelLists->addWidget(ui.lvInModel);
    ui.modelLists->addWidget(ui.lvAllEdges);
    ui.modelLists->setMinimumWidth(letter * 44);
    ui.lblMissingObjects = MakeWrappingLabel(QStringLiteral("lblMissingObjects"));
    auto* sidePanel = new QWidget;
    auto* side = new QVBoxLayout(sidePanel);
    side->setContentsMargins(0, 0, 0, 0);
    auto* options = new QHBoxLayout;
    options->addWidget(ui.optShowEdges[0]);
    options->addWidget(ui.optShowEdges[1]);
    options->addStretch();
    side->addLayout(options);
    side->addWidget(ui.modelLists, 1);
    side->addWidget(ui.lblMissingObjects);

    // The step and its instructions.
    ui.lblStep = Named(new QLabel(QStringLiteral("1")), QStringLiteral("lblStep"));
    ui.lblStep->setAlignment(Qt::AlignCenter);
    QFont big = ui.lblStep->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    ui.lblStep->setFont(big);
    ui.lblStep->setMinimumWidth(ui.lblStep->fontMetrics().horizontalAdvance(QStringLiteral("88")));
    ui.txtStatus = Named(new QPlainTextEdit, QStringLiteral("txtStatus"));
    ui.txtStatus->setReadOnly(true);
    ui.txtStatus->setFixedHeight(ui.txtStatus->fontMetrics().lineSpacing() * 5 + 12);
    auto* step = new QHBoxLayout;
    step->addWidget(ui.lblStep);
    step->addWidget(ui.txtStatus, 1);

    // The buttons, and the work in progress at their left.
    ui.prgBusy = Named(new QProgressBar, QStringLiteral("prgBusy"));
    // A step per caption of the work; a bar that only moves when a step is
    // done, as an animated one would take a share of the processor from it.
    ui.prgBusy->setTextVisible(false);
    ui.prgBusy->setMaximumWidth(120);
    ui.prgBusy->hide();
    ui.lblBusy = Named(new QLabel, QStringLiteral("lblBusy"));
    ui.cmdRestore = MakeButton(QStringLiteral("cmdRestore"), QStringLiteral("Restore"),
                               QStringLiteral("Restore INF settings to factory values"));
    ui.cmdDelete = MakeButton(QStringLiteral("cmdDelete"), QStringLiteral("Delete Model"),
                              QStringLiteral("Delete Current Model (INF and DAT)"));
    ui.cmdHelp =
        MakeButton(QStringLiteral("cmdHelp"), QStringLiteral("&Help"), QStringLiteral("Help Documentation for Wizard"));
    ui.cmdClose = MakeButton(QStringLiteral("cmdClose"), QStringLiteral("Close"), QStringLiteral("Close Wizard"));
    ui.cmdMakeModel = MakeButton(QStringLiteral("cmdMakeModel"), QStringLiteral("&Make Model"),
                                 QStringLiteral("Make Model Using Current Wizard Settings"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ui.prgBusy);
    buttons->addWidget(ui.lblBusy, 1);
    for (QPushButton* button : {ui.cmdRestore, ui.cmdDelete, ui.cmdHelp, ui.cmdClose, ui.cmdMakeModel})
        buttons->addWidget(button);

    // The user may give the tabs or the model list more room.
    auto* split = Named(new QSplitter(Qt::Horizontal), QStringLiteral("splWizard"));
    split->addWidget(ui.tabWizard);
    split->addWidget(sidePanel);
    split->setChildrenCollapsible(false);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* grid = new QGridLayout(this);
    grid->addWidget(split, 0, 0);
    grid->addLayout(step, 1, 0);
    grid->addLayout(buttons, 2, 0);
    grid->setRowStretch(0, 1);

    connect(ui.tabWizard, &QTabWidget::currentChanged, this, [this](int tab) { TabChanged(tab); });
    connect(ui.optShowEdges[0], &QRadioButton::toggled, this, [this](bool on) { ShowModelList(!on); });
    connect(ui.cmdRestore, &QPushButton::clicked, this, [this] { RestoreSettings(); });
    connect(ui.cmdDelete, &QPushButton::clicked, this, [this] { DeleteModel(); });
    connect(ui.cmdHelp, &QPushButton::clicked, this, [this] {
        if (m_showHelp) m_showHelp(WizardSession::HelpContext(m_ui.tabWizard->currentIndex()));
    });
    connect(ui.cmdClose, &QPushButton::clicked, this, [this] { close(); });
    connect(ui.cmdMakeModel, &QPushButton::clicked, this, [this] { MakeModel(); });
}

void frmWizard::Open()
{
    // The opening size, on the screen of the window that opens the wizard.
    const double dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96.0, dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    const QSize wanted(static_cast<int>(kWidthTwips * dpiX / 1440.0 + 0.5),
                       static_cast<int>(kHeightTwips * dpiY / 1440.0 + 0.5));
    resize(wanted.expandedTo(minimumSizeHint()));
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (screen) {
        const QRect area = screen->geometry();
        CenterForm(*this,
                   ScreenPixels{static_cast<std::int16_t>(area.width()), static_cast<std::int16_t>(area.height())});
        move(pos() + area.topLeft());
    }

    ShowSearchResults(LoadSearchResults(m_places.settingsFile));
    FillDatFiles();
    m_ui.optAction[0]->setChecked(true);
    ChooseAction(WizardAction::Browse);
    m_session->InitializeWizard(WizardStage::Start);
    m_session->libDescText = "Click Help button for detailed instructions on using this wizard";
    m_session->FillCategoriesList();
    RestoreBrowseSettings();
    ShowLists();
    ShowState();
    m_ui.tabWizard->setCurrentIndex(0);
    m_ui.lblStep->setText(QStringLiteral("1"));
    m_ui.txtStatus->setPlainText(Q(WizardSession::InstructionText(0, true)));
}

// --- Widgets and session -----------------------------------------------------

void frmWizard::ReadControls()
{
    auto& s = *m_session;
    const auto& ui = m_ui;
    // A path that is not UTF-8 shows with replacement characters; the
    // session keeps its bytes unless the user has changed the text.
    if (ui.txtLibrary->text() != Q(s.libraryText)) s.libraryText = S(ui.txtLibrary->text());
    s.resourceNumber = S(ui.txtResourceNumber->text());
    s.includeInterfaces = ui.chkInterfaces->isChecked();
    s.includeModules = ui.chkModules->isChecked();
    s.settings.modelName = S(ui.txtModelName->text());
    s.settings.category = S(ui.txtCategory->text());
    s.settings.topIsCustom = ui.optTopType[1]->isChecked();
    s.settings.builtInTopObject = S(ui.txtBuiltInTop->text());
    s.settings.customTopObject = S(ui.txtCustomTop->text());
    s.settings.topOnlyOnce = ui.chkTopOnlyOnce->isChecked();
    s.settings.makeEventsObject = ui.chkMakeEventsObject->isChecked();
    s.settings.makeControlsObject = ui.chkMakeControlsObject->isChecked();
    s.settings.globalObject = ui.chkGlobal->isChecked();
    for (int i = 0; i < 5; ++i)
        if (ui.optEdgeName[i]->isChecked()) s.labelOption = static_cast<EdgeLabelOption>(i);
    // The connections and the ticks of the external edges follow each click
    // into the session already.
}

void frmWizard::ShowState()
{
    const auto& s = *m_session;
    auto& ui = m_ui;
    setWindowTitle(Q(s.Caption()));
    const bool busy = IsBusy();
    for (int tab = 1; tab < ui.tabWizard->count(); ++tab) ui.tabWizard->setTabEnabled(tab, s.TabsEnabled());
    if (!s.TabsEnabled()) ui.tabWizard->setCurrentIndex(0);
    ui.tabWizard->setEnabled(!busy);
    ui.cmdMakeModel->setEnabled(!busy && s.TabsEnabled());
    ui.cmdRestore->setEnabled(!busy && s.RestoreEnabled());
    ui.cmdDelete->setEnabled(!busy && s.DeleteEnabled());
    ui.lblMissingObjects->setText(Q(s.missingObjectsText));
    // The "In" column means something only once the model is made.
    ui.lvInModel->setColumnHidden(0, !s.inColumnShown);
    ShowLibraryTab();
    ShowSettings();
}

void frmWizard::ShowLists()
{
    FillInModel();
    FillAllEdges();
    FillProlific();
    FillConnectToTop();
    FillExternalEdges();
    FillCustomObjects();
    FillCollections();
    // The longest list, and only read: filled when its tab is first shown.
    m_returnTypesShown = false;
    if (m_ui.tabWizard->currentIndex() == kEdgesTab) FillReturnTypes();
    FillObjectLists();
    FillEdges();
    FillCategories();
}

void frmWizard::FillInModel()
{
    QList<QTreeWidgetItem*> rows;
    const auto& objects = m_session->lists.inModel;
    rows.reserve(static_cast<qsizetype>(objects.size()));
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const auto& o = objects[i];
        auto* row = new ListRow({o.in ? "x" : "", Q(o.name), o.hidden ? "x" : "", QString::number(o.childCount),
                                 o.control ? "x" : "", QString::number(o.key)},
                                i);
        row->SetNumber(3, o.childCount);
        row->SetNumber(5, o.key);
        rows.append(row);
    }
    ReplaceRows(*m_ui.lvInModel, std::move(rows));
}

void frmWizard::FillAllEdges()
{
    QList<QTreeWidgetItem*> rows;
    const auto& edges = m_session->lists.allEdges;
    rows.reserve(static_cast<qsizetype>(edges.size()));
    for (std::size_t i = 0; i < edges.size(); ++i) rows.append(new ListRow({Q(edges[i].parent), Q(edges[i].child)}, i));
    ReplaceRows(*m_ui.lvAllEdges, std::move(rows));
}

void frmWizard::ShowModelList(bool edges)
{
    m_ui.modelLists->setCurrentIndex(edges ? 1 : 0);
}

// --- Tabs and buttons --------------------------------------------------------

void frmWizard::TabChanged(int tab)
{
    m_ui.lblStep->setText(QString::number(tab + 1));
    m_ui.txtStatus->setPlainText(Q(WizardSession::InstructionText(tab)));
    if (tab == 0) m_ui.fraActions->setCurrentIndex(static_cast<int>(m_session->action));
    if (tab == kEdgesTab && !m_returnTypesShown && !IsBusy()) FillReturnTypes();
}

void frmWizard::SetBusy(bool busy)
{
    m_busy = busy;
    m_ui.prgBusy->setVisible(busy);
    if (busy) {
        // Only the enabling changes: the session is not to be read now.
        for (QWidget* control :
             std::initializer_list<QWidget*>{m_ui.tabWizard, m_ui.cmdMakeModel, m_ui.cmdRestore, m_ui.cmdDelete})
            control->setEnabled(false);
        return;
    }
    m_ui.lblBusy->clear();
    ShowState();
}

void frmWizard::ShowBusyCaption(const std::string& caption)
{
    QProgressBar& bar = *m_ui.prgBusy;
    if (bar.value() < bar.maximum()) bar.setValue(bar.value() + 1);
    m_ui.lblBusy->setText(Q(caption));
    m_ui.lblAlert->setText(Q(caption));
}

void frmWizard::RunLongCommand(int steps, std::function<void(ProgressSink&)> command, std::function<void()> done)
{
    m_ui.prgBusy->setRange(0, steps);
    m_ui.prgBusy->setValue(0);
    auto progress =
        std::make_shared<QueuedProgress>(this, [this](const std::string& caption) { ShowBusyCaption(caption); });
    SetBusy(true);
    const bool started = m_work.Start([command = std::move(command), progress] { command(*progress); },
                                      [this, done = std::move(done)] {
                                          m_busy = false;
                                          done();
                                          SetBusy(false);
                                          if (m_closePending) CloseWhenIdle();
                                      });
    if (!started) SetBusy(false);
}

void frmWizard::MakeOrLoadDataFile()
{
    if (IsBusy()) return;
    ReadControls();
    // The extraction's captions, from "Extracting data from library ..." to
    // "Data file created successfully".
    constexpr int kExtractionSteps = 12;
    RunLongCommand(
        kExtractionSteps, [this](ProgressSink& progress) { m_session->MakeOrLoadDataFile(progress); },
        [this] {
            ShowLists();
            ShowState();
        });
}

void frmWizard::MakeModel()
{
    if (IsBusy()) return;
    ReadControls();
    auto outcome = std::make_shared<WizardSession::MakeModelOutcome>();
    RunLongCommand(
        1, [this, outcome](ProgressSink& progress) { *outcome = m_session->MakeModelCommand(progress); },
        [this, outcome] {
            ShowLists();
            ShowState();
            if (outcome->showTab) m_ui.tabWizard->setCurrentIndex(*outcome->showTab);
        });
}

void frmWizard::DeleteModel()
{
    if (IsBusy()) return;
    ReadControls();
    m_session->DeleteModel();
    ShowLists();
    ShowState();
}

void frmWizard::RestoreSettings()
{
    if (IsBusy()) return;
    ReadControls();
    m_session->Restore();
    ShowLists();
    ShowState();
}

bool frmWizard::WaitUntilIdle(int timeoutMs)
{
    return m_work.WaitForFinished(timeoutMs) && m_search.WaitForFinished(timeoutMs) && !m_busy;
}

void frmWizard::CloseWhenIdle()
{
    if (IsBusy() || IsSearching()) return;
    m_closePending = false;
    close();
}

void frmWizard::closeEvent(QCloseEvent* event)
{
    // A search stops at once; a DAT file or model being made is finished
    // first (stopping it half-way would leave a half-written file), then the
    // window closes by itself.
    if (IsBusy() || IsSearching()) {
        m_search.Cancel();
        m_closePending = true;
        m_ui.lblBusy->setText(QStringLiteral("Closing when the current work is done..."));
        m_ui.cmdClose->setEnabled(false);
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace arbolith
