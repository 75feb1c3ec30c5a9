// SPDX-License-Identifier: MIT
// Opening models from their files: names, INF settings, branch limits, and
// damaged files of every kind ending in a message, never a crash.
#include "browser/object_browser.h"

#include "extract/extraction.h"

#include "browser/model_files.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace arbolith::browser {
namespace {

using test::DatEdge;
using test::DatObject;

struct Fixture {
    test::TempDir dir;
    ScriptedPrompt prompt;
    ObjectBrowser browser{dir.path(), prompt};

    std::string Messages() const
    {
        std::string all;
        for (const PromptMessage& m : prompt.asked) all += m.text + "\n";
        return all;
    }
};

const std::vector<DatObject> kThree = {{"App"}, {"Docs", true, "Doc"}, {"Doc"}};
const std::vector<DatEdge> kThreeEdges = {{0, 1, "(P:Documents)"}, {1, 2, "(M:Item)"}, {2, 0, "(P:Application)"}};

TEST(ModelLoading, NamesWithABlankOrPointsOpenByLibraryPathAndByKey)
{
    Fixture f;
    // Extraction writes the name with its blank; the INF file keeps it too.
    test::WriteDat(f.dir / "My Lib.DAT", kThree, kThreeEdges);
    test::WriteInf(f.dir / "My Lib.INF", "App", 0);
    ASSERT_TRUE(f.browser.LibraryMenuClicked("/opt/x/My Lib.olb"));
    EXPECT_EQ(f.browser.Current().datPath, f.dir / "My Lib.DAT");
    EXPECT_EQ(f.browser.Current().modelName, "Test Model");
    EXPECT_EQ(f.browser.Nodes().size(), 3u);
    // A file named without the blank is preferred when both exist.
    test::WriteDat(f.dir / "MyLib.DAT", {{"Solo"}}, {});
    ASSERT_TRUE(f.browser.LibraryMenuClicked("My Lib"));
    EXPECT_EQ(f.browser.Current().datPath, f.dir / "MyLib.DAT");

    // The library's path and the model key (as the Open Model dialog passes it).
    test::WriteDat(f.dir / "a.b.DAT", kThree, kThreeEdges);
    ASSERT_TRUE(f.browser.LibraryMenuClicked("/libs/a.b.olb"));
    EXPECT_EQ(f.browser.Current().baseName, "a.b");
    ASSERT_TRUE(f.browser.LibraryMenuClicked("a.b"));
    EXPECT_EQ(f.browser.Current().infPath, f.dir / "a.b.INF");
    // A model "a" of its own takes the name before the point.
    test::WriteDat(f.dir / "a.DAT", {{"Solo"}}, {});
    ASSERT_TRUE(f.browser.LibraryMenuClicked("a.b"));
    EXPECT_EQ(f.browser.Current().datPath, f.dir / "a.DAT");
    EXPECT_TRUE(f.prompt.asked.empty()) << f.Messages();
}

TEST(ModelLoading, MissingOrUnreadableDatFileIsReportedAndLeavesNoModelOpen)
{
    Fixture f;
    test::WriteInf(f.dir / "Gone.INF", "App", 0);
    auto result = f.browser.SetActiveModel("Gone");
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(*result, ActiveModelResult::DatMissing);
    EXPECT_FALSE(f.browser.Current().IsOpen());
    EXPECT_FALSE(f.browser.Current().datPath.empty());  // closing writes an empty CurrentLibrary

    EXPECT_FALSE(f.browser.LibraryMenuClicked("Gone"));
    ASSERT_EQ(f.prompt.asked.size(), 1u);
    EXPECT_EQ(f.prompt.asked[0].icon, PromptIcon::Critical);
    EXPECT_EQ(f.prompt.asked[0].text, "The file " + (f.dir / "Gone.DAT").string() +
                                          " for Test Model is missing or corrupted. Please recreate the object "
                                          "model from the type library using the Create Model Wizard under the "
                                          "File menu.");

    // At start-up the same model is passed over without a word.
    EXPECT_FALSE(f.browser.OpenAtStartup("Gone"));
    EXPECT_EQ(f.prompt.asked.size(), 1u);

    // A file that is no database gets the same message.
    test::WriteBytes(f.dir / "junk.DAT", std::string(4096, 'x'));
    EXPECT_FALSE(f.browser.LibraryMenuClicked("junk"));
    ASSERT_EQ(f.prompt.asked.size(), 2u);
    EXPECT_NE(f.prompt.asked[1].text.find("is missing or corrupted."), std::string::npos);
    EXPECT_FALSE(f.browser.Current().IsOpen());
}

TEST(ModelLoading, InfSettingsAndTheirDefaults)
{
    Fixture f;
    test::WriteDat(f.dir / "m.DAT", kThree, kThreeEdges, {}, "lib.chm");
    // No INF at all: top key 0, top only once off, hidden and external shown.
    ASSERT_TRUE(f.browser.LibraryMenuClicked("m"));
    const CurrentModel& c = f.browser.Current();
    EXPECT_EQ(c.topObjectName, "");
    EXPECT_EQ(c.topObjectKey, 0);
    EXPECT_FALSE(c.topOnlyOnce);
    EXPECT_TRUE(c.showHidden);
    EXPECT_TRUE(c.showExternal);
    EXPECT_EQ(c.helpFile, "lib.chm");
    // Without top only once the cycle App -> Docs -> Doc -> App unrolls
    // until each object has been expanded six times.
    EXPECT_EQ(f.browser.Nodes().size(), 19u);

    test::WriteBytes(f.dir / "m.INF",
                     "[Main]\nModelName=M\nShowHidden=0\nShowExternal=yes\nHelpFile=   \n"
                     "[TopObject]\nTopIsCustom=True\nCustomTopObject=app\nBuiltInTopObject=Doc\n"
                     "TopObjectKey=2\nTopOnlyOnce=-1\n");
    ASSERT_TRUE(f.browser.LibraryMenuClicked("m"));
    EXPECT_EQ(c.topObjectName, "app");
    EXPECT_EQ(c.topObjectKey, 2);
    EXPECT_TRUE(c.topOnlyOnce);
    EXPECT_FALSE(c.showHidden);
    EXPECT_TRUE(c.showExternal);       // "yes" is no boolean: the default
    EXPECT_EQ(c.helpFile, "lib.chm");  // blanks only: the library's own
    EXPECT_EQ(f.browser.WindowCaption("Arbolith"), "M - Arbolith");
    // Root Doc; App is the top by name, so the edge to it is dropped.
    EXPECT_EQ(f.browser.Nodes().size(), 1u);
    EXPECT_TRUE(f.prompt.asked.empty()) << f.Messages();
}

TEST(ModelLoading, NonleafCountsKeepEveryLimitInRange)
{
    test::TempDir dir;
    const auto inf = dir / "m.INF";
    std::vector<ObjectRecord> objects(6);
    for (std::size_t i = 0; i < objects.size(); ++i) objects[i].name = "O" + std::to_string(i);
    const auto limits = [&](std::int32_t fallback) {
        ReadNonleafCounts(inf, fallback, objects);
        std::vector<std::int32_t> all;
        for (const ObjectRecord& o : objects) all.push_back(o.branchLimit);
        return all;
    };
    EXPECT_EQ(limits(4), std::vector<std::int32_t>(6, 4));  // no file
    test::WriteBytes(inf, "[NonleafCounts]\n<default>=3\nO0=101\nO1=-1\no2=0\nO3=2000000000\nO4=abc\nO5=100\n");
    EXPECT_EQ(limits(6), (std::vector<std::int32_t>{3, 3, 0, 3, 3, 100}));
    // A default outside 0..100 is no default: every object would otherwise
    // be expanded up to two billion times.
    test::WriteBytes(inf, "[NonleafCounts]\n<Default>=2000000000\nO1=1\n");
    EXPECT_EQ(limits(6), (std::vector<std::int32_t>{6, 1, 6, 6, 6, 6}));
    test::WriteBytes(inf, "\xff\xfe garbage [[[\n=\n[NonleafCounts\n<Default\n");
    EXPECT_EQ(limits(5), std::vector<std::int32_t>(6, 5));
}

// Model making always writes TopObjectKey; an INF file without it (or with
// a word there) still opens, rooted at key 0, and says so once.
TEST(ModelLoading, InfWithoutTopObjectKeyIsReportedOnceByName)
{
    for (const char* topKey : {"", "TopObjectKey=first\n"}) {
        SCOPED_TRACE(topKey);
        Fixture f;
        test::WriteDat(f.dir / "m.DAT", kThree, kThreeEdges);
        test::WriteBytes(f.dir / "m.INF", std::string("[Main]\nModelName=M\n[TopObject]\n") + topKey +
                                              "BuiltInTopObject=Doc\nTopIsCustom=False\n");
        ASSERT_TRUE(f.browser.LibraryMenuClicked("m"));
        EXPECT_EQ(f.browser.Model().objects[static_cast<std::size_t>(f.browser.Nodes()[0].object)].name, "App");
        ASSERT_EQ(f.prompt.asked.size(), 1u) << f.Messages();
        EXPECT_NE(f.prompt.asked[0].text.find("The INF file " + (f.dir / "m.INF").string() + " does not say which "),
                  std::string::npos);
        EXPECT_EQ(f.prompt.asked[0].icon, PromptIcon::Exclamation);
        // The start-up path is the same path.
        EXPECT_TRUE(f.browser.OpenAtStartup("m"));
        EXPECT_EQ(f.prompt.asked.size(), 2u);
    }
}

// An INF file whose NonleafCounts section has tens of thousands of keys
// (made by hand or damaged) is read in one pass: before, each key was looked
// up by scanning the whole section, which took minutes.
TEST(ModelLoading, HugeNonleafCountsSectionReadsEveryEntry)
{
    Fixture f;
    test::WriteDat(f.dir / "m.DAT", kThree, kThreeEdges);
    test::WriteInf(f.dir / "m.INF", "App", 0, false);
    std::string section = "\n[NonleafCounts]\n";
    for (int i = 0; i < 60000; ++i) section += "Unused" + std::to_string(i) + "=" + std::to_string(i % 7) + "\n";
    section += "docs=1\nDocs=50\n<Default>=2\n";
    test::WriteBytes(f.dir / "m.INF", test::ReadBytes(f.dir / "m.INF") + section);

    ASSERT_TRUE(f.browser.LibraryMenuClicked("m"));
    std::vector<std::int32_t> limits;
    for (const ObjectRecord& o : f.browser.Model().objects) limits.push_back(o.branchLimit);
    EXPECT_EQ(limits, (std::vector<std::int32_t>{2, 1, 2}));  // the first of equal names wins
    EXPECT_TRUE(f.prompt.asked.empty()) << f.Messages();
}

// Damaged DAT files: each ends in a message and an empty or partial tree.
TEST(ModelLoading, DamagedDatFilesGiveAMessageNotACrash)
{
    struct Case {
        const char* what;
        const char* sql;       // run on a good file to damage it
        const char* expected;  // part of the message
    };
    const Case cases[] = {
        {"no Objects table", "DROP TABLE Objects", "Error filling objects array for m. "},
        {"no Edges table", "DROP TABLE Edges", "Error A8: "},
        {"no Library table", "DROP TABLE Library", nullptr},
        {"edges to nowhere", "UPDATE Edges SET ChildObjectKey = 999 WHERE ChildObjectKey = 2", "1 of the 3 edges"},
        {"Null keys in edges", "UPDATE Edges SET ParentObjectKey = NULL, ChildObjectKey = NULL", "3 of the 3 edges"},
        {"Null everywhere",
         "UPDATE Objects SET Name = NULL, Key = NULL, IsCollection = NULL, MemberName = NULL, "
         "HiddenState = NULL, Flags = NULL, DocString = NULL, HelpID = NULL",
         "3 of the 3 edges"},
        {"wrong types", "UPDATE Objects SET Key = '' || Key, IsCollection = 'yes', cChildObjects = 'many', Name = 7",
         nullptr},
        {"keys out of range", "UPDATE Objects SET Key = Key + 3000000000",
         "Error creating library nodes. The top object key 0 names no object of the model (it has 3 objects)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        test::WriteDat(f.dir / "m.DAT", kThree, kThreeEdges);
        {
            auto db = OpenDatFile(f.dir / "m.DAT");
            ASSERT_TRUE(db.ok());
            ASSERT_TRUE(db->ExecuteScript(c.sql).ok()) << c.sql;
        }
        f.browser.LibraryMenuClicked("m");
        if (c.expected)
            EXPECT_NE(f.Messages().find(c.expected), std::string::npos) << f.Messages();
        else
            EXPECT_TRUE(f.prompt.asked.empty()) << f.Messages();
        // Whatever was built displays and every node can be clicked.
        for (std::int32_t n = 0; n < static_cast<std::int32_t>(f.browser.Nodes().size()); ++n)
            f.browser.ObjectNodeClicked(n);
        EXPECT_EQ(f.browser.Display().NodeCount(), f.browser.Nodes().size());
    }
}

}  // namespace
}  // namespace arbolith::browser
