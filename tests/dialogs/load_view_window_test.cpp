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

void WriteView(const fs::path& file, const std::vector<std::string>& path)
{
    browser::ViewFile view{"Quill", {}, {}, {}};
    for (std::int32_t k = 0; k < static_cast<std::int32_t>(path.size()); ++k) {
        browser::ViewSeed& seed = view.seeds.emplace_back();
        seed.index = seed.level = k, seed.parent = k - 1, seed.name = path[static_cast<std::size_t>(k)];
    }
    ASSERT_TRUE(browser::WriteViewFile(file, view));
}

std::vector<std::string> Rows(const QListWidget& list)
{
    std::vector<std::string> rows;
    for (int i = 0; i < list.count(); ++i) rows.push_back(list.item(i)->text().toStdString());
    return rows;
}

// The preview's chain, top down; "+" marks an expanded node.
std::vector<std::string> Chain(const QTreeWidget& tree)
{
    std::vector<std::string> texts;
    for (QTreeWidgetItem* item = tree.topLevelItem(0); item; item = item->child(0))
        texts.push_back(item->text(0).toStdString() + (item->isExpanded() ? "+" : ""));
    return texts;
}

TEST(LoadViewWindow, ListsByNamePreviewsTheStartPathAndChoosesTheFileFound)
{
    test::QtApp();
    test::TempDir views;
    WriteView(views / "local.zvv", {"Application", "Documents", "Document"});
    WriteView(views / "Global.ZVV", {"Application"});
    test::WriteBytes(views / "broken.zvv", "Quill\r\n\r\n 5 \r\n");
    test::WriteBytes(views / "notes.txt", "x");
    ScriptedPrompt prompt;
    frmLoadView w(views.path(), prompt, {});
    EXPECT_EQ(Rows(*w.lstViews()), (std::vector<std::string>{"broken", "Global", "local"}));
    // The first entry is selected at once; its file is damaged.
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text.rfind("Error reading start path for preview. ", 0), 0u) << prompt.asked[0].text;
    EXPECT_EQ(w.trvPreview()->topLevelItemCount(), 0);

    w.lstViews()->setCurrentRow(1);
    EXPECT_EQ(w.lblPreview()->text().toStdString(), "Preview: Object library is Quill");
    EXPECT_EQ(Chain(*w.trvPreview()), (std::vector<std::string>{"[Application]+", ". . .+"}));
    w.lstViews()->setCurrentRow(2);
    EXPECT_EQ(Chain(*w.trvPreview()),
              (std::vector<std::string>{"[Application]+", "[Documents]+", "[Document]+", ". . .+"}));
    w.cmdLoad()->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.Chosen(), (browser::ViewEntry{"local", views / "local.zvv"}));
}

TEST(LoadViewWindow, DeleteAsksAndKeepsTheListInStepWithTheFolder)
{
    test::QtApp();
    test::TempDir views;
    for (const char* name : {"a", "b"}) WriteView(views / (std::string(name) + ".zvv"), {"Top"});
    ScriptedPrompt prompt;
    frmLoadView w(views.path(), prompt, {});
    w.lstViews()->setCurrentRow(1);
    prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    w.cmdDelete()->click();
    EXPECT_EQ(prompt.asked.back().text, "Permanently delete the view b?");
    EXPECT_TRUE(fs::exists(views / "b.zvv"));
    w.cmdDelete()->click();
    EXPECT_FALSE(fs::exists(views / "b.zvv"));
    EXPECT_EQ(Rows(*w.lstViews()), std::vector<std::string>{"a"});
    EXPECT_EQ(w.lstViews()->currentRow(), 0);

    // A file that went meanwhile: the failure is told and the entry stays.
    fs::remove(views / "a.zvv");
    prompt.answers = {PromptAnswer::Yes};
    w.cmdDelete()->click();
    EXPECT_EQ(prompt.asked.back().text.rfind("Error deleting view file. ", 0), 0u);
    EXPECT_EQ(Rows(*w.lstViews()), std::vector<std::string>{"a"});
    emit w.lstViews()->itemDoubleClicked(w.lstViews()->item(0));
    EXPECT_EQ(w.Chosen().name, "a");
    w.cmdCancel()->click();
    EXPECT_EQ(w.Chosen(), browser::ViewEntry{});

    // An empty folder: Load and Delete do nothing.
    frmLoadView empty(views / "none", prompt, {});
    const std::size_t asked = prompt.asked.size();
    empty.cmdDelete()->click();
    empty.cmdLoad()->click();
    EXPECT_EQ(prompt.asked.size(), asked);
    EXPECT_EQ(empty.result(), 0);
}

}  // namespace
}  // namespace arbolith
