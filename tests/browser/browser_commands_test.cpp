// SPDX-License-Identifier: MIT
// What the window shows after each command: labels, sibling order, views,
// the Show* switches, Expand Levels, the member panes and status texts.
#include "browser/object_browser.h"

#include "browser/model_files.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace arbolith::browser {
namespace {

using test::DatEdge;
using test::DatMember;
using test::DatObject;

// App -> Documents {Document} -> Document -> Window (hidden), App -> Window,
// Document -> App (back to the top), App -> Font (custom, external-free).
struct Model {
    test::TempDir dir;
    ScriptedPrompt prompt;
    ObjectBrowser browser{dir.path(), prompt};

    Model()
    {
        test::WriteDat(dir / "lib.DAT",
                       {{"App", false, "", "", "12", "/dual/oleautomation/", "P: Name", 3},
                        {"Documents", true, "Document", "", "0", "", "M: Item", 1},
                        {"Document", false, "", "", "5", "/dual/", "None", 2},
                        {"Window", false, "", "H", "", "", "None", 0},
                        {"Font", false, "", "", "", "", "None", 0, true}},
                       {{0, 1, "(P:Documents)"},
                        {1, 2, "(M:Item)"},
                        {2, 3, "(P:Window)"},
                        {0, 3, "(P:ActiveWindow)"},
                        {2, 0, "(P:Application)"},
                        {0, 4, "(P:Font)"}},
                       {{0, "Name", "propget"},
                        {0, "Quit", "method", "", "", "7"},
                        {0, "Visible", "propget"},
                        {0, "Visible", "propput"},
                        {0, "Caption", "propput", "W", "B", "9"},
                        {0, "Path", "propget", "R", "H"},
                        {0, "Secret", "propputref", "", "N"},
                        {1, "Count", "propget", "R"},
                        {1, "Add", "Method"}});
        test::WriteInf(dir / "lib.INF", "App", 0);
        EXPECT_TRUE(browser.LibraryMenuClicked("lib"));
    }

    // The tree as the window lists it, one line per node, two spaces per level.
    std::string Listing() const
    {
        std::string text;
        const TreeDisplay& d = browser.Display();
        d.WalkInOrder([&](std::int32_t node, std::int32_t depth) {
            text += std::string(static_cast<std::size_t>(depth) * 2, ' ') + std::string(d.Label(node)) + "\n";
            return true;
        });
        return text;
    }
    std::int32_t NodeNamed(std::string_view label) const
    {
        const TreeDisplay& d = browser.Display();
        for (std::int32_t n = 0; n < static_cast<std::int32_t>(d.NodeCount()); ++n)
            if (d.Label(n) == label) return n;
        return -1;
    }
};

TEST(BrowserCommands, SwitchesRelabelWithoutRebuilding)
{
    Model m;
    const std::vector<NodeRecord> before(m.browser.Nodes().begin(), m.browser.Nodes().end());
    EXPECT_EQ(m.browser.ToggleShowOrigin(""), TreeChange::Relabelled);
    EXPECT_EQ(m.browser.ToggleShowChildCount("On"), TreeChange::Relabelled);
    EXPECT_EQ(m.browser.ToggleShowFlags("On"), TreeChange::Relabelled);
    EXPECT_EQ(m.browser.ToggleShowMember("Off"), TreeChange::Relabelled);
    EXPECT_EQ(m.browser.ToggleShowMember("Off"), TreeChange::Relabelled);  // stays off
    EXPECT_TRUE(std::equal(before.begin(), before.end(), m.browser.Nodes().begin(), m.browser.Nodes().end()));
    // Relabelling shows the custom Font's child count too.
    EXPECT_EQ(m.Listing(),
              "App [3] [dual/oleautomation]\n"
              "  Documents (P:Documents) [1]\n"
              "    Document (M:Item) [2] [dual]\n"
              "      Window (P:Window) [0]\n"
              "  Font (P:Font) [0]\n"
              "  Window (P:ActiveWindow) [0]\n");
    // A fresh display leaves custom objects' counts out.
    m.browser.DisplayTree();
    EXPECT_NE(m.Listing().find("  Font (P:Font)\n"), std::string::npos) << m.Listing();
    EXPECT_EQ(m.browser.ToggleShowMember(), TreeChange::Relabelled);
    EXPECT_NE(m.Listing().find("  Documents {Document} (P:Documents) [1]\n"), std::string::npos) << m.Listing();
}

TEST(BrowserCommands, ShowHiddenAndExternalAreKeptInTheInfFile)
{
    Model m;
    EXPECT_EQ(m.browser.ToggleShowHidden(), TreeChange::Rebuilt);
    EXPECT_EQ(m.Listing(), "App\n  Documents {Document}\n    Document\n  Font\n");
    EXPECT_EQ(m.browser.NodesCaption(), "Nodes: 4(Ext)");
    EXPECT_EQ(ProfileDocument::Load(m.dir / "lib.INF")->Get("Main", "ShowHidden"), "False");
    EXPECT_EQ(m.browser.ToggleShowExternal(), TreeChange::Rebuilt);
    EXPECT_EQ(m.browser.NodesCaption(), "Nodes: 4");
    EXPECT_EQ(ProfileDocument::Load(m.dir / "lib.INF")->Get("Main", "ShowExternal"), "False");

    // The next opening reads them back.
    ASSERT_TRUE(m.browser.LibraryMenuClicked("lib"));
    EXPECT_FALSE(m.browser.Current().showHidden);
    EXPECT_FALSE(m.browser.Current().showExternal);
    EXPECT_TRUE(m.prompt.asked.empty());
}

TEST(BrowserCommands, FlatTreeRefusesHiddenAndExternalSwitches)
{
    Model m;
    m.browser.flatView = true;
    ASSERT_TRUE(m.browser.LibraryMenuClicked("lib"));
    EXPECT_EQ(m.Listing(), "<<flat>>\n  App\n  Document\n  Documents {Document}\n  Font\n  Window (H)\n");
    EXPECT_EQ(m.browser.Display().Image(m.NodeNamed("Window (H)")), NodeImage{});  // no "Hid" images here
    const std::string inf = test::ReadBytes(m.dir / "lib.INF");
    EXPECT_EQ(m.browser.ToggleShowHidden(), TreeChange::None);
    ASSERT_EQ(m.prompt.asked.size(), 1u);
    EXPECT_EQ(m.prompt.asked[0].text, "This feature not available when viewing a flat tree.");
    EXPECT_EQ(m.prompt.asked[0].icon, PromptIcon::Information);
    EXPECT_EQ(test::ReadBytes(m.dir / "lib.INF"), inf);

    // The flat root has no child count and no members; its global view is the flat tree.
    m.browser.ToggleShowChildCount("On");
    EXPECT_EQ(m.browser.Display().Label(0), "<<flat>>");
    auto click = m.browser.ObjectNodeClicked(0);
    ASSERT_TRUE(click);
    EXPECT_TRUE(click->panes.properties.empty());
    EXPECT_EQ(click->status, "Path: <<flat>>\nEnd Node: <<flat>>\nDOC STRING: ");
    EXPECT_EQ(m.browser.SwitchToGlobalView(), TreeChange::Rebuilt);
    EXPECT_EQ(m.browser.Nodes().size(), 6u);
}

TEST(BrowserCommands, LocalViewKeepsThePathBracketedAboveTheChosenNode)
{
    Model m;
    const std::int32_t document = m.NodeNamed("Document");
    ASSERT_GE(document, 0);
    EXPECT_EQ(m.browser.SwitchToLocalView(document), TreeChange::Rebuilt);
    EXPECT_EQ(m.browser.SeedCount(), 3u);
    EXPECT_EQ(m.Listing(),
              "[App]\n"
              "  [Documents] {Document}\n"
              "    Document\n"
              "      Window\n");
    EXPECT_EQ(m.browser.DisplaySelection(), 2);
    EXPECT_EQ(m.browser.DisplayExpanded(), (std::vector<std::int32_t>{0, 1, 2}));
    auto click = m.browser.ObjectNodeClicked(2);
    ASSERT_TRUE(click);
    EXPECT_EQ(click->status,
              "Path: App -- Documents -- Document\nEnd Node: Document (M:Item) [dual]\n"
              "DOC STRING: doc of Document");

    // Switches relabel without the brackets until the next display.
    m.browser.ToggleShowFlags("Off");
    EXPECT_EQ(m.browser.Display().Label(0), "App");
    EXPECT_EQ(m.browser.RefreshTree(), TreeChange::Rebuilt);
    EXPECT_EQ(m.browser.Display().Label(0), "[App]");

    EXPECT_EQ(m.browser.SwitchToLocalView(std::nullopt), TreeChange::None);
    EXPECT_EQ(m.browser.SwitchToGlobalView(), TreeChange::Rebuilt);
    EXPECT_EQ(m.browser.SeedCount(), 1u);
    EXPECT_EQ(m.browser.Nodes().size(), 6u);
}

TEST(BrowserCommands, MemberPanesSortAndCodeTheRowsAndFollowTheFile)
{
    Model m;
    auto click = m.browser.ObjectNodeClicked(0);
    ASSERT_TRUE(click);
    const MemberPanes& p = click->panes;
    std::vector<std::string> props, keys;
    for (const MemberRow& r : p.properties) {
        props.push_back(r.member.name);
        keys.push_back(PropertyImageKey(r.image));
    }
    // A propput with no access and a propputref with none are not shown.
    EXPECT_EQ(props, (std::vector<std::string>{"Caption", "Name", "Path", "Visible"}));
    EXPECT_EQ(keys, (std::vector<std::string>{"p120", "p032", "p011", "p032"}));
    ASSERT_EQ(p.methods.size(), 1u);
    EXPECT_EQ(MethodImageKey(p.methods[0].image), "m13");
    EXPECT_EQ(p.propertiesCaption, "Properties: 4");
    EXPECT_EQ(p.methodsCaption, "Methods: 1");
    EXPECT_EQ(p.defaultCaption, "Default:  P: Name");
    EXPECT_EQ(MemberStatusText(p.methods[0].member), "Property Quit()\nDOC STRING: about Quit");
    EXPECT_EQ(click->status, "Path: App\nEnd Node: App [dual/oleautomation]\nDOC STRING: doc of App");

    // "Method" in any case is a method; an object with no members has empty panes.
    click = m.browser.ObjectNodeClicked(m.NodeNamed("Documents {Document}"));
    ASSERT_TRUE(click);
    EXPECT_EQ(click->panes.methods.size(), 1u);
    EXPECT_EQ(click->panes.properties.size(), 1u);
    click = m.browser.ObjectNodeClicked(m.NodeNamed("Font"));
    ASSERT_TRUE(click);
    EXPECT_EQ(click->panes.propertiesCaption, "Properties: 0");
    EXPECT_EQ(click->panes.methodsCaption, "Methods: 0");
    EXPECT_EQ(click->panes.defaultCaption, "Default:  None");
    EXPECT_FALSE(m.browser.ObjectNodeClicked(99));

    // The panes follow a new extraction, which renames a new file over the old one.
    test::WriteDat(m.dir / "new.DAT", {{"App"}}, {}, {{0, "Run", "method"}, {0, "Stop", "method"}});
    std::filesystem::rename(m.dir / "new.DAT", m.dir / "lib.DAT");
    EXPECT_EQ(m.browser.ObjectNodeClicked(0)->panes.methods.size(), 2u);

    std::filesystem::remove(m.dir / "lib.DAT");
    EXPECT_FALSE(m.browser.ObjectNodeClicked(0));
    ASSERT_EQ(m.prompt.asked.size(), 1u);
    EXPECT_TRUE(m.prompt.asked[0].text.starts_with("Error displaying members. ")) << m.prompt.asked[0].text;
}

TEST(BrowserCommands, ExpandLevelsAnswers)
{
    const auto parse = [](std::string_view answer) -> std::string {
        const auto levels = ParseExpandLevels(answer);
        return levels ? std::to_string(levels->level) + (levels->collapseDeeper ? "<" : "") : "none";
    };
    EXPECT_EQ(parse("2<"), "2<");
    EXPECT_EQ(parse(" 2 "), "2");
    EXPECT_EQ(parse("3abc"), "3");
    for (const std::string_view refused : {"-1", "abc", "0", ""}) EXPECT_EQ(parse(refused), "none") << refused;
    EXPECT_EQ(parse("99999999999<"), "2147483647<");

    Model m;
    m.prompt.inputs = {std::string("1<"), std::nullopt};
    const auto asked = m.browser.AskExpandLevels();
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->level, 1);
    EXPECT_TRUE(asked->collapseDeeper);
    EXPECT_EQ(m.prompt.inputTexts[0], kExpandLevelsQuestion);
    EXPECT_FALSE(m.browser.AskExpandLevels());  // cancelled
}

}  // namespace
}  // namespace arbolith::browser
