// SPDX-License-Identifier: MIT
// Model making on real DAT files extracted from tests/data/extraction/model.tlb,
// with INF files written by SaveDataToINF.
#include "wizard/model_making.h"

#include "extract/extraction.h"
#include "platform/database.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "platform/write_faults.h"
#include "store/dat_schema.h"
#include "support/query_rows.h"
#include "support/temp_dir.h"
#include "support/tiny_tmpfs.h"
#include "wizard/model_from_library.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

#define ASSERT_OK(r) ASSERT_TRUE((r).ok()) << (r).error().description

const fs::path kModelLibrary = fs::path(ARBOLITH_TEST_DATA) / "extraction" / "model.tlb";

// Every file of a folder as "name size hash": what a failed making must
// leave exactly as it found it.
std::vector<std::string> Snapshot(const fs::path& folder)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string bytes = entry.is_regular_file() ? test::ReadBytes(entry.path()) : "<folder>";
        files.push_back(entry.path().filename().string() + " " + std::to_string(bytes.size()) + " " +
                        std::to_string(std::hash<std::string>()(bytes)));
    }
    std::sort(files.begin(), files.end());
    return files;
}

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
        const ExtractionResult extracted =
            ExtractFromTypeLib(kModelLibrary.string(), resource, options, progress, prompt);
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
    ASSERT_OK(
        OpenDatFile(dat).value().Execute("INSERT INTO Objects (Key, Name, Flags, HiddenState, IsCustom) VALUES (6, "
                                         "'Global', '/Hid/Dual/', 'H', False)"));
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
    const std::string datBytes = test::ReadBytes(dat);
    EXPECT_FALSE(Make().ok());
    EXPECT_EQ(test::ReadBytes(dat), datBytes);
    EXPECT_FALSE(fs::exists(inf));  // not even the settings are saved

    ASSERT_OK(OpenDatFile(dat).value().Execute("DELETE FROM Objects"));
    data.customObjects.clear();
    auto made = Make();
    ASSERT_OK(made);
    EXPECT_EQ(TopKey(), 0);
    EXPECT_FALSE(made->customTopAdded);
}

TEST_F(ModelMaking, AFailureAnywhereLeavesTheDatAndInfFilesByteForByte)
{
    data.topIsCustom = true;
    data.customTopObject = "Top";
    ASSERT_OK(Make());
    const auto first = Snapshot(m_dir.path());
    data.makeEventsObject = true;  // a change every step would carry through
    data.customObjects = {{"Extra", false, "", ""}};

    for (const bool compact : {false, true}) {
        const auto before = Snapshot(m_dir.path());
        struct Case {
            std::string name;
            std::function<void()> set;
        };
        // The Nth rename fails: the saved INF copy, its TopObjectKey, the DAT file, the INF file.
        std::vector<Case> cases;
        for (int n = 1; n <= 4; ++n)
            cases.push_back({"rename " + std::to_string(n) + " fails", [n] {
                                 SetBeforeRenameHook([n, seen = std::make_shared<int>(0)] {
                                     if (++*seen == n) throw std::runtime_error("stopped");
                                 });
                             }});
        cases.push_back({"first flush fails", [] { FailNextFileSync(); }});
        for (std::int64_t limit = 0; limit < 150'000; limit += 5000)
            cases.push_back({"full after " + std::to_string(limit), [limit] { FailWritesAfter(limit); }});
        int failed = 0;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name + (compact ? ", compacting" : ""));
            Result<MadeModel> made = MadeModel{};
            {
                ScopedWriteFaults restore;
                c.set();
                made = Make(compact);
            }
            if (made) break;  // enough room for the whole making
            ++failed;
            EXPECT_EQ(Snapshot(m_dir.path()), before);
        }
        EXPECT_GE(failed, 8);
    }
    EXPECT_NE(Snapshot(m_dir.path()), first);
    EXPECT_EQ(Added().size(), 3u);  // Top, <Events>, Extra
}

struct LibraryModels : ::testing::Test {
    LibraryModels()
    {
        places.modelsFolder = dir / "Models";
        fs::create_directory(places.modelsFolder);
        places.errorLog = dir / "errorlog.txt";
        library = dir / "model.tlb";
        fs::copy_file(kModelLibrary, library);
        request.library = library.string();
        request.topObject = "Application";
    }
    Result<MadeFromLibrary> MakeIt() { return MakeModelFromLibrary(request, places, progress, prompt); }

    test::TempDir dir;
    ModelPlaces places;
    fs::path library;
    ModelRequest request;
    SilentProgress progress;
    ScriptedPrompt prompt;
};

TEST_F(LibraryModels, ExtractsWhenTheLibraryChangesAndKeepsTheInfSettings)
{
    // No INF file and no top object named: nothing to make.
    request.topObject.clear();
    EXPECT_FALSE(MakeIt().ok());

    request.topObject = "application";
    request.events = true;
    request.connectToTop = std::vector<std::string>{"CFoo"};
    auto first = MakeIt();
    ASSERT_OK(first);
    EXPECT_TRUE(first->extracted);
    EXPECT_EQ(first->datFile, places.modelsFolder / "model.DAT");
    EXPECT_EQ(first->made.topObjectKey, 2);

    // The second run finds the DAT file current and the settings in the INF file.
    request = ModelRequest{};
    request.library = library.string();
    auto second = MakeIt();
    ASSERT_OK(second);
    EXPECT_FALSE(second->extracted);
    EXPECT_EQ(second->settings, first->settings);
    EXPECT_EQ(second->made.edges, first->made.edges);

    // Same size, other time: a library rebuilt to the same length.
    const auto size = fs::file_size(library);
    fs::last_write_time(library, fs::last_write_time(library) - std::chrono::hours(30));
    ASSERT_EQ(fs::file_size(library), size);
    auto again = MakeIt();
    ASSERT_OK(again);
    EXPECT_TRUE(again->extracted);
    EXPECT_FALSE(MakeIt()->extracted);

    // --interfaces makes the DAT file out of date; the other settings stay.
    request.interfaces = true;
    auto third = MakeIt();
    ASSERT_OK(third);
    EXPECT_TRUE(third->extracted);
    EXPECT_TRUE(third->settings.interfaces);
    EXPECT_TRUE(third->settings.makeEventsObject);
    EXPECT_EQ(third->settings.builtInTopObject, "application");
}

TEST_F(LibraryModels, AFailedReextractionLeavesTheModelAsItWas)
{
    ASSERT_OK(MakeIt());
    const auto before = Snapshot(places.modelsFolder);
    request.reextract = true;
    request.events = true;
    int failed = 0;
    for (std::int64_t limit = 0;; limit += 7000) {
        SCOPED_TRACE(limit);
        Result<MadeFromLibrary> made = MadeFromLibrary{};
        {
            ScopedWriteFaults restore;
            FailWritesAfter(limit);
            made = MakeIt();
        }
        if (made) break;
        ++failed;
        EXPECT_EQ(Snapshot(places.modelsFolder), before);  // no scratch folder left either
    }
    EXPECT_GE(failed, 5);
    EXPECT_NE(Snapshot(places.modelsFolder), before);
}

TEST_F(LibraryModels, ARealFullDiskLeavesTheModelAsItWas)
{
    test::TinyTmpfs disk(1 << 20);
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here: " << disk.WhyNot();
    places.modelsFolder = disk.path();
    places.compact = true;
    ASSERT_OK(MakeIt());
    request.reextract = true;
    request.events = true;
    int failed = 0;
    for (std::size_t free = 0; free < 200'000; free += 8192) {
        SCOPED_TRACE(free);
        const auto before = Snapshot(places.modelsFolder);
        disk.LeaveFree(free);
        auto made = MakeIt();
        disk.RemoveFiller();
        if (!made) {
            ++failed;
            EXPECT_EQ(Snapshot(places.modelsFolder), before);
            continue;
        }
        ASSERT_OK(OpenDatFile(made->datFile, true));
        EXPECT_EQ(ReadInfBrowseKeys(made->infFile).value().topObjectKey, made->made.topObjectKey);
    }
    EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace arbolith
