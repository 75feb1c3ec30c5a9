// SPDX-License-Identifier: MIT
#include "catalog/open_model_window.h"

#include "dialogs/image_set.h"
#include "platform/text_encoding.h"
#include "reports/report_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>

namespace arbolith {

namespace {

enum NodeRole { KindRole = Qt::UserRole, KeyRole, ImageRole };
enum class NodeKind { Category, Model };

const char* const kInstruction = "Expand a category and click a model to view";

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

NodeKind KindOf(const QTreeWidgetItem* item)
{
    return static_cast<NodeKind>(item->data(0, KindRole).toInt());
}

void SetCategoryImage(QTreeWidgetItem* item)
{
    item->setIcon(0, CatalogIcon(catalog::CategoryImageKey(item->childCount() > 0, item->isExpanded())));
}

// A small picture beside its explanation.
QHBoxLayout* LegendRow(QWidget* parent, std::string_view imageKey, const char* text, const char* name)
{
    auto* picture = new QLabel(parent);
    const int side = parent->fontMetrics().height();
    picture->setPixmap(CatalogIcon(imageKey).pixmap(QSize(side, side), parent->devicePixelRatioF()));
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addWidget(label, 1);
    return row;
}

}  // namespace

frmOpenModel::frmOpenModel(std::filesystem::path modelsFolder, Prompt& prompt, OpenModelHost& host, ScreenPixels screen,
                           bool atTopLeft, QWidget* parent)
    : QDialog(parent), m_modelsFolder(std::move(modelsFolder)), m_prompt(prompt), m_host(host)
{
    setObjectName("frmOpenModel");
    setWindowTitle("Open Object Model");

    m_trvModels = new QTreeWidget(this);
    m_trvModels->setObjectName("trvModels");
    m_trvModels->setHeaderHidden(true);
    m_trvModels->setColumnCount(1);
    // Categories open and close by a click; their folder picture shows which.
    m_trvModels->setRootIsDecorated(false);
    m_trvModels->setExpandsOnDoubleClick(false);
    m_trvModels->setUniformRowHeights(true);
    m_trvModels->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_trvModels->installEventFilter(this);

    m_lblInstruction = new QLabel(kInstruction, this);
    m_lblInstruction->setObjectName("lblInstruction");
    m_lblInstruction->setWordWrap(true);
    m_chkFlat = new QCheckBox("&Flat View", this);
    m_chkFlat->setObjectName("chkFlat");
    m_chkDeleteMode = new QCheckBox("Check here to freeze dialog and allow model deletion", this);
    m_chkDeleteMode->setObjectName("chkDeleteMode");
    const auto button = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);  // Enter in the tree opens a model, not a button
        return b;
    };
    m_cmdDeleteModel = button("Delete Model", "cmdDeleteModel");
    m_cmdMoveModel = button("Change Category", "cmdMoveModel");
    m_cmdHelp = button("Help", "cmdHelp");
    m_cmdClose = button("Close", "cmdClose");

    auto* side = new QVBoxLayout;
    side->addLayout(LegendRow(this, "ModelD", "- DAT file exists", "lblDatLegend"));
    side->addLayout(LegendRow(this, "ModelI", "- INF file exists", "lblInfLegend"));
    side->addSpacing(fontMetrics().height());
    side->addWidget(m_lblInstruction);
    side->addSpacing(fontMetrics().height());
    side->addWidget(m_chkFlat);
    side->addStretch();
    side->addWidget(m_chkDeleteMode);
    side->addWidget(m_cmdDeleteModel);
    side->addWidget(m_cmdMoveModel);
    side->addSpacing(fontMetrics().height());
    side->addWidget(m_cmdHelp);
    side->addWidget(m_cmdClose);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_trvModels, 1);
    layout->addLayout(side);

    connect(m_trvModels, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { NodeClicked(item); });
    connect(m_trvModels, &QTreeWidget::itemExpanded, this, &SetCategoryImage);
    connect(m_trvModels, &QTreeWidget::itemCollapsed, this, &SetCategoryImage);
    connect(m_cmdDeleteModel, &QPushButton::clicked, this, &frmOpenModel::DeleteModel);
    connect(m_cmdMoveModel, &QPushButton::clicked, this,
            [this] { m_prompt.Tell(catalog::kChangeCategoryAdvice, PromptIcon::Information); });
    connect(m_cmdHelp, &QPushButton::clicked, this, &frmOpenModel::ShowHelp);
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    resize(fontMetrics().averageCharWidth() * 130, fontMetrics().height() * 28);
    if (atTopLeft) {
        const QScreen* shown = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
        move(shown ? shown->geometry().topLeft() : QPoint(0, 0));
    } else {
        CenterForm(*this, screen);
    }
    Reload();
}

void frmOpenModel::Reload()
{
    std::set<std::string> open;
    for (int i = 0; i < m_trvModels->topLevelItemCount(); ++i)
        if (const QTreeWidgetItem* item = m_trvModels->topLevelItem(i); item->isExpanded())
            open.insert(item->data(0, KeyRole).toString().toStdString());

    auto read = catalog::GetModelInfo(m_modelsFolder);
    if (read) {
        m_catalog = std::move(*read);
    } else {
        m_catalog = {};
        m_prompt.Tell("Error loading models. " + read.error().description, PromptIcon::Critical);
    }

    m_trvModels->clear();
    for (const catalog::CategoryBranch& branch : catalog::CatalogTree(m_catalog)) {
        auto* category = new QTreeWidgetItem(m_trvModels, QStringList(Text(branch.name)));
        category->setData(0, KindRole, static_cast<int>(NodeKind::Category));
        category->setData(0, KeyRole, Text(branch.name));
        for (const std::size_t index : branch.models) {
            const catalog::CatalogModel& model = m_catalog.models[index];
            const std::string_view image = catalog::ImageKey(catalog::ImageOf(model));
            auto* node = new QTreeWidgetItem(category, QStringList(Text(catalog::NodeText(model))));
            node->setData(0, KindRole, static_cast<int>(NodeKind::Model));
            node->setData(0, KeyRole, Text(model.key));
            node->setData(0, ImageRole, Text(image));
            node->setIcon(0, CatalogIcon(image));
            QString tip = Text(model.key);
            if (!model.datProblem.empty()) tip += "\nThe DAT file cannot be read: " + Text(model.datProblem);
            node->setToolTip(0, tip);
        }
        category->setExpanded(open.count(branch.name) > 0);
        SetCategoryImage(category);
    }
    m_lblInstruction->setText(m_catalog.models.empty()
                                  ? Text("There are no models in " + m_modelsFolder.string() +
                                         " yet. The Create Model Wizard on the File menu makes them.")
                                  : kInstruction);
}

QTreeWidgetItem* frmOpenModel::CategoryItem(std::string_view name) const
{
    for (int i = 0; i < m_trvModels->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* item = m_trvModels->topLevelItem(i); item->data(0, KeyRole).toString() == Text(name))
            return item;
    return nullptr;
}

QTreeWidgetItem* frmOpenModel::ModelItem(std::string_view key) const
{
    for (int i = 0; i < m_trvModels->topLevelItemCount(); ++i) {
        QTreeWidgetItem* category = m_trvModels->topLevelItem(i);
        for (int j = 0; j < category->childCount(); ++j)
            if (QTreeWidgetItem* item = category->child(j); item->data(0, KeyRole).toString() == Text(key)) return item;
    }
    return nullptr;
}

void frmOpenModel::NodeClicked(QTreeWidgetItem* item)
{
    if (!item) return;
    if (KindOf(item) == NodeKind::Category) {
        item->setExpanded(!item->isExpanded());
        return;
    }
    if (m_chkDeleteMode->isChecked()) return;
    const std::string key = item->data(0, KeyRole).toString().toStdString();
    const auto image = item->data(0, ImageRole).toString();
    if (image == Text(catalog::ImageKey(catalog::ModelImage::Both))) {
        m_chosenKey = key;
        m_flatChosen = m_chkFlat->isChecked();
        accept();
        return;
    }
    const auto message = catalog::MissingFileMessage(image == Text(catalog::ImageKey(catalog::ModelImage::InfOnly))
                                                         ? catalog::ModelImage::InfOnly
                                                         : catalog::ModelImage::DatOnly);
    if (message) m_prompt.Tell(*message, PromptIcon::Information);
}

void frmOpenModel::DeleteModel()
{
    QTreeWidgetItem* item = m_trvModels->currentItem();
    if (!item) return;
    // A category names no model file, whatever it is called.
    if (KindOf(item) == NodeKind::Model) {
        const std::string key = item->data(0, KeyRole).toString().toStdString();
        const catalog::DeleteOutcome outcome = catalog::DeleteModelFiles(m_modelsFolder, key, m_prompt);
        // The main window lets go of this model only, and also when only one
        // of its files went: what it shows has lost its ground.
        if (outcome.AnyDeleted() && EqualsNoCase(m_host.CurrentModelKey(), key)) m_host.ClearModel();
        if (outcome.error) m_prompt.Tell(outcome.error->description, PromptIcon::Critical);
    }
    Reload();
}

void frmOpenModel::ShowHelp()
{
    frmReport report(m_prompt, this);
    report.SetHelpText("Open Model Help", catalog::HelpText());
    report.exec();
}

bool frmOpenModel::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the tree does what a click on the current node does.
    if (watched == m_trvModels && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            NodeClicked(m_trvModels->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace arbolith
