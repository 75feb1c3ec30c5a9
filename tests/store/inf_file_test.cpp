// SPDX-License-Identifier: MIT
#include "store/inf_file.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace arbolith {
namespace {

InfData SampleData()
{
    InfData d;
    d.interfaces = true;
    d.library = "scrrun.dll";
    d.modelName = "  Scripting Runtime ";
    d.resourceNumber = "";
    d.category = "";
    d.topIsCustom = false;
    d.builtInTopObject = "FileSystemObject";
    d.connectToTop = {"Dictionary", "Encoder"};
    d.makeEventsObject = true;
    d.edges = {{"Drive", "Folder", ""}, {"Folder", "Files", "(P:Files)"}};
    d.customObjects = {{"Root", false, "", ""}, {"Bag's \"items\"", true, "Item", "It's 50% * [odd]"}};
    d.collections = {{"Drives", "Y", "Drive"}, {"Folders", "", ""}, {"Files", "N", ""}};
    d.externalEdges = {{"Folder", "(<P:Font)", "Font", "stdole 2.0"}};
    return d;
}

TEST(InfFile, SaveAndLoadRoundTrip)
{
    test::TempDir dir;
    const auto inf = dir / "scrrun.INF";
    auto missing = GetInfData(inf);
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().description.find("scrrun.INF"), std::string::npos);

    InfData saved = SampleData();
    ASSERT_TRUE(SaveDataToINF(inf, saved).ok());
    // Empty entries take their fallbacks, and the caller sees them.
    EXPECT_EQ(saved.resourceNumber, "1");
    EXPECT_EQ(saved.category, "Misc");
    EXPECT_EQ(saved.modelName, "Scripting Runtime");

    InfData expected = saved;
    expected.collections = {{"Drives", "Y", "Drive"}, {"Files", "N", ""}};  // the row with nothing set is not saved
    EXPECT_EQ(GetInfData(inf).value(), expected);

    // Empty fields keep their separators.
    const std::string text = test::ReadBytes(inf);
    EXPECT_NE(text.find("\nRoot|False||=\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nDrive|Folder|=\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ConnectToTop=Dictionary|Encoder\n"), std::string::npos) << text;
}

TEST(InfFile, SaveKeepsOtherKeysAndReplacesListsOnce)
{
    test::TempDir dir;
    const auto inf = dir / "m.INF";
    test::WriteBytes(inf,
                     "[Main]\nShowHidden=False\nHelpFile=/h/x.chm\n[TopObject]\nTopObjectKey=17\n"
                     "[NonleafCounts]\n<Default>=4\nDrive=12\n[ReturnType]\nold=\n[Edges]\nStale|Row|=\n");
    InfData d = SampleData();
    ASSERT_TRUE(SaveDataToINF(inf, d).ok());
    ASSERT_TRUE(SaveDataToINF(inf, d).ok());

    const auto doc = ProfileDocument::Load(inf).value();
    EXPECT_FALSE(doc.HasSection("ReturnType"));
    EXPECT_EQ(doc.SectionKeys("Edges"), (std::vector<std::string>{"Drive|Folder|", "Folder|Files|(P:Files)"}));
    const std::string text = test::ReadBytes(inf);
    EXPECT_EQ(text.find("[Edges]"), text.rfind("[Edges]"));

    auto keys = ReadInfBrowseKeys(inf);
    ASSERT_TRUE(keys.ok());
    EXPECT_FALSE(keys->showHidden);
    EXPECT_TRUE(keys->showExternal);
    EXPECT_EQ(keys->helpFile, "/h/x.chm");
    EXPECT_EQ(keys->topObjectKey, 17);
    EXPECT_EQ(keys->nonleafCounts.at("<Default>"), 4);
    EXPECT_EQ(keys->nonleafCounts.at("Drive"), 12);
    EXPECT_EQ(keys->interfaces, true);

    ASSERT_TRUE(WriteInfTopObjectKey(inf, 40000).ok());
    ASSERT_TRUE(WriteInfShowExternal(inf, false).ok());
    keys = ReadInfBrowseKeys(inf);
    EXPECT_EQ(keys->topObjectKey, 40000);
    EXPECT_FALSE(keys->showExternal);
}

TEST(InfFile, BooleansDuplicatesAndEntriesThatCannotBeKeys)
{
    test::TempDir dir;
    const auto inf = dir / "m.INF";
    test::WriteBytes(inf,
                     "[TopObject]\nTopOnlyOnce=yes\nTopIsCustom=0\n[Special]\nGlobalObject=FALSE\n"
                     "MakeControlsObject=-1\n[Main]\nInterfaces=2\nModules=abc\n");
    const InfData d = GetInfData(inf).value();
    // "yes" and "abc" are no boolean text: the defaults
    EXPECT_EQ(std::vector<bool>(
                  {d.topOnlyOnce, d.topIsCustom, d.globalObject, d.makeControlsObject, d.interfaces, d.modules}),
              std::vector<bool>({true, false, false, true, true, false}));

    // Two equal entries are one key in the file.
    InfData twice;
    twice.edges = {{"A", "B", ""}, {"A", "B", ""}, {"a", "b", ""}};
    ASSERT_TRUE(SaveDataToINF(inf, twice).ok());
    EXPECT_EQ(GetInfData(inf).value().edges, (std::vector<InfEdge>{{"A", "B", ""}}));

    // An entry that cannot be a key is refused and the file is unchanged.
    InfData good = SampleData();
    ASSERT_TRUE(SaveDataToINF(inf, good).ok());
    const std::string before = test::ReadBytes(inf);

    for (const InfEdge& bad : {InfEdge{"A=B", "C", ""}, InfEdge{"[A", "C", ""}, InfEdge{";A", "C", ""},
                               InfEdge{"A", "C", "line\nbreak"}, InfEdge{"A", "C", "x|y"}}) {
        InfData d = SampleData();
        d.modelName = "Changed";
        d.edges.push_back(bad);
        const auto saved = SaveDataToINF(inf, d);
        ASSERT_FALSE(saved.ok()) << bad.parent << " " << bad.label;
        EXPECT_NE(saved.error().description.find(bad.parent + "|" + bad.child), std::string::npos)
            << saved.error().description;
        EXPECT_EQ(test::ReadBytes(inf), before);
    }
}

}  // namespace
}  // namespace arbolith
