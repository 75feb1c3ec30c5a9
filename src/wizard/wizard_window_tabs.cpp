// SPDX-License-Identifier: MIT
// Tabs 1 to 7 of the wizard window: the model's name and category, the top
// object and its connections, the pseudo-objects, external edges, custom
// objects, collection corrections and extra edges.
#include "wizard/wizard_window.h"
#include "wizard/wizard_window_parts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace arbolith {

using namespace wizard_window;

namespace {

QPushButton* MakeButton(const QString& name, const QString& caption)
{
    return Named(new QPushButton(caption), name);
}

// Selects the whole text whenever the box receives the focus.
class SelectAllLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QLineEdit::focusInEvent(event);
        // After the click that brought the focus has placed the cursor.
        QTimer::singleShot(0, this, &QLineEdit::selectAll);
    }
};

const char* const kEventsText =
    "If the model has missing objects whose names end in 'Events' (as shown on the far right), then you might want "
    "to check the Events check box below (assuming it is enabled). This will cause ARL to create a new 'object' "
    "called <Events>, connect it to the top object and connect all objects whose name ends in 'Events' to <Events>.";
const char* const kControlsText =
    "If the Controls check box is enabled, you might want to consider checking the check box below. This will cause "
    "ARL to create a new 'object' called <Controls>, connect it to the top object and connect each object whose "
    "attribute indicates that it is a control to <Controls> (as shown on the far right).";

}  // namespace

QWidget* frmWizard::CreateModelTab()
{
    auto& ui = m_ui;
    auto* tab = new QWidget;
    ui.txtModelName = Named(new SelectAllLineEdit, QStringLiteral("txtModelName"));
    ui.txtCategory = Named(new QLineEdit, QStringLiteral("txtCategory"));
    ui.lstCategories = Named(new QListWidget, QStringLiteral("lstCategories"));
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(new QLabel(QStringLiteral("Model Name")));
    layout->addWidget(ui.txtModelName);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("Model Category - Select from list or enter new category")));
    layout->addWidget(ui.txtCategory);
    layout->addWidget(ui.lstCategories, 1);
    return tab;
}

QWidget* frmWizard::CreateTopTab()
{
    auto& ui = m_ui;
    auto* tab = new QWidget;
    auto* group = new QButtonGroup(tab);
    ui.optTopType[0] = Named(new QRadioButton(QStringLiteral("Built-in top")), QStringLiteral("optTopType0"));
    ui.optTopType[1] = Named(new QRadioButton(QStringLiteral("Custom top")), QStringLiteral("optTopType1"));
    group->addButton(ui.optTopType[0], 0);
    group->addButton(ui.optTopType[1], 1);
    ui.optTopType[0]->setChecked(true);

    ui.fraBuiltInTop =
        Named(new QGroupBox(QStringLiteral("Select Top Object From List")), QStringLiteral("fraBuiltInTop"));
    ui.lstProlific = Named(new QListWidget, QStringLiteral("lstProlific"));
    ui.txtBuiltInTop = Named(new QLineEdit, QStringLiteral("txtBuiltInTop"));
    auto* builtIn = new QVBoxLayout(ui.fraBuiltInTop);
    builtIn->addWidget(ui.txtBuiltInTop);
    builtIn->addWidget(ui.lstProlific, 1);

    ui.fraCustomTop = Named(new QGroupBox(QStringLiteral("Enter Custom Top Object")), QStringLiteral("fraCustomTop"));
    ui.txtCustomTop = Named(new QLineEdit, QStringLiteral("txtCustomTop"));
    ui.lstConnectToTop = Named(new QListWidget, QStringLiteral("lstConnectToTop"));
    ui.lstConnectToTop->setSelectionMode(QAbstractItemView::MultiSelection);
    ui.cmdConnectAll = MakeButton(QStringLiteral("cmdConnectAll"), QStringLiteral("All"));
    ui.cmdConnectNone = MakeButton(QStringLiteral("cmdConnectNone"), QStringLiteral("None"));
    ui.txtConnectToTop = Named(new QLineEdit, QStringLiteral("txtConnectToTop"));
    ui.txtConnectToTop->setReadOnly(true);
    auto* connectHead = new QHBoxLayout;
    connectHead->addWidget(new QLabel(QStringLiteral("Connections to Top")), 1);
    connectHead->addWidget(ui.cmdConnectAll);
    connectHead->addWidget(ui.cmdConnectNone);
    auto* custom = new QVBoxLayout(ui.fraCustomTop);
    custom->addWidget(ui.txtCustomTop);
    custom->addLayout(connectHead);
    custom->addWidget(ui.lstConnectToTop, 1);
    custom->addWidget(ui.txtConnectToTop);

    ui.chkTopOnlyOnce =
        Named(new QCheckBox(QStringLiteral("Top Object Only Once in Model")), QStringLiteral("chkTopOnlyOnce"));
    auto* options = new QHBoxLayout;
    options->addWidget(ui.optTopType[0]);
    options->addWidget(ui.optTopType[1]);
    options->addStretch();
    options->addWidget(ui.chkTopOnlyOnce);
    auto* frames = new QHBoxLayout;
    frames->addWidget(ui.fraBuiltInTop, 1);
    frames->addWidget(ui.fraCustomTop, 1);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(options);
    layout->addLayout(frames, 1);
    return tab;
}

QWidget* frmWizard::CreateSpecialTab()
{
    auto& ui = m_ui;
    auto* tab = new QWidget;
    ui.lblEvents = MakeWrappingLabel(QStringLiteral("lblEvents"), kEventsText);
    ui.lblControls = MakeWrappingLabel(QStringLiteral("lblControls"), kControlsText);
    ui.chkMakeEventsObject = Named(new QCheckBox, QStringLiteral("chkMakeEventsObject"));
    ui.chkMakeControlsObject = Named(new QCheckBox, QStringLiteral("chkMakeControlsObject"));
    ui.chkGlobal = Named(new QCheckBox, QStringLiteral("chkGlobal"));
    auto frame = [](const QString& title, std::initializer_list<QWidget*> widgets) {
        auto* box = new QGroupBox(title);
        auto* layout = new QVBoxLayout(box);
        for (QWidget* widget : widgets) layout->addWidget(widget);
        return box;
    };
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(frame(QStringLiteral("Events"), {ui.lblEvents, ui.chkMakeEventsObject}));
    layout->addWidget(frame(QStringLiteral("Controls"), {ui.lblControls, ui.chkMakeControlsObject}));
    layout->addWidget(frame(QStringLiteral("Global Object"), {ui.chkGlobal}));
    layout->addStretch();
    return tab;
}

QWidget* frmWizard::CreateExternalEdgesTab()
{
    auto* tab = new QWidget;
    m_ui.lvExternalEdges = MakeListView(QStringLiteral("lvExternalEdges"), {"", "Parent", "Label", "Child", "Library"});
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_ui.lvExternalEdges);
    return tab;
}

QWidget* frmWizard::CreateCustomObjectsTab()
{
    auto& ui = m_ui;
    auto* tab = new QWidget;
    ui.lvCustomObjects = MakeListView(QStringLiteral("lvCustomObjects"), {"Name", "IsColl", "Member", "DocString"});
    ui.cmdAddObject = MakeButton(QStringLiteral("cmdAddObject"), QStringLiteral("Add Object"));
    ui.cmdEditObject = MakeButton(QStringLiteral("cmdEditObject"), QStringLiteral("Edit Selected Object"));
    ui.cmdDeleteObject = MakeButton(QStringLiteral("cmdDeleteObject"), QStringLiteral("Delete Selected Object"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ui.cmdAddObject);
    buttons->addWidget(ui.cmdEditObject);
    buttons->addWidget(ui.cmdDeleteObject);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(ui.lvCustomObjects, 1);
    layout->addLayout(buttons);
    return tab;
}

QWidget* frmWizard::CreateCollectionsTab()
{
    auto& ui = m_ui;
    auto* tab = new QWidget;
    ui.lvCollections =
        MakeListView(QStringLiteral("lvCollections"), {"Object", "Coll", "Member", "New Coll", "New Member"}, true);
    auto* change = Named(new QGroupBox(QStringLiteral("Change Selected Items to")), QStringLiteral("fraCollections"));
    ui.cmdCollections = MakeButton(QStringLiteral("cmdCollections"), QStringLiteral("Collections"));
    ui.cmdNoncollections = MakeButton(QStringLiteral("cmdNoncollections"), QStringLiteral("Noncollections"));
    ui.cmdRestoreSelected =
        MakeButton(QStringLiteral("cmdRestoreSelected"), QStringLiteral("Restore to original (selected)"));
    ui.cmdRestoreAll = MakeButton(QStringLiteral("cmdRestoreAll"), QStringLiteral("Restore all to original"));
    auto* buttons = new QHBoxLayout(change);
    for (QPushButton* button : {ui.cmdCollections, ui.cmdNoncollections, ui.cmdRestoreSelected, ui.cmdRestoreAll})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(ui.lvCollections, 1);
    layout->addWidget(change);
    return tab;
}

QWidget* frmWizard::CreateEdgesTab()
{
    auto& ui = m_ui;
    auto* tab = new QWidget;
    ui.lvReturnTypeObj = MakeListView(QStringLiteral("lvReturnTypeObj"), {"Object", "Function", "RetType", "DocStr"});
    ui.cmdExpandList[0] = MakeButton(QStringLiteral("cmdExpandList0"), QString(QChar(0x25B2)));  // up: enlarge
    ui.cmdExpandList[1] = MakeButton(QStringLiteral("cmdExpandList1"), QString(QChar(0x25BC)));  // down: shrink
    ui.cmdExpandList[0]->setToolTip(QStringLiteral("Enlarge the upper list"));
    ui.cmdExpandList[1]->setToolTip(QStringLiteral("Shrink the upper list"));
    ui.cmdExpandList[1]->setEnabled(false);
    ui.lvParents = MakeListView(QStringLiteral("lvParents"), {"Parent"}, true);
    ui.lvChildren = MakeListView(QStringLiteral("lvChildren"), {"Child"}, true);
    ui.cmdConnectEdge = MakeButton(QStringLiteral("cmdConnectEdge"), QString(QChar(0x2193)));
    ui.cmdConnectEdge->setToolTip(QStringLiteral("Add an edge for each selected parent and child"));
    ui.lvEdges = MakeListView(QStringLiteral("lvEdges"), {"Parent", "Child", "Name"}, true);
    ui.lblEdgeCount = Named(new QLabel(QStringLiteral("0")), QStringLiteral("lblEdgeCount"));
    ui.cmdDeleteEdges = MakeButton(QStringLiteral("cmdDeleteEdges"), QStringLiteral("Delete Selected"));
    ui.cmdClearEdges = MakeButton(QStringLiteral("cmdClearEdges"), QStringLiteral("Delete All"));

    auto* labels = Named(new QGroupBox(QStringLiteral("Label")), QStringLiteral("fraEdgeName"));
    auto* labelRow = new QVBoxLayout(labels);
    auto* group = new QButtonGroup(tab);
    const char* captions[] = {"none", "parent", "child", "prompt each", "prompt once"};
    for (int i = 0; i < 5; ++i) {
        ui.optEdgeName[i] = Named(new QRadioButton(captions[i]), QStringLiteral("optEdgeName%1").arg(i));
        group->addButton(ui.optEdgeName[i], i);
        labelRow->addWidget(ui.optEdgeName[i]);
    }
    ui.optEdgeName[0]->setChecked(true);

    auto* upperButtons = new QVBoxLayout;
    upperButtons->addWidget(ui.cmdExpandList[0]);
    upperButtons->addWidget(ui.cmdExpandList[1]);
    upperButtons->addStretch();
    auto* upper = new QHBoxLayout;
    upper->addWidget(ui.lvReturnTypeObj, 1);
    upper->addLayout(upperButtons);

    ui.fraEdgeMaking = Named(new QWidget, QStringLiteral("fraEdgeMaking"));
    auto* pick = new QHBoxLayout;
    pick->addWidget(ui.lvParents, 1);
    pick->addWidget(ui.lvChildren, 1);
    pick->addWidget(labels);
    auto* connectRow = new QHBoxLayout;
    connectRow->addStretch();
    connectRow->addWidget(ui.cmdConnectEdge);
    connectRow->addStretch();
    auto* edgeButtons = new QHBoxLayout;
    edgeButtons->addWidget(new QLabel(QStringLiteral("Edges:")));
    edgeButtons->addWidget(ui.lblEdgeCount);
    edgeButtons->addStretch();
    edgeButtons->addWidget(ui.cmdDeleteEdges);
    edgeButtons->addWidget(ui.cmdClearEdges);
    auto* lower = new QVBoxLayout(ui.fraEdgeMaking);
    lower->setContentsMargins(0, 0, 0, 0);
    lower->addLayout(pick, 2);
    lower->addLayout(connectRow);
    lower->addWidget(ui.lvEdges, 2);
    lower->addLayout(edgeButtons);

    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(upper, 1);
    layout->addWidget(ui.fraEdgeMaking, 3);
    return tab;
}

void frmWizard::ConnectSettingsTabs()
{
    auto& ui = m_ui;
    auto& s = *m_session;
    auto pickCategory = [this](QListWidgetItem* item) {
        if (item) m_ui.txtCategory->setText(item->text());
    };
    connect(ui.lstCategories, &QListWidget::itemClicked, this, pickCategory);
    connect(ui.lstCategories, &QListWidget::itemActivated, this, pickCategory);

    connect(ui.optTopType[0], &QRadioButton::toggled, this, [this](bool builtIn) {
        ReadControls();  // what was typed on the tab stays
        m_session->settings.topIsCustom = !builtIn;
        ShowSettings();
    });
    connect(ui.lstProlific, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (!item) return;
        m_session->ProlificClicked(static_cast<std::size_t>(m_ui.lstProlific->row(item)));
        m_ui.txtBuiltInTop->setText(Q(m_session->settings.builtInTopObject));
    });
    connect(ui.lstConnectToTop, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_filling) return;
        auto& selected = m_session->connectSelected;
        selected.assign(m_session->lists.objectNames.size(), false);
        for (int row = 0; row < m_ui.lstConnectToTop->count(); ++row)
            if (static_cast<std::size_t>(row) < selected.size())
                selected[row] = m_ui.lstConnectToTop->item(row)->isSelected();
        m_session->settings.customTopObject = S(m_ui.txtCustomTop->text());
        m_session->ConnectSelectionChanged();
        m_ui.txtConnectToTop->setText(Q(m_session->ConnectToTopText()));
    });
    connect(ui.txtCustomTop, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_session->settings.customTopObject = S(text);
        m_session->ConnectSelectionChanged();
        m_ui.txtConnectToTop->setText(Q(m_session->ConnectToTopText()));
    });
    auto selectAll = [this](bool select) {
        ReadControls();
        m_session->SelectAllConnections(select);
        ShowConnections();
    };
    connect(ui.cmdConnectAll, &QPushButton::clicked, this, [selectAll] { selectAll(true); });
    connect(ui.cmdConnectNone, &QPushButton::clicked, this, [selectAll] { selectAll(false); });

    connect(ui.lvExternalEdges, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_filling || column != 0) return;
        const std::size_t index = IndexOf(*item);
        auto& edges = m_session->lists.externalEdges;
        const bool checked = item->checkState(0) == Qt::Checked;
        if (index < edges.size()) edges[index].checked = checked;
        item->setData(0, kNumberRole, checked ? 1 : 0);  // sorts by the tick
    });

    // Commands on the lists: the typed fields go to the session first, the
    // changed list comes back after.
    auto command = [this](auto&& run, auto fill) {
        return [this, run, fill] {
            if (IsBusy()) return;
            ReadControls();
            run();
            (this->*fill)();
            ShowState();
        };
    };
    connect(ui.cmdAddObject, &QPushButton::clicked, this,
            command([&s] { s.AddCustomObject(); }, &frmWizard::FillCustomObjects));
    connect(ui.cmdEditObject, &QPushButton::clicked, this,
            command([this] { m_session->EditCustomObject(CurrentIndex(*m_ui.lvCustomObjects)); },
                    &frmWizard::FillCustomObjects));
    connect(ui.cmdDeleteObject, &QPushButton::clicked, this,
            command([this] { m_session->DeleteCustomObject(CurrentIndex(*m_ui.lvCustomObjects)); },
                    &frmWizard::FillCustomObjects));
    connect(ui.lvCustomObjects, &QTreeWidget::itemDoubleClicked, this, [this, command](QTreeWidgetItem* item) {
        const std::size_t row = IndexOf(*item);
        command([this, row] { m_session->EditCustomObjectFields(row); }, &frmWizard::FillCustomObjects)();
    });

    connect(ui.cmdCollections, &QPushButton::clicked, this,
            command([this] { m_session->MakeCollections(SelectedIndices(*m_ui.lvCollections)); },
                    &frmWizard::FillCollections));
    connect(ui.cmdNoncollections, &QPushButton::clicked, this,
            command([this] { m_session->MakeNoncollections(SelectedIndices(*m_ui.lvCollections)); },
                    &frmWizard::FillCollections));
    connect(ui.cmdRestoreSelected, &QPushButton::clicked, this,
            command([this] { m_session->RestoreCollections(SelectedIndices(*m_ui.lvCollections)); },
                    &frmWizard::FillCollections));
    connect(ui.cmdRestoreAll, &QPushButton::clicked, this,
            command([&s] { s.RestoreAllCollections(); }, &frmWizard::FillCollections));

    connect(
        ui.cmdConnectEdge, &QPushButton::clicked, this,
        command(
            [this] { m_session->ConnectEdges(SelectedIndices(*m_ui.lvParents), SelectedIndices(*m_ui.lvChildren)); },
            &frmWizard::FillEdges));
    connect(ui.cmdDeleteEdges, &QPushButton::clicked, this,
            command([this] { m_session->DeleteEdges(SelectedIndices(*m_ui.lvEdges)); }, &frmWizard::FillEdges));
    connect(ui.cmdClearEdges, &QPushButton::clicked, this, command([&s] { s.ClearEdges(); }, &frmWizard::FillEdges));
    connect(ui.lvEdges, &QTreeWidget::itemDoubleClicked, this, [this, command](QTreeWidgetItem* item) {
        const std::size_t row = IndexOf(*item);
        command([this, row] { m_session->EditEdge(row); }, &frmWizard::FillEdges)();
    });
    connect(ui.cmdExpandList[0], &QPushButton::clicked, this, [this] { ExpandReturnTypes(true); });
    connect(ui.cmdExpandList[1], &QPushButton::clicked, this, [this] { ExpandReturnTypes(false); });
}

void frmWizard::ExpandReturnTypes(bool expand)
{
    m_ui.fraEdgeMaking->setVisible(!expand);
    m_ui.cmdExpandList[0]->setEnabled(!expand);
    m_ui.cmdExpandList[1]->setEnabled(expand);
}

// --- Showing the session -----------------------------------------------------

void frmWizard::ShowSettings()
{
    const auto& s = *m_session;
    const auto& settings = s.settings;
    auto& ui = m_ui;
    auto setText = [](QLineEdit* box, const std::string& text) {
        if (S(box->text()) != text) box->setText(Q(text));
    };
    setText(ui.txtModelName, settings.modelName);
    setText(ui.txtCategory, settings.category);
    setText(ui.txtBuiltInTop, settings.builtInTopObject);
    setText(ui.txtCustomTop, settings.customTopObject);
    setText(ui.txtConnectToTop, s.ConnectToTopText());
    {
        const QSignalBlocker block(ui.optTopType[0]);
        ui.optTopType[settings.topIsCustom ? 1 : 0]->setChecked(true);
    }
    const bool custom = settings.topIsCustom;
    ui.fraBuiltInTop->setEnabled(!custom);
    ui.fraCustomTop->setEnabled(custom);
    ui.chkTopOnlyOnce->setChecked(settings.topOnlyOnce);

    ui.chkMakeEventsObject->setText(Q(s.eventsCaption));
    ui.chkMakeEventsObject->setEnabled(s.eventsEnabled);
    ui.chkMakeEventsObject->setChecked(settings.makeEventsObject);
    ui.chkMakeControlsObject->setText(Q(s.controlsCaption));
    ui.chkMakeControlsObject->setEnabled(s.controlsEnabled);
    ui.chkMakeControlsObject->setChecked(settings.makeControlsObject);
    ui.chkGlobal->setText(Q(s.globalCaption));
    ui.chkGlobal->setEnabled(s.globalEnabled);
    ui.chkGlobal->setChecked(s.globalEnabled && settings.globalObject);

    ui.optEdgeName[static_cast<int>(s.labelOption)]->setChecked(true);
    ui.lblEdgeCount->setText(Q(s.edgeCountText));
}

void frmWizard::FillCategories()
{
    auto& list = *m_ui.lstCategories;
    list.clear();
    for (const auto& category : m_session->categories) list.addItem(Q(category));
}

void frmWizard::FillProlific()
{
    QStringList rows;
    for (const auto& row : m_session->lists.prolific)
        rows.append(QStringLiteral("%1 (%2)").arg(Q(row.name)).arg(row.childCount));
    m_ui.lstProlific->clear();
    m_ui.lstProlific->addItems(rows);
}

void frmWizard::FillConnectToTop()
{
    QStringList rows;
    for (const auto& name : m_session->lists.objectNames) rows.append(Q(name));
    m_filling = true;
    m_ui.lstConnectToTop->clear();
    m_ui.lstConnectToTop->addItems(rows);
    m_filling = false;
    ShowConnections();
}

void frmWizard::ShowConnections()
{
    auto& list = *m_ui.lstConnectToTop;
    const auto& selected = m_session->connectSelected;
    m_filling = true;
    list.setUpdatesEnabled(false);
    for (int row = 0; row < list.count(); ++row)
        list.item(row)->setSelected(static_cast<std::size_t>(row) < selected.size() && selected[row]);
    list.setUpdatesEnabled(true);
    m_filling = false;
    m_ui.txtConnectToTop->setText(Q(m_session->ConnectToTopText()));
}

void frmWizard::FillExternalEdges()
{
    QList<QTreeWidgetItem*> rows;
    const auto& edges = m_session->lists.externalEdges;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const auto& e = edges[i];
        auto* row = new ListRow({"", Q(e.parent), Q(e.label), Q(e.child), Q(e.library)}, i);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, e.checked ? Qt::Checked : Qt::Unchecked);
        row->SetNumber(0, e.checked ? 1 : 0);
        rows.append(row);
    }
    m_filling = true;
    ReplaceRows(*m_ui.lvExternalEdges, std::move(rows));
    m_filling = false;
}

void frmWizard::FillCustomObjects()
{
    QList<QTreeWidgetItem*> rows;
    const auto& objects = m_session->settings.customObjects;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const auto& o = objects[i];
        rows.append(new ListRow({Q(o.name), o.isCollection ? "True" : "False", Q(o.memberName), Q(o.docString)}, i));
    }
    ReplaceRows(*m_ui.lvCustomObjects, std::move(rows));
}

void frmWizard::FillCollections()
{
    QList<QTreeWidgetItem*> rows;
    const auto& collections = m_session->lists.collections;
    rows.reserve(static_cast<qsizetype>(collections.size()));
    for (std::size_t i = 0; i < collections.size(); ++i) {
        const auto& c = collections[i];
        rows.append(new ListRow({Q(c.object), c.coll ? "Y" : "N", Q(c.member), Q(c.newColl), Q(c.newMember)}, i));
    }
    ReplaceRows(*m_ui.lvCollections, std::move(rows));
}

void frmWizard::FillReturnTypes()
{
    QList<QTreeWidgetItem*> rows;
    const auto& types = m_session->lists.returnTypes;
    rows.reserve(static_cast<qsizetype>(types.size()));
    for (std::size_t i = 0; i < types.size(); ++i) {
        const auto& t = types[i];
        rows.append(new ListRow({Q(t.object), Q(t.function), Q(t.retType), Q(t.docString)}, i));
    }
    ReplaceRows(*m_ui.lvReturnTypeObj, std::move(rows));
    m_returnTypesShown = true;
}

void frmWizard::FillObjectLists()
{
    for (QTreeWidget* list : {m_ui.lvParents, m_ui.lvChildren}) {
        QList<QTreeWidgetItem*> rows;
        const auto& names = m_session->lists.objectNames;
        rows.reserve(static_cast<qsizetype>(names.size()));
        for (std::size_t i = 0; i < names.size(); ++i) rows.append(new ListRow({Q(names[i])}, i));
        ReplaceRows(*list, std::move(rows));
    }
}

void frmWizard::FillEdges()
{
    QList<QTreeWidgetItem*> rows;
    const auto& edges = m_session->settings.edges;
    for (std::size_t i = 0; i < edges.size(); ++i)
        rows.append(new ListRow({Q(edges[i].parent), Q(edges[i].child), Q(edges[i].label)}, i));
    ReplaceRows(*m_ui.lvEdges, std::move(rows));
    m_ui.lblEdgeCount->setText(Q(m_session->edgeCountText));
}

}  // namespace arbolith
