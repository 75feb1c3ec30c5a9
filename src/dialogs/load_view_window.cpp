// SPDX-License-Identifier: MIT
#include "dialogs/load_view_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace arbolith {

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

constexpr const char* kPreviewCaption = "Preview:";

}  // namespace

frmLoadView::frmLoadView(std::filesystem::path viewsFolder, Prompt& prompt, ScreenPixels screen, QWidget* parent)
    : QDialog(parent), m_viewsFolder(std::move(viewsFolder)), m_prompt(prompt)
{
    setObjectName("frmLoadView");
    setWindowTitle("Load a View");

    m_lstViews = new QListWidget(this);
    m_lstViews->setObjectName("lstViews");
    m_lblPreview = new QLabel(kPreviewCaption, this);
    m_lblPreview->setObjectName("lblPreview");
    m_lblPreview->setWordWrap(true);
    m_trvPreview = new QTreeWidget(this);
    m_trvPreview->setObjectName("trvPreview");
    m_trvPreview->setHeaderHidden(true);
    m_trvPreview->setSelectionMode(QAbstractItemView::NoSelection);

    const auto button = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    m_load = button("&Load", "cmdLoad");
    m_delete = button("&Delete", "cmdDelete");
    m_cancel = button("&Close", "cmdCancel");
    m_load->setDefault(true);

    auto* preview = new QVBoxLayout;
    preview->addWidget(m_lblPreview);
    preview->addWidget(m_trvPreview, 1);
    auto* lists = new QHBoxLayout;
    lists->addWidget(m_lstViews, 1);
    lists->addLayout(preview, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {m_load, m_delete, m_cancel}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);

    connect(m_lstViews, &QListWidget::currentRowChanged, this, &frmLoadView::ShowPreview);
    connect(m_lstViews, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { Choose(m_lstViews->row(item)); });
    connect(m_load, &QPushButton::clicked, this, &frmLoadView::LoadSelected);
    connect(m_delete, &QPushButton::clicked, this, &frmLoadView::DeleteSelected);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_chosen = {};
        reject();
    });

    if (auto views = browser::ListViews(m_viewsFolder)) {
        m_views = std::move(*views);
    } else {
        m_prompt.Tell("Error listing the views of " + m_viewsFolder.string() + ". " + views.error().description);
    }
    QStringList names;
    for (const browser::ViewEntry& view : m_views) names.append(Text(view.name));
    m_lstViews->addItems(names);
    if (!m_views.empty()) m_lstViews->setCurrentRow(0);

    resize(fontMetrics().averageCharWidth() * 70, fontMetrics().height() * 20);
    CenterForm(*this, screen);
}

void frmLoadView::ClearPreview()
{
    m_lblPreview->setText(kPreviewCaption);
    m_trvPreview->clear();
}

void frmLoadView::ShowPreview(int row)
{
    ClearPreview();
    if (row < 0 || static_cast<std::size_t>(row) >= m_views.size()) return;
    auto view = browser::ReadViewFile(m_views[static_cast<std::size_t>(row)].file);
    if (!view) {
        m_prompt.Tell("Error reading start path for preview. " + view.error().description);
        return;
    }
    m_lblPreview->setText(Text("Preview: Object library is " + view->modelKey));
    // The start path as a chain, each seed the child of the one before.
    QTreeWidgetItem* parent = nullptr;
    const auto add = [&](const QString& text) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_trvPreview);
        item->setText(0, text);
        parent = item;
    };
    for (const browser::ViewSeed& seed : view->seeds) add(Text("[" + seed.name + "]"));
    add(". . .");
    m_trvPreview->expandAll();
}

void frmLoadView::Choose(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_views.size()) return;
    m_chosen = m_views[static_cast<std::size_t>(row)];
    accept();
}

void frmLoadView::LoadSelected()
{
    if (m_lstViews->selectedItems().isEmpty()) return;
    Choose(m_lstViews->currentRow());
}

void frmLoadView::DeleteSelected()
{
    const int row = m_lstViews->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= m_views.size() || m_lstViews->selectedItems().isEmpty()) return;
    const browser::ViewEntry view = m_views[static_cast<std::size_t>(row)];
    const PromptMessage question{"Permanently delete the view " + view.name + "?",
                                 PromptIcon::Question,
                                 PromptButtons::YesNo,
                                 PromptAnswer::No,
                                 {}};
    if (m_prompt.Ask(question) != PromptAnswer::Yes) return;
    if (auto deleted = browser::DeleteViewFile(view.file); !deleted) {
        m_prompt.Tell("Error deleting view file. " + deleted.error().description);
        return;
    }
    m_views.erase(m_views.begin() + row);
    {
        // The list moves its current row while an item goes; the preview
        // follows the first entry only.
        const QSignalBlocker quiet(m_lstViews);
        delete m_lstViews->takeItem(row);
        m_lstViews->setCurrentRow(-1);
    }
    ClearPreview();
    m_lstViews->setFocus();
    if (!m_views.empty()) m_lstViews->setCurrentRow(0);
}

}  // namespace arbolith
