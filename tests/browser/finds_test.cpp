// SPDX-License-Identifier: MIT
// The Find menu's searches without the window: the whole-word rule, Find and
// Find Again in the order the nodes were built, what Cancel leaves, the
// paths to an object, and the DAT file searches with texts that hold quotes
// and LIKE's own wildcards.
#include "browser/finds.h"

#include "platform/database.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arbolith::browser {
namespace {

using Lines = std::vector<std::string>;

TEST(FindLabels, WholeWordRule)
{
    struct Case {
        const char* label;
        const char* text;
        bool wholeWord;
        bool matches;
    };
    const Case cases[] = {
        {"Application", "PLIC", false, true},
        {"abc Documents", "doc", false, true},
        // A blank at the text's length after some other start is no word end.
        {"abc Documents", "doc", true, false},
        {"Documents", "doc", true, false},
        {"xdoc", "doc", true, false},
        {"Doc/x", "doc", true, false},
        {"DOC", "doc", true, true},
        {"Doc [3]", "doc", true, true},
        {"Doc (< P:Item)", "doc", true, true},
        {"Docs {Doc}", "doc", true, true},
        {"Docs {Docx}", "doc", true, false},
        {"Docs {Doc}", "docs", true, true},
        {"Do", "doc", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LabelMatches(c.label, c.text, c.wholeWord), c.matches)
            << c.label << " / " << c.text << (c.wholeWord ? "/w" : "");

    EXPECT_EQ(ParseFindText("Item/W").text, "Item");
    EXPECT_TRUE(ParseFindText("Item/W").wholeWord);
    EXPECT_FALSE(ParseFindText("Item/").wholeWord);
    EXPECT_EQ(ParseFindText("/w").text, "");
    EXPECT_EQ(ProposedFindAnswer({"Item", true, 4}), "Item/w");
    EXPECT_EQ(ProposedFindAnswer({"Item", false, 4}), "Item");
}

// Root with children Zdoc and Adoc, added in that order; Zdoc has the
// collection Docs of Doc, and Adoc and Docs each lead to Doc. The tree lists
// Adoc before Zdoc; the nodes were built Zdoc first.
struct Tree {
    ObjectModel model;
    std::vector<NodeRecord> nodes;
    TreeDisplay display;

    Tree()
    {
        for (const char* name : {"Root", "Zdoc", "Adoc", "Docs", "Doc"}) {
            ObjectRecord& o = model.objects.emplace_back();
            o.key = static_cast<std::int64_t>(model.objects.size() - 1);
            o.name = name;
            o.branchLimit = 1;
        }
        model.objects[3].isCollection = true;
        model.objects[3].memberName = "Doc";
        model.edges = {{0, 1, ""}, {0, 2, ""}, {1, 3, ""}, {2, 4, ""}, {3, 4, ""}};
        model.Reindex();
        EXPECT_TRUE(CreateNodes(model, std::vector<NodeRecord>{RootSeed(model, 0)}, kMaxLevel, {}, nodes).ok());
        display = TreeDisplay::Build(model, nodes, 1, {}, LabelStyle::Display);
    }
    std::string Label(std::optional<std::int32_t> node) const
    {
        return node ? std::string(display.Label(*node)) : "(none)";
    }
};

TEST(FindNode, FollowsNodeOrderAndKeepsItsPlace)
{
    const Tree tree;
    ASSERT_EQ(tree.display.NodeCount(), 6u);
    ScriptedPrompt prompt;
    FindState state;
    const auto find = [&](FindMode mode) { return tree.Label(FindNode(state, mode, true, tree.display, prompt)); };

    // Find Again before any Find searches for nothing and says nothing.
    EXPECT_EQ(find(FindMode::Again), "(none)");
    EXPECT_TRUE(prompt.asked.empty());

    prompt.inputs = {"DOC"};
    EXPECT_EQ(find(FindMode::First), "Zdoc");
    Lines found;
    for (int i = 0; i < 4; ++i) found.push_back(find(FindMode::Again));
    EXPECT_EQ(found, (Lines{"Adoc", "Docs {Doc}", "Doc", "Doc"}));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(find(FindMode::Again), "(none)");
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "No more matches to DOC");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::None);
    EXPECT_EQ(state.lastPosition, 6);

    // Cancel and an empty answer end the command and leave the search as it was.
    prompt.asked.clear();
    prompt.inputs = {std::nullopt, "", "/w"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(find(FindMode::First), "(none)");
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(state.text, "DOC");
    EXPECT_EQ(state.lastPosition, 6);

    // Whole words from the root again: the braced member and the bare name.
    prompt.inputs = {"doc/W"};
    EXPECT_EQ(find(FindMode::First), "Docs {Doc}");
    EXPECT_EQ(find(FindMode::Again), "Doc");
    // The question proposes the last search (the script gives that answer back).
    EXPECT_EQ(find(FindMode::First), "Docs {Doc}");
    EXPECT_EQ(prompt.inputTexts.back(), kFindNodeQuestion);

    prompt.inputs = {"nothing"};
    EXPECT_EQ(find(FindMode::First), "(none)");
    EXPECT_EQ(prompt.asked.back().text, "No match to nothing");
    EXPECT_EQ(state.lastPosition, 0);

    // A smaller tree after a model change: Find Again goes on past its end.
    state = {"doc", false, 99};
    EXPECT_EQ(find(FindMode::Again), "(none)");
    EXPECT_EQ(prompt.asked.back().text, "No more matches to doc");

    prompt.asked.clear();
    EXPECT_EQ(tree.Label(FindNode(state, FindMode::First, false, tree.display, prompt)), "(none)");
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, "Please choose a library first.");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Information);
}

TEST(FindPaths, EveryNodeOfTheObjectInNodeOrder)
{
    const Tree tree;
    const FindResults doc = FindPaths(tree.model, tree.nodes, tree.display, "dOC");
    EXPECT_EQ(doc.lines, (Lines{"Root\\Adoc\\Doc", "Root\\Zdoc\\Docs {Doc}\\Doc"}));
    EXPECT_EQ(doc.caption, "2 paths to DOC object");
    EXPECT_EQ(FindPaths(tree.model, tree.nodes, tree.display, "root").lines, (Lines{"Root"}));

    // Only the object's own name counts, not a label that contains it.
    const FindResults none = FindPaths(tree.model, tree.nodes, tree.display, "Do");
    EXPECT_TRUE(none.lines.empty());
    EXPECT_EQ(none.message, "No paths for Do");
    EXPECT_EQ(none.icon, PromptIcon::Information);
}

// A DAT file whose names hold the characters SQL text and LIKE patterns
// treat in their own way.
class FindInDat : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto db = CreateDatFile(m_dat);
        ASSERT_TRUE(db.ok()) << db.error().description;
        ASSERT_TRUE(CreateDataTables(*db).ok());
        const char* edges[][3] = {
            {"Zed", "O'Brien", "(P:Owner)"}, {"alpha", "o'brien", "(M:Find)"},
            {"Alpha", "Plain", ""},          {"Beta", "100%", ""},
            {"Gamma", "1000", ""},
        };
        for (const auto& [parent, child, label] : edges)
            ASSERT_TRUE(db->Execute("INSERT INTO Edges (ParentObjectName, ChildObjectName, Label) VALUES (?, ?, ?)",
                                    {parent, child, label})
                            .ok());
        const char* functions[][2] = {
            {"Sheet", "a_b"}, {"Sheet", "aXb"}, {"Book", "Rate%"}, {"Book", "Rates"},
            {"Cell", "It's"}, {"Cell", "Its"},  {"Range", "Item"}, {"Range", "ITEMS"},
            {"Book", "item"}, {"Book", "Item"}, {"Path", "C:\\x"}, {"Path", "C:x"},
        };
        for (const auto& [object, name] : functions)
            ASSERT_TRUE(db->Execute("INSERT INTO Functions (ObjectName, Name) VALUES (?, ?)", {object, name}).ok());
    }

    test::TempDir m_home;
    std::filesystem::path m_dat = m_home / "Find.DAT";
};

TEST_F(FindInDat, ParentsByNameAsTyped)
{
    const FindResults parents = FindParents(m_dat, "o'BRIEN");
    EXPECT_FALSE(parents.failed) << parents.message;
    EXPECT_EQ(parents.lines, (Lines{"alpha   (M:Find)", "Zed   (P:Owner)"}));
    EXPECT_EQ(parents.caption, "2 parents of O'BRIEN object");

    // "%" is a character, not any run of them; a quote ends nothing.
    EXPECT_EQ(FindParents(m_dat, "100%").lines, (Lines{"Beta   "}));
    const FindResults none = FindParents(m_dat, "x' OR '1'='1");
    EXPECT_TRUE(none.lines.empty());
    EXPECT_EQ(none.message, "Object x' OR '1'='1 has no parents.");
    EXPECT_EQ(none.icon, PromptIcon::Information);
}

TEST_F(FindInDat, ObjectsWithMemberTakeTheTextLiterally)
{
    struct Case {
        const char* text;
        bool wholeWord;
        Lines lines;
    };
    const Case cases[] = {
        {"_", false, {"Sheet  [Member: a_b]"}},
        {"%", false, {"Book  [Member: Rate%]"}},
        {"'", false, {"Cell  [Member: It's]"}},
        {"\\", false, {"Path  [Member: C:\\x]"}},
        {"it's", true, {"Cell"}},
        // Letter case aside: one line per object and member name, in
        // whichever spelling the file has first.
        {"ITEM", false, {"book  [member: item]", "range  [member: item]", "range  [member: items]"}},
        {"item", true, {"Book", "Range"}},
        {"a_", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const FindResults found = FindObjectsWithMember(m_dat, c.text, c.wholeWord);
        EXPECT_FALSE(found.failed) << found.message;
        Lines lines = found.lines;
        if (std::string_view(c.text) == "ITEM")
            for (std::string& line : lines) line = AsciiLower(line);
        EXPECT_EQ(lines, c.lines);
    }
    EXPECT_EQ(FindObjectsWithMember(m_dat, "item", true).caption, "2 objects with member ITEM");
    EXPECT_EQ(FindObjectsWithMember(m_dat, "It'", false).caption, "1 objects with member substring IT'");
    const FindResults none = FindObjectsWithMember(m_dat, "a%b", false);
    EXPECT_EQ(none.message, "No objects have member a%b");
    EXPECT_EQ(none.icon, PromptIcon::Information);
}

TEST_F(FindInDat, FailuresAreToldAndMakeNoFile)
{
    const std::filesystem::path missing = m_home / "Missing.DAT";
    for (const std::filesystem::path& file : {missing, std::filesystem::path()}) {
        const FindResults parents = FindParents(file, "x");
        EXPECT_TRUE(parents.failed);
        EXPECT_TRUE(parents.message.starts_with("Error finding parents. ")) << parents.message;
        const FindResults members = FindObjectsWithMember(file, "x", false);
        EXPECT_TRUE(members.failed);
        EXPECT_TRUE(members.message.starts_with("Error A16: ")) << members.message;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace arbolith::browser
