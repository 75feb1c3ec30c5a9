// SPDX-License-Identifier: MIT
#include "dialogs/sprigs_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace arbolith {

frmSprigs::frmSprigs(std::filesystem::path infFile, const std::string& modelKey, std::int32_t globalDefault,
                     Prompt& prompt, ScreenPixels screen, std::function<void()> saved, QWidget* parent)
    : QDialog(parent), m_infFile(std::move(infFile)), m_prompt(prompt), m_saved(std::move(saved))
{
    setObjectName("frmSprigs");
    setWindowTitle(QString::fromStdString("Branch Counts: " + modelKey));

    auto* label1 = new QLabel(
        "The branch count is the max number of times an object may appear in the tree as an "
        "INTERIOR node (i.e., a node with at least 1 child)",
        this);
    label1->setObjectName("Label1");
    label1->setWordWrap(true);
    m_lstSprigs = new QListWidget(this);
    m_lstSprigs->setObjectName("lstSprigs");
    m_lstSprigs->setUniformItemSizes(true);  // a large section lists without measuring every row
    m_lblGlobalDefault = new QLabel(this);
    m_lblGlobalDefault->setObjectName("lblGlobalDefault");
    m_lblGlobalDefault->setWordWrap(true);
    m_lblGlobalDefault->setText(QString::fromStdString("The global (all-model) default (set via Options dialog) is " +
                                                       std::to_string(globalDefault)));

    const auto button = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    m_add = button("&Add", "cmdAdd");
    m_edit = button("&Edit", "cmdEdit");
    m_delete = button("&Delete", "cmdDelete");
    m_apply = button("A&pply", "cmdApply");
    m_cancel = button("Cancel", "cmdCancel");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_add, m_edit, m_delete, m_apply, m_cancel}) buttons->addWidget(b);
    buttons->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_lstSprigs, 1);
    middle->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addLayout(middle, 1);
    layout->addWidget(m_lblGlobalDefault);

    connect(m_add, &QPushButton::clicked, this, &frmSprigs::Add);
    connect(m_edit, &QPushButton::clicked, this, &frmSprigs::Edit);
    connect(m_delete, &QPushButton::clicked, this, &frmSprigs::Delete);
    connect(m_apply, &QPushButton::clicked, this, &frmSprigs::Apply);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    if (auto entries = ReadNonleafCountEntries(m_infFile)) {
        m_list = BranchCountList(*entries);
    } else {
        // Writing the empty list back would wipe the section the file holds.
        m_apply->setEnabled(false);
        Tell("Error loading Branch Count form. " + entries.error().description);
    }
    ShowList(static_cast<std::size_t>(-1));
    resize(fontMetrics().averageCharWidth() * 60, fontMetrics().height() * 22);
    CenterForm(*this, screen);
}

void frmSprigs::Tell(std::string text)
{
    m_prompt.Tell(std::move(text), PromptIcon::Information);
}

void frmSprigs::ShowList(std::size_t selectRow)
{
    m_lstSprigs->clear();
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(m_list.Lines().size()));
    for (const std::string& line : m_list.Lines()) lines.append(QString::fromStdString(line));
    m_lstSprigs->addItems(lines);
    if (selectRow < m_list.Lines().size()) m_lstSprigs->setCurrentRow(static_cast<int>(selectRow));
}

void frmSprigs::Add()
{
    const auto answer = m_prompt.Input(
        "Enter a line of the form ObjectName=BranchCount or <Default>=BranchCount. "
        "Leave blank to cancel.",
        "New Branch Count", "<Default>=");
    if (!answer || answer->empty()) {
        Tell("Operation cancelled.");
        return;
    }
    const auto entry = ParseBranchEntry(*answer);
    if (!entry) {
        Tell("Invalid entry.");
        return;
    }
    ShowList(m_list.Add(*entry, *answer));
    m_lstSprigs->setFocus();
}

void frmSprigs::Edit()
{
    const int row = m_lstSprigs->currentRow();
    if (row < 0 || m_lstSprigs->selectedItems().isEmpty()) {
        Tell("Please select an item to edit from the list box.");
        m_lstSprigs->setFocus();
        return;
    }
    const std::string current = m_list.Lines()[static_cast<std::size_t>(row)];
    const auto answer = m_prompt.Input("Edit the entry: " + current, "Edit Branch Count", current);
    if (!answer || answer->empty()) return;
    const auto entry = ParseBranchEntry(*answer);
    if (!entry) {
        Tell("Invalid entry.");
        return;
    }
    ShowList(m_list.Edit(static_cast<std::size_t>(row), *entry, *answer));
}

void frmSprigs::Delete()
{
    const int row = m_lstSprigs->currentRow();
    if (row < 0 || m_lstSprigs->selectedItems().isEmpty()) {
        Tell("Please select an item to delete from the list box.");
        m_lstSprigs->setFocus();
        return;
    }
    m_list.Delete(static_cast<std::size_t>(row));
    ShowList(static_cast<std::size_t>(-1));
}

void frmSprigs::Apply()
{
    if (auto written = WriteNonleafCountEntries(m_infFile, m_list.Entries()); !written) {
        Tell("Error saving original branch counts from list box. " + written.error().description);
        return;
    }
    if (m_saved) m_saved();
    accept();
}

}  // namespace arbolith
