// SPDX-License-Identifier: MIT
// ProcessData on real DAT files extracted from tests/data/extraction/model.tlb,
// with INF files written by SaveDataToINF.
#include "wizard/model_making.h"

#include "extract/extraction.h"
#include "platform/database.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "store/dat_schema.h"
#include "support/query_rows.h"
#include "support/temp_dir.h"
#include "wizard/model_from_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

#define ASSERT_OK(r) ASSERT_TRUE((r).ok()) << (r).error().description

class ModelMaking : public ::testing::Test {
protected:
    ModelMaking()
    {
        ExtractOptions options;
        options.modelsFolder = m_dir.path();
        options.errorLog = m_dir / "errorlog.txt";
        std::string resource = "1";
        SilentProgress progress;
        ScriptedPrompt prompt;
        const ExtractionResult extracted = ExtractFromTypeLib(
            (fs::path(ARBOLITH_TEST_DATA) / "extraction" / "model.tlb").string(), resource, options, progress, prompt);
        EXPECT_TRUE(extracted.ok) << extracted.failure;
        dat = extracted.datFile;
        inf = m_dir / "model.INF";
        data.library = "model.tlb";
    }

    Result<MadeModel> Make(bool compact = false) { return MakeModel(dat, inf, data, compact); }

    // Every row of a table, fields joined by "|", Null as "~".
    std::vector<std::string> Rows(std::string_view sql)
    {
        auto db = OpenDatFile(dat, true);
        EXPECT_TRUE(db.ok()) << db.error().description;
        if (!db) return {};
        return test::QueryRows(*db, sql, "~");
    }
    std::vector<std::string> Added()
    {
        return Rows(
            "SELECT Key, Name, NameX, IsCollection, MemberName, DocString, IsExternal FROM Objects "
            "WHERE IsCustom ORDER BY Key");
    }
    std::vector<std::string> AddedEdges()
    {
        return Rows(
            "SELECT ParentObjectKey, ParentObjectName, ChildObjectKey, ChildObjectName, Label FROM Edges "
            "WHERE IsCustom ORDER BY rowid");
    }
    std::optional<std::int32_t> TopKey() { return ReadInfBrowseKeys(inf).value().topObjectKey; }

    test::TempDir m_dir;
    fs::path dat;
    fs::path inf;
    InfData data;
};

TEST_F(ModelMaking, EverySettingAddsItsRowsAndMakingTwiceGivesTheSameTables)
{
    data.topIsCustom = true;
    data.customTopObject = " My'Top ";
    data.connectToTop = {"items", "Nowhere", "CFoo"};
    data.makeEventsObject = true;
    data.makeControlsObject = true;
    data.customObjects = {{"Bag \"of\" things", true, "CFoo", "A bag"}, {"Plain'", false, "", ""}};
    data.externalEdges = {{"Application", "(<P:Font)", "StdFont", "stdole"},
                          {"CFoo", "(<M:Font)", "StdFont", "stdole"},
                          {"Missing", "(<P:Picture)", "StdPicture", "stdole"}};
    data.collections = {{"Items", "", "Thing"}, {"Application", "Y", "CFoo"}, {"Nothing", "Y", ""}};
    data.edges = {{"Application", "DDocSink", "Items"}, {"CFoo", "AppEvents", ""}, {"CFoo", "Nowhere", "x"}};
    ASSERT_OK(Make());

    // Extracted: CFoo 0, IFooBar 1, Application 2, Items 3, AppEvents 4, DDocSink 5.
    const std::vector<std::string> objects = {
        "6|My'Top|~|~|~|User-defined custom top object for model.|~",
        "7|<Events>|~|~|~|Custom events object.|~",
        "8|<Controls>|~|~|~|Custom controls object.|~",
        "9|Bag \"of\" things|~|1|CFoo|A bag|~",
        "10|Plain'|~|0|||~",
        "11|StdFont|(stdole)|0||External object|1",     // one external object for two edges
        "12|StdPicture|(stdole)|0||External object|1",  // kept although its parent is missing
    };
    const std::vector<std::string> edges = {
        "6|My'Top|3|items|~",
        "6|My'Top|0|CFoo|~",  // connections, names as the INF file writes them
        "6|My'Top|7|<Events>|~",
        "7|<Events>|4|AppEvents|~",
        "6|My'Top|8|<Controls>|~",  // no type has the control flag
        "2|Application|11|StdFont|(<P:Font)",
        "0|CFoo|11|StdFont|(<M:Font)",
        "2|Application|5|DDocSink|(<Items)",
        "0|CFoo|4|AppEvents|~",
    };
    EXPECT_EQ(Added(), objects);
    EXPECT_EQ(AddedEdges(), edges);
    EXPECT_EQ(TopKey(), 6);
    // An empty flag makes a noncollection that still takes the member.
    EXPECT_EQ(Rows("SELECT Name, IsCollection, MemberName FROM Objects WHERE Name IN ('Items', 'Application')"),
              (std::vector<std::string>{"Application|1|CFoo", "Items|0|Thing"}));

    const auto before = Rows("SELECT * FROM Objects ORDER BY rowid");
    const auto edgesBefore = Rows("SELECT * FROM Edges ORDER BY rowid");
    auto again = Make(true);
    ASSERT_OK(again);
    EXPECT_EQ(again->topObjectKey, 6);
    EXPECT_EQ(Rows("SELECT * FROM Objects ORDER BY rowid"), before);
    EXPECT_EQ(Rows("SELECT * FROM Edges ORDER BY rowid"), edgesBefore);
    EXPECT_FALSE(fs::exists(dat.string() + "X"));

    // Dropping the settings takes every made row away again; the element
    // type goes back to the coclass name extraction gave it, not to the
    // interface name it was extracted under.
    data = InfData{};
    data.library = "model.tlb";
    data.topIsCustom = false;
    data.builtInTopObject = "Application";
    data.globalObject = false;
    ASSERT_OK(Make());
    EXPECT_TRUE(Added().empty());
    EXPECT_TRUE(AddedEdges().empty());
    EXPECT_EQ(Rows("SELECT Name, IsCollection, MemberName FROM Objects WHERE Name IN ('Items', 'Application')"),
              (std::vector<std::string>{"Application|0|", "Items|1|CFoo"}));
}

TEST_F(ModelMaking, TopObjectIsFoundInAnyCaseAndConnectionsNeedACustomTop)
{
    for (const bool custom : {false, true}) {
        data.topIsCustom = custom;
        (custom ? data.customTopObject : data.builtInTopObject) = "application";
        data.connectToTop = {"CFoo"};
        auto made = Make();
        ASSERT_OK(made);
        EXPECT_EQ(made->topObjectKey, 2);
        EXPECT_FALSE(made->customTopAdded);
        EXPECT_EQ(TopKey(), 2);
        EXPECT_TRUE(Added().empty());
        EXPECT_TRUE(AddedEdges().empty());
    }
    EXPECT_EQ(ReadInfBrowseKeys(inf).value().modelName, "model");  // empty name: the library's
}

TEST_F(ModelMaking, GlobalObjectIsShownAndHungUnderTheTop)
{
    {
        auto db = OpenDatFile(dat);
        ASSERT_OK(db);
        ASSERT_OK(
            db->Execute("INSERT INTO Objects (Key, Name, Flags, HiddenState, IsCustom) "
                        "VALUES (6, 'Global', '/Hid/Dual/', 'H', False)"));
    }
    data.topIsCustom = false;
    data.builtInTopObject = "Application";
    data.globalObject = true;
    ASSERT_OK(Make());
    EXPECT_EQ(Rows("SELECT Flags, HiddenState FROM Objects WHERE Name = 'Global'"),
              std::vector<std::string>{"/Dual/|"});
    EXPECT_EQ(AddedEdges(), std::vector<std::string>{"2|Application|6|Global|~"});
}

TEST_F(ModelMaking, EmptyObjectsTableGivesTopKeyZeroAndAFailureChangesNothing)
{
    data.customObjects = {{"", false, "", ""}};  // no name: the Objects table refuses it
    data.customTopObject = "Top";
    const auto before = Rows("SELECT * FROM Objects ORDER BY rowid");
    EXPECT_FALSE(Make().ok());
    EXPECT_EQ(Rows("SELECT * FROM Objects ORDER BY rowid"), before);
    EXPECT_FALSE(TopKey().has_value());

    {
        auto db = OpenDatFile(dat);
        ASSERT_OK(db);
        ASSERT_OK(db->Execute("DELETE FROM Objects"));
    }
    data.customObjects.clear();
    auto made = Make();
    ASSERT_OK(made);
    EXPECT_EQ(TopKey(), 0);
    EXPECT_FALSE(made->customTopAdded);
}

TEST(ModelFromLibrary, ExtractsOnceKeepsTheInfSettingsAndLetsTheRequestOverrideThem)
{
    test::TempDir dir;
    ModelPlaces places;
    places.modelsFolder = dir.path();
    places.errorLog = dir / "errorlog.txt";
    places.compact = false;
    SilentProgress progress;
    ScriptedPrompt prompt;
    ModelRequest request;
    request.library = (fs::path(ARBOLITH_TEST_DATA) / "extraction" / "model.tlb").string();

    // No INF file and no top object named: nothing to make.
    EXPECT_FALSE(MakeModelFromLibrary(request, places, progress, prompt).ok());

    request.topObject = "application";
    request.events = true;
    request.connectToTop = std::vector<std::string>{"CFoo"};
    auto first = MakeModelFromLibrary(request, places, progress, prompt);
    ASSERT_OK(first);
    EXPECT_TRUE(first->extracted);
    EXPECT_EQ(first->datFile, dir / "model.DAT");
    EXPECT_EQ(first->made.topObjectKey, 2);

    // The second run finds the DAT file current and the settings in the INF
    // file; --interfaces makes the DAT file out of date.
    ModelRequest plain;
    plain.library = request.library;
    auto second = MakeModelFromLibrary(plain, places, progress, prompt);
    ASSERT_OK(second);
    EXPECT_FALSE(second->extracted);
    EXPECT_EQ(second->settings, first->settings);
    EXPECT_EQ(second->made.edges, first->made.edges);

    ModelRequest interfaces = plain;
    interfaces.interfaces = true;
    auto third = MakeModelFromLibrary(interfaces, places, progress, prompt);
    ASSERT_OK(third);
    EXPECT_TRUE(third->extracted);
    EXPECT_TRUE(third->settings.interfaces);
    EXPECT_TRUE(third->settings.makeEventsObject);
    EXPECT_EQ(third->settings.builtInTopObject, "application");
}

}  // namespace
}  // namespace arbolith
