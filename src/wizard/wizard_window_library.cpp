// SPDX-License-Identifier: MIT
// Tab 0 of the wizard window: the four ways to find a library (browse,
// search, existing DAT files, the registry), the chosen library's first
// look, and Make/Load Data File.
#include "platform/ini.h"
#include "platform/profile.h"
#include "wizard/wizard_window.h"
#include "wizard/wizard_window_parts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <QValidator>
#include <algorithm>

namespace arbolith {

using namespace wizard_window;

namespace {

constexpr std::string_view kBrowseSection = "BrowseSettings";

// The resource-number box refuses a keystroke that would make its text
// something other than a resource number; empty is allowed while typing.
class ResourceNumberValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return ResourceNumberAcceptable(S(input)) ? Acceptable : Invalid;
    }
};

QPushButton* MakeButton(const QString& name, const QString& caption)
{
    return Named(new QPushButton(caption), name);
}

QString Join(const std::filesystem::path& folder, const QString& file)
{
    return Q((folder / S(file)).string());
}

}  // namespace

QWidget* frmWizard::CreateLibraryTab()
{
    auto& ui = m_ui;
    auto* tab = new QWidget;
    auto* actions = Named(new QGroupBox, QStringLiteral("fraActionType"));
    auto* actionRow = new QHBoxLayout(actions);
    const char* captions[] = {"Browse", "Search", "Load Data File", "Registry"};
    auto* actionGroup = new QButtonGroup(tab);
    for (int i = 0; i < 4; ++i) {
        ui.optAction[i] = Named(new QRadioButton(captions[i]), QStringLiteral("optAction%1").arg(i));
        actionGroup->addButton(ui.optAction[i], i);
        actionRow->addWidget(ui.optAction[i]);
    }
    actionRow->addStretch();
    connect(actionGroup, &QButtonGroup::idClicked, this,
            [this](int id) { ChooseAction(static_cast<WizardAction>(id)); });

    ui.fraActions = Named(new QStackedWidget, QStringLiteral("fraActions"));
    ui.fraAction[0] = CreateBrowseFrame();
    ui.fraAction[1] = CreateSearchFrame();
    ui.fraAction[2] = CreateDatFrame();
    ui.fraAction[3] = CreateRegistryFrame();
    for (int i = 0; i < 4; ++i) {
        ui.fraAction[i]->setObjectName(QStringLiteral("fraAction%1").arg(i));
        ui.fraActions->addWidget(ui.fraAction[i]);
    }

    ui.txtLibrary = Named(new QLineEdit, QStringLiteral("txtLibrary"));
    ui.txtResourceNumber = Named(new QLineEdit(QStringLiteral("1")), QStringLiteral("txtResourceNumber"));
    ui.txtResourceNumber->setValidator(new ResourceNumberValidator(ui.txtResourceNumber));
    ui.txtResourceNumber->setMaximumWidth(ui.txtResourceNumber->fontMetrics().horizontalAdvance(QStringLiteral("0")) *
                                          8);
    ui.lblLibDesc = MakeWrappingLabel(QStringLiteral("lblLibDesc"));
    ui.lblLibDesc->setFrameShape(QFrame::StyledPanel);
    ui.lblLibDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui.lblLibDesc->setMinimumHeight(ui.lblLibDesc->fontMetrics().lineSpacing() * 4 + 8);
    ui.lblAlert = MakeWrappingLabel(QStringLiteral("lblAlert"));
    ui.lblAlert->setMinimumHeight(ui.lblAlert->fontMetrics().lineSpacing() * 2 + 4);
    ui.lblAlert->setAutoFillBackground(true);
    ui.chkInterfaces = Named(new QCheckBox(QStringLiteral("Include 0 interfaces")), QStringLiteral("chkInterfaces"));
    ui.chkModules = Named(new QCheckBox(QStringLiteral("Include 0 modules")), QStringLiteral("chkModules"));
    ui.cmdMakeDat = MakeButton(QStringLiteral("cmdMakeDat"), QStringLiteral("Make Data File"));
    ui.cmdTips = MakeButton(QStringLiteral("cmdTips"), QStringLiteral("Tips"));

    auto* library = new QHBoxLayout;
    library->addWidget(new QLabel(QStringLiteral("Library")));
    library->addWidget(ui.txtLibrary, 1);
    library->addWidget(new QLabel(QStringLiteral("Res Number")));
    library->addWidget(ui.txtResourceNumber);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ui.chkInterfaces);
    bottom->addWidget(ui.chkModules);
    bottom->addStretch();
    bottom->addWidget(ui.cmdTips);
    bottom->addWidget(ui.cmdMakeDat);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(actions);
    layout->addWidget(ui.fraActions, 1);
    layout->addLayout(library);
    layout->addWidget(ui.lblLibDesc);
    layout->addWidget(ui.lblAlert);
    layout->addLayout(bottom);
    return tab;
}

QWidget* frmWizard::CreateBrowseFrame()
{
    auto& ui = m_ui;
    auto* frame = new QWidget;
    ui.drvBrowse = Named(new QComboBox, QStringLiteral("drvBrowse"));
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_folders->setReadOnly(true);
    ui.dirBrowse = Named(new QTreeView, QStringLiteral("dirBrowse"));
    ui.dirBrowse->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column) ui.dirBrowse->hideColumn(column);
    ui.dirBrowse->setHeaderHidden(true);
    // Folders by name, as a folder list shows them.
    ui.dirBrowse->setSortingEnabled(true);
    ui.dirBrowse->sortByColumn(0, Qt::AscendingOrder);
    ui.fileBrowse = Named(new QListWidget, QStringLiteral("fileBrowse"));
    auto* show = Named(new QGroupBox(QStringLiteral("Show")), QStringLiteral("fraShowType"));
    auto* showRow = new QHBoxLayout(show);
    const char* captions[] = {"all", "libs, execs", "libs"};
    auto* group = new QButtonGroup(frame);
    for (int i = 0; i < 3; ++i) {
        ui.optShowType[i] = Named(new QRadioButton(captions[i]), QStringLiteral("optShowType%1").arg(i));
        group->addButton(ui.optShowType[i], i);
        showRow->addWidget(ui.optShowType[i]);
    }
    ui.optShowType[2]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { ChooseShowType(id); });

    auto* left = new QVBoxLayout;
    left->addWidget(ui.drvBrowse);
    left->addWidget(ui.dirBrowse, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(ui.fileBrowse, 1);
    right->addWidget(show);
    auto* layout = new QHBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);
    return frame;
}

QWidget* frmWizard::CreateSearchFrame()
{
    auto& ui = m_ui;
    auto* frame = Named(new QGroupBox(QStringLiteral("Search for all files with extension OLB or TLB")),
                        QStringLiteral("fraSearch"));
    ui.drvSearch = Named(new QComboBox, QStringLiteral("drvSearch"));
    ui.cmdSearch = MakeButton(QStringLiteral("cmdSearch"), QStringLiteral("Search"));
    ui.lblSearchProgress = Named(new QLabel, QStringLiteral("lblSearchProgress"));
    ui.lvLibrarySearch = MakeListView(QStringLiteral("lvLibrarySearch"), {"OLB/TLBs", "Path"});
    ui.lblSearch = Named(new QLabel, QStringLiteral("lblSearch"));
    auto* row = new QHBoxLayout;
    row->addWidget(ui.drvSearch, 1);
    row->addWidget(ui.cmdSearch);
    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(row);
    layout->addWidget(ui.lblSearchProgress);
    layout->addWidget(ui.lblSearch);
    layout->addWidget(ui.lvLibrarySearch, 1);
    return frame;
}

QWidget* frmWizard::CreateDatFrame()
{
    auto& ui = m_ui;
    auto* frame = Named(new QGroupBox(QStringLiteral(
                            "To make changes to an existing ARL data file, choose the file and click Load button")),
                        QStringLiteral("fraDatFiles"));
    ui.lstDatFiles = Named(new QListWidget, QStringLiteral("lstDatFiles"));
    ui.txtDatFileModel = Named(new QLineEdit, QStringLiteral("txtDatFileModel"));
    ui.txtDatFileModel->setReadOnly(true);
    auto* model = new QHBoxLayout;
    model->addWidget(new QLabel(QStringLiteral("Model")));
    model->addWidget(ui.txtDatFileModel, 1);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(ui.lstDatFiles, 1);
    layout->addLayout(model);
    return frame;
}

QWidget* frmWizard::CreateRegistryFrame()
{
    auto& ui = m_ui;
    auto* frame = new QWidget;
    ui.cmdGetRegValues = MakeButton(QStringLiteral("cmdGetRegValues"), QStringLiteral("Read Registry"));
    ui.lvRefs = MakeListView(QStringLiteral("lvRefs"), {"Library", "Path"});
    ui.lblRegistryNote = MakeWrappingLabel(QStringLiteral("lblRegistryNote"));
    ui.lblRegistryNote->hide();
    auto* row = new QHBoxLayout;
    row->addWidget(ui.cmdGetRegValues);
    row->addStretch();
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(ui.lvRefs, 1);
    layout->addWidget(ui.lblRegistryNote);
    return frame;
}

void frmWizard::ConnectLibraryTab()
{
    auto& ui = m_ui;
    FillBrowseRoots();
    connect(ui.drvBrowse, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < m_roots.size()) ShowBrowseFolder(m_roots[index].path);
    });
    connect(ui.dirBrowse->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { BrowseFolderChanged(); });
    auto pickFile = [this](QListWidgetItem* item) {
        if (!item || IsBusy()) return;
        const auto folder = S(m_folders->filePath(m_ui.dirBrowse->currentIndex()));
        ChooseLibrary(S(Join(folder, item->text())), 0);
    };
    connect(ui.fileBrowse, &QListWidget::itemClicked, this, pickFile);
    connect(ui.fileBrowse, &QListWidget::itemActivated, this, pickFile);
    connect(ui.fileBrowse, &QListWidget::itemDoubleClicked, this, [this] { MakeOrLoadDataFile(); });

    auto pickFound = [this](QTreeWidgetItem* item) {
        if (!item || IsBusy() || IndexOf(*item) >= m_found.size()) return;
        const FoundLibrary& found = m_found[IndexOf(*item)];
        ChooseLibrary(found.folder + found.fileName, 0);
    };
    connect(ui.lvLibrarySearch, &QTreeWidget::itemClicked, this, pickFound);
    connect(ui.lvLibrarySearch, &QTreeWidget::itemActivated, this, pickFound);
    connect(ui.lvLibrarySearch, &QTreeWidget::itemDoubleClicked, this, [this] { MakeOrLoadDataFile(); });
    connect(ui.cmdSearch, &QPushButton::clicked, this, [this] { StartOrCancelSearch(); });

    auto pickRegistered = [this](QTreeWidgetItem* item) {
        if (!item || IsBusy()) return;
        // A registration without a resource number names the first one.
        ChooseLibrary(S(item->text(1)), std::max(1u, item->data(1, Qt::UserRole).toUInt()));
    };
    connect(ui.lvRefs, &QTreeWidget::itemClicked, this, pickRegistered);
    connect(ui.lvRefs, &QTreeWidget::itemActivated, this, pickRegistered);
    connect(ui.lvRefs, &QTreeWidget::itemDoubleClicked, this, [this] { MakeOrLoadDataFile(); });
    connect(ui.cmdGetRegValues, &QPushButton::clicked, this, [this] { ReadRegistryList(); });

    connect(ui.lstDatFiles, &QListWidget::itemClicked, this, [this] { ChooseDatFile(); });
    connect(ui.lstDatFiles, &QListWidget::itemActivated, this, [this] { ChooseDatFile(); });
    connect(ui.lstDatFiles, &QListWidget::itemDoubleClicked, this, [this] { MakeOrLoadDataFile(); });

    connect(ui.chkInterfaces, &QCheckBox::toggled, this, [this](bool on) { m_session->includeInterfaces = on; });
    connect(ui.chkModules, &QCheckBox::toggled, this, [this](bool on) { m_session->includeModules = on; });
    connect(ui.txtResourceNumber, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session->resourceNumber = S(text); });
    connect(ui.txtLibrary, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_session->libraryText = S(text); });
    // A path typed or pasted into the box is looked at once it is complete.
    connect(ui.txtLibrary, &QLineEdit::returnPressed, this, [this] {
        if (!IsBusy()) ChooseLibrary(S(m_ui.txtLibrary->text()), 0);
    });
    connect(ui.cmdMakeDat, &QPushButton::clicked, this, [this] { MakeOrLoadDataFile(); });
    connect(ui.cmdTips, &QPushButton::clicked, this, [this] {
        if (m_showHelp) m_showHelp(4);
    });
}

// --- Showing the session -----------------------------------------------------

void frmWizard::ShowLibraryTab()
{
    const auto& s = *m_session;
    auto& ui = m_ui;
    ui.txtLibrary->setText(Q(s.libraryText));
    if (S(ui.txtResourceNumber->text()) != s.resourceNumber) ui.txtResourceNumber->setText(Q(s.resourceNumber));
    ui.lblLibDesc->setText(Q(s.libDescText));
    const bool loading = s.action == WizardAction::LoadDataFile;
    {
        const QSignalBlocker a(ui.chkInterfaces), b(ui.chkModules);
        ui.chkInterfaces->setText(Q(s.interfacesCaption));
        ui.chkModules->setText(Q(s.modulesCaption));
        ui.chkInterfaces->setChecked(s.includeInterfaces);
        ui.chkModules->setChecked(s.includeModules);
    }
    ui.chkInterfaces->setEnabled(!loading && s.interfacesBoxEnabled);
    ui.chkModules->setEnabled(!loading && s.modulesBoxEnabled);
    ui.cmdMakeDat->setText(loading ? QStringLiteral("Load Data File") : QStringLiteral("Make Data File"));
    ui.cmdMakeDat->setEnabled(!IsBusy() && (loading ? ui.lstDatFiles->currentItem() != nullptr : s.MakeDatEnabled()));
    ShowAlert();
}

// The alert's colour says how the chosen library looks: green when it can be
// made into a DAT file, yellow for a warning, red for a library that cannot.
void frmWizard::ShowAlert()
{
    const auto& s = *m_session;
    QLabel& alert = *m_ui.lblAlert;
    alert.setText(Q(s.alertText));
    QColor background, text = Qt::white;
    const bool judged = s.Stage() == WizardStage::Start && !s.libraryText.empty() && !IsBusy();
    if (judged) {
        switch (s.Prelim().result) {
            case PrelimResult::Fine:
                background = QColor(0, 128, 0);
                break;
            case PrelimResult::Big:
            case PrelimResult::NoObjects:
                background = QColor(255, 255, 0);
                text = Qt::black;
                break;
            case PrelimResult::Error:
                background = QColor(255, 0, 0);
                break;
        }
    }
    QPalette palette = alert.parentWidget() ? alert.parentWidget()->palette() : alert.palette();
    if (background.isValid()) {
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::WindowText, text);
    }
    alert.setAutoFillBackground(background.isValid());
    alert.setPalette(palette);
}

// --- Actions ------------------------------------------------------------------

void frmWizard::ChooseAction(WizardAction action)
{
    m_session->action = action;
    m_ui.optAction[static_cast<int>(action)]->setChecked(true);
    m_ui.fraActions->setCurrentIndex(static_cast<int>(action));
    if (action == WizardAction::LoadDataFile) FillDatFiles();
    ShowLibraryTab();
}

void frmWizard::ChooseLibraryFile(const std::string& path, std::uint32_t resource)
{
    if (IsBusy()) return;
    m_ui.tabWizard->setCurrentIndex(0);
    ChooseAction(WizardAction::Browse);
    ShowBrowseFolder(std::filesystem::path(path).parent_path());
    ChooseLibrary(path, resource);
}

void frmWizard::ChooseLibrary(const std::string& path, std::uint32_t resource)
{
    ReadControls();
    // A library picked from the files or the search results keeps the
    // resource number typed in the box; a registered one brings its own.
    const std::string& typed = m_session->resourceNumber;
    if (resource == 0 && !typed.empty() && ResourceNumberAcceptable(typed))
        resource = static_cast<std::uint32_t>(std::strtoul(typed.c_str(), nullptr, 10));
    m_session->ChooseLibrary(path, resource);
    ShowLists();
    ShowState();
}

// --- Browse -------------------------------------------------------------------

void frmWizard::FillBrowseRoots()
{
    const auto prefixes = FindWinePrefixes();
    m_roots = BrowseRoots(prefixes);
    for (QComboBox* box : {m_ui.drvBrowse, m_ui.drvSearch}) {
        box->clear();
        for (const auto& root : m_roots) box->addItem(Q(root.label), Q(root.path.string()));
    }
}

void frmWizard::ShowBrowseFolder(const std::filesystem::path& folder)
{
    // The root whose folder holds `folder` most closely becomes the tree's top.
    int best = -1;
    std::size_t bestLength = 0;
    const std::string text = folder.lexically_normal().string();
    for (std::size_t i = 0; i < m_roots.size(); ++i) {
        std::string root = m_roots[i].path.lexically_normal().string();
        if (!root.empty() && root.back() != '/') root += '/';
        if ((text + '/').starts_with(root) && root.size() >= bestLength) {
            best = static_cast<int>(i);
            bestLength = root.size();
        }
    }
    if (best >= 0) {
        m_ui.drvBrowse->setCurrentIndex(best);
        const QString rootPath = Q(m_roots[best].path.string());
        m_folders->setRootPath(rootPath);
        m_ui.dirBrowse->setRootIndex(m_folders->index(rootPath));
    }
    const QModelIndex index = m_folders->index(Q(folder.string()));
    if (index.isValid()) {
        m_ui.dirBrowse->setCurrentIndex(index);
        m_ui.dirBrowse->scrollTo(index);
    }
    FillFileList();
}

void frmWizard::BrowseFolderChanged()
{
    FillFileList();
    const std::string folder = S(m_folders->filePath(m_ui.dirBrowse->currentIndex()));
    if (folder.empty() || m_places.settingsFile.empty()) return;
    PutIniString(kBrowseSection, "Directory", folder, m_places.settingsFile);
}

void frmWizard::FillFileList()
{
    auto& list = *m_ui.fileBrowse;
    list.clear();
    const QModelIndex current = m_ui.dirBrowse->currentIndex();
    if (!current.isValid()) return;
    auto files = BrowseFiles(S(m_folders->filePath(current)), m_showType);
    if (!files) return;  // an unreadable folder shows no files
    QStringList names;
    names.reserve(static_cast<qsizetype>(files->size()));
    for (const auto& name : *files) names.append(Q(name));
    list.addItems(names);
}

void frmWizard::ChooseShowType(int showType)
{
    m_showType = NormalizeShowType(showType);
    m_ui.optShowType[m_showType]->setChecked(true);
    FillFileList();
    if (!m_places.settingsFile.empty())
        PutIniString(kBrowseSection, "ShowType", std::to_string(m_showType), m_places.settingsFile);
}

void frmWizard::RestoreBrowseSettings()
{
    std::string folder, showType;
    if (!m_places.settingsFile.empty()) {
        folder = GetIniString(kBrowseSection, "Directory", "", m_places.settingsFile);
        showType = GetIniString(kBrowseSection, "ShowType", "2", m_places.settingsFile);
    }
    const auto number = ParseIniNumber(showType);
    m_showType = NormalizeShowType(number ? *number : 2);
    m_ui.optShowType[m_showType]->setChecked(true);
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) {
        ShowBrowseFolder(folder);
    } else if (!m_roots.empty()) {
        // The home folder when nothing was remembered.
        const char* home = std::getenv("HOME");
        ShowBrowseFolder(home && *home ? std::filesystem::path(home) : m_roots.front().path);
    }
}

// --- Existing DAT files ---------------------------------------------------------

void frmWizard::FillDatFiles()
{
    auto& list = *m_ui.lstDatFiles;
    list.clear();
    for (const auto& name : ListDatFiles(m_places.modelsFolder)) list.addItem(Q(name));
    m_ui.txtDatFileModel->clear();
}

void frmWizard::ChooseDatFile()
{
    const QListWidgetItem* item = m_ui.lstDatFiles->currentItem();
    if (!item || IsBusy()) return;
    ReadControls();
    m_session->selectedDatFile = S(item->text());
    const DatFileDescription description = m_session->DescribeSelectedDatFile();
    m_ui.txtDatFileModel->setText(Q(description.modelName));
    ShowLibraryTab();
}

// --- Registry -----------------------------------------------------------------

void frmWizard::ReadRegistryList()
{
    const auto prefixes = FindWinePrefixes();
    const RegistryListing listing = ReadRegistry(prefixes);
    QList<QTreeWidgetItem*> rows;
    for (std::size_t i = 0; i < listing.libraries.size(); ++i) {
        const auto& library = listing.libraries[i];
        auto* row = new ListRow({Q(library.description), Q(library.path)}, i);
        row->setData(1, Qt::UserRole, library.resource);
        row->setToolTip(0, Q(library.description));
        row->setToolTip(1, Q(library.path));
        if (!library.fileExists) {
            // Registered, but its file is not on this machine.
            row->setForeground(0, QPalette().brush(QPalette::Disabled, QPalette::Text));
            row->setForeground(1, QPalette().brush(QPalette::Disabled, QPalette::Text));
        }
        rows.append(row);
    }
    ReplaceRows(*m_ui.lvRefs, std::move(rows));
    // Descriptions are read whole, up to half the list's width; a path
    // keeps its file name in view.
    QTreeWidget& list = *m_ui.lvRefs;
    list.setTextElideMode(Qt::ElideMiddle);
    list.resizeColumnToContents(0);
    list.setColumnWidth(0, std::min(list.columnWidth(0), list.viewport()->width() / 2));
    m_ui.lblRegistryNote->setText(Q(listing.note));
    m_ui.lblRegistryNote->setVisible(!listing.note.empty());
}

// --- Search -------------------------------------------------------------------

void frmWizard::StartOrCancelSearch()
{
    if (IsSearching()) {
        m_search.Cancel();
        m_ui.cmdSearch->setEnabled(false);  // until the search has stopped
        return;
    }
    const int index = m_ui.drvSearch->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_roots.size()) return;
    const BrowseRoot root = m_roots[index];
    const std::atomic<bool>* cancel = m_search.CancelFlag();
    auto outcome = std::make_shared<SearchOutcome>();
    QueuedProgress progress(this, [this](const std::string& text) { m_ui.lblSearchProgress->setText(Q(text)); });
    auto report = [progress](const SearchProgress& p) mutable {
        progress.Caption("Folders searched: " + std::to_string(p.foldersVisited) +
                         "   Libraries found: " + std::to_string(p.librariesFound));
    };
    m_ui.cmdSearch->setText(QStringLiteral("Cancel"));
    m_ui.drvSearch->setEnabled(false);
    m_ui.lblSearchProgress->setText(QStringLiteral("Searching..."));
    m_search.Start(
        [root, cancel, outcome, report] { *outcome = FindLibraries(root.path, root.wineDrive, cancel, report); },
        [this, outcome, label = root.label] { SearchFinished(std::move(*outcome), label); });
}

void frmWizard::SearchFinished(SearchOutcome outcome, std::string rootLabel)
{
    auto& ui = m_ui;
    ui.cmdSearch->setText(QStringLiteral("Search"));
    ui.cmdSearch->setEnabled(true);
    ui.drvSearch->setEnabled(true);
    ShowSearchResults(outcome.found);
    ui.lblSearch->setText(Q(SearchCaption(rootLabel)));
    QString summary = QStringLiteral("Folders searched: %1   Libraries found: %2")
                          .arg(outcome.foldersVisited)
                          .arg(outcome.found.size());
    if (outcome.cancelled) {
        // A cancelled search shows what it found but keeps the last complete
        // search's saved results.
        summary += QStringLiteral("   (cancelled)");
    } else if (!m_places.settingsFile.empty()) {
        auto saved = SaveSearchResults(m_places.settingsFile, outcome.found);
        if (!saved)
            m_prompt.Tell("The search results could not be saved. " + saved.error().description,
                          PromptIcon::Exclamation);
    }
    ui.lblSearchProgress->setText(summary);
    if (m_closePending) CloseWhenIdle();
}

void frmWizard::ShowSearchResults(const std::vector<FoundLibrary>& found)
{
    m_found = found;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(found.size()));
    for (std::size_t i = 0; i < found.size(); ++i)
        rows.append(new ListRow({Q(found[i].fileName), Q(found[i].folder)}, i));
    ReplaceRows(*m_ui.lvLibrarySearch, std::move(rows));
    if (!found.empty()) {
        m_ui.lblSearch->setText(Q(SearchCaption(found.front().folder)));
    } else {
        m_ui.lblSearch->clear();
    }
}

}  // namespace arbolith
