// SPDX-License-Identifier: MIT
#include "dialogs/load_view_window.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

void WriteView(const fs::path& file, const std::string& model, const std::vector<std::string>& path)
{
    browser::ViewFile view;
    view.modelKey = model;
    for (std::size_t k = 0; k < path.size(); ++k) {
        browser::ViewSeed& seed = view.seeds.emplace_back();
        seed.index = static_cast<std::int32_t>(k);
        seed.level = seed.index;
        seed.parent = seed.index - 1;
        seed.name = path[k];
    }
    ASSERT_TRUE(browser::WriteViewFile(file, view));
}

std::vector<std::string> Rows(const QListWidget& list)
{
    std::vector<std::string> rows;
    for (int i = 0; i < list.count(); ++i) rows.push_back(list.item(i)->text().toStdString());
    return rows;
}

// The preview's chain, top down, and whether every node is open.
std::vector<std::string> Chain(const QTreeWidget& tree, bool& allExpanded)
{
    std::vector<std::string> texts;
    allExpanded = true;
    for (QTreeWidgetItem* item = tree.topLevelItem(0); item; item = item->child(0)) {
        texts.push_back(item->text(0).toStdString());
        if (item->childCount() > 1) texts.push_back("(more than one child)");
        if (item->childCount() > 0 && !item->isExpanded()) allExpanded = false;
    }
    return texts;
}

TEST(LoadViewWindow, ListsPreviewsAndChoosesTheFileFound)
{
    test::QtApp();
    test::TempDir views;
    WriteView(views / "local.zvv", "Quill", {"Application", "Documents", "Document"});
    WriteView(views / "Global.ZVV", "Quill", {"Application"});
    test::WriteBytes(views / "broken.zvv", "Quill\r\n\r\n 5 \r\n");
    test::WriteBytes(views / "notes.txt", "x");
    ScriptedPrompt prompt;
    frmLoadView w(views.path(), prompt, {});
    EXPECT_EQ(w.windowTitle().toStdString(), "Load a View");
    EXPECT_EQ(Rows(*w.lstViews()), (std::vector<std::string>{"broken", "Global", "local"}));

    // The first entry is selected at once; its file is damaged.
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text.rfind("Error reading start path for preview. ", 0), 0u) << prompt.asked[0].text;
    EXPECT_EQ(w.lblPreview()->text().toStdString(), "Preview:");
    EXPECT_EQ(w.trvPreview()->topLevelItemCount(), 0);

    bool open = false;
    w.lstViews()->setCurrentRow(1);
    EXPECT_EQ(w.lblPreview()->text().toStdString(), "Preview: Object library is Quill");
    EXPECT_EQ(Chain(*w.trvPreview(), open), (std::vector<std::string>{"[Application]", ". . ."}));
    w.lstViews()->setCurrentRow(2);
    EXPECT_EQ(Chain(*w.trvPreview(), open),
              (std::vector<std::string>{"[Application]", "[Documents]", "[Document]", ". . ."}));
    EXPECT_TRUE(open);

    w.cmdLoad()->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.Chosen(), (browser::ViewEntry{"local", views / "local.zvv"}));
    EXPECT_EQ(prompt.asked.size(), 1u);
}

TEST(LoadViewWindow, DeleteAsksAndKeepsTheListInStepWithTheFolder)
{
    test::QtApp();
    test::TempDir views;
    for (const char* name : {"a", "b", "c"}) WriteView(views / (std::string(name) + ".zvv"), "M", {"Top"});
    ScriptedPrompt prompt;
    frmLoadView w(views.path(), prompt, {});
    w.lstViews()->setCurrentRow(1);

    prompt.answers = {PromptAnswer::No};
    w.cmdDelete()->click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Permanently delete the view b?");
    EXPECT_EQ(prompt.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Question);
    EXPECT_TRUE(fs::exists(views / "b.zvv"));

    prompt.answers = {PromptAnswer::Yes};
    w.cmdDelete()->click();
    EXPECT_FALSE(fs::exists(views / "b.zvv"));
    EXPECT_EQ(Rows(*w.lstViews()), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(w.lstViews()->currentRow(), 0);
    EXPECT_EQ(w.lblPreview()->text().toStdString(), "Preview: Object library is M");

    // A file that went meanwhile: the failure is told and the entry stays.
    fs::remove(views / "a.zvv");
    prompt.answers = {PromptAnswer::Yes};
    w.cmdDelete()->click();
    EXPECT_EQ(prompt.asked.back().text.rfind("Error deleting view file. ", 0), 0u);
    EXPECT_EQ(Rows(*w.lstViews()), (std::vector<std::string>{"a", "c"}));

    // A double click loads that entry; Close chooses nothing.
    QListWidgetItem* c = w.lstViews()->item(1);
    emit w.lstViews()->itemDoubleClicked(c);
    EXPECT_EQ(w.Chosen().name, "c");
    w.cmdCancel()->click();
    EXPECT_EQ(w.Chosen(), browser::ViewEntry{});
}

TEST(LoadViewWindow, AnEmptyFolderListsNothingAndItsButtonsDoNothing)
{
    test::QtApp();
    test::TempDir views;
    ScriptedPrompt prompt;
    frmLoadView w(views / "VIEWS", prompt, {});
    EXPECT_EQ(w.lstViews()->count(), 0);
    w.cmdDelete()->click();
    w.cmdLoad()->click();
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(w.Chosen(), browser::ViewEntry{});
    EXPECT_EQ(w.result(), 0);
}

}  // namespace
}  // namespace arbolith
