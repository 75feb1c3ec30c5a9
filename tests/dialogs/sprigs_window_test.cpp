// SPDX-License-Identifier: MIT
#include "dialogs/sprigs_window.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace arbolith {
namespace {

TEST(BranchEntries, OnlyALineAnIniKeyCanHoldWithACountFromZeroToAHundred)
{
    const std::pair<const char*, std::optional<NonleafCount>> cases[] = {
        {"Application=3", NonleafCount{"Application", 3}},
        {" <Default> = 0 ", NonleafCount{"<Default>", 0}},
        {"A=100", NonleafCount{"A", 100}},
        {"A=101", std::nullopt},
        {"A=-1", std::nullopt},
        {"A=abc", std::nullopt},
        {"A=3x", std::nullopt},
        {"A=", std::nullopt},
        {"=3", std::nullopt},
        {"A", std::nullopt},
        {"[A=3", std::nullopt},
        {";A=3", std::nullopt},
        {"A\nB=3", std::nullopt},
        {"A=99999999999", std::nullopt},
    };
    for (const auto& [text, entry] : cases) EXPECT_EQ(ParseBranchEntry(text), entry) << text;
}

TEST(BranchEntries, AKeyAddedAgainInAnyCaseReplacesItsEntry)
{
    BranchCountList list({{"A", 1}, {"<Default>", 3}, {"C", 2}});
    EXPECT_EQ(list.Add({"<default>", 4}, "<default>=4"), 1u);
    EXPECT_EQ(list.Add({"D", 5}, "D=5"), 3u);
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"A = 1", "<default>=4", "C = 2", "D=5"}));

    // An edit moves the entry to the end and takes the place of another of its key.
    EXPECT_EQ(list.Edit(0, {"c", 9}, "c=9"), 2u);
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"<default>=4", "D=5", "c=9"}));
    EXPECT_EQ(list.Entries(), (std::vector<NonleafCount>{{"<default>", 4}, {"D", 5}, {"c", 9}}));
    list.Delete(7);  // past the end: nothing
    EXPECT_EQ(list.Lines().size(), 3u);
}

std::vector<std::string> Rows(const QListWidget& list)
{
    std::vector<std::string> rows;
    for (int i = 0; i < list.count(); ++i) rows.push_back(list.item(i)->text().toStdString());
    return rows;
}

TEST(SprigsWindow, EditsTheListAndApplyWritesTheSectionAndRebuilds)
{
    test::QtApp();
    test::TempDir dir;
    const auto inf = dir / "m.inf";
    test::WriteBytes(inf, "[Main]\nModelName=M\n[NonleafCounts]\nApplication=2\n<Default>=3\n");
    ScriptedPrompt prompt;
    int rebuilt = 0;
    frmSprigs window(inf, "Model", 6, prompt, {}, [&] { ++rebuilt; });
    EXPECT_EQ(window.windowTitle(), "Branch Counts: Model");
    EXPECT_EQ(window.lblGlobalDefault()->text(), "The global (all-model) default (set via Options dialog) is 6");
    EXPECT_EQ(Rows(*window.lstSprigs()), (std::vector<std::string>{"Application = 2", "<Default> = 3"}));

    window.cmdEdit()->click();
    window.cmdDelete()->click();
    prompt.inputs = {std::string("Document"), std::string("Document=x"), std::string(""), std::string("<DEFAULT>=4"),
                     std::string("Document=1")};
    for (int i = 0; i < 4; ++i) window.cmdAdd()->click();
    window.lstSprigs()->setCurrentRow(0);
    window.cmdEdit()->click();
    std::vector<std::string> told;
    for (const auto& m : prompt.asked) told.push_back(m.text);
    EXPECT_EQ(told, (std::vector<std::string>{"Please select an item to edit from the list box.",
                                              "Please select an item to delete from the list box.", "Invalid entry.",
                                              "Invalid entry.", "Operation cancelled."}));
    EXPECT_EQ(prompt.inputTexts.back(), "Edit the entry: Application = 2");
    EXPECT_EQ(Rows(*window.lstSprigs()), (std::vector<std::string>{"<DEFAULT>=4", "Document=1"}));

    // Nothing is written before Apply.
    EXPECT_NE(test::ReadBytes(inf).find("Application=2"), std::string::npos);
    window.cmdApply()->click();
    EXPECT_EQ(rebuilt, 1);
    EXPECT_EQ(ReadNonleafCountEntries(inf).value(), (std::vector<NonleafCount>{{"<DEFAULT>", 4}, {"Document", 1}}));
    EXPECT_NE(test::ReadBytes(inf).find("ModelName=M"), std::string::npos);
}

TEST(SprigsWindow, AFileThatCannotBeReadIsToldAndNeverOverwritten)
{
    test::QtApp();
    test::TempDir dir;
    ScriptedPrompt prompt;
    int rebuilt = 0;
    frmSprigs window(dir.path(), "Model", 6, prompt, {}, [&] { ++rebuilt; });  // a folder, not a file
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text.rfind("Error loading Branch Count form. ", 0), 0u);
    EXPECT_FALSE(window.cmdApply()->isEnabled());
    EXPECT_EQ(rebuilt, 0);
}

}  // namespace
}  // namespace arbolith
