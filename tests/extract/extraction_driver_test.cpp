// SPDX-License-Identifier: MIT
// ExtractFromTypeLib end to end: real libraries in, real DAT files and error
// logs out, captions and messages read from the scripted interfaces.
#include "extract/extraction.h"
#include "platform/write_faults.h"
#include "store/dat_schema.h"
#include "support/query_rows.h"
#include "support/temp_dir.h"
#include "typelib/msft_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::FolderNames;
const fs::path kModelLibrary = fs::path(ARBOLITH_TEST_DATA) / "extraction" / "model.tlb";
const fs::path kWine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";

class ExtractionDriver : public ::testing::Test {
protected:
    ExtractionDriver()
    {
        fs::create_directories(m_dir / "Models");
        options.modelsFolder = m_dir / "Models";
        options.errorLog = m_dir / "errorlog.txt";
        options.load.resolveExternal = true;
        options.load.searchPaths = {kWine.string()};
    }

    ExtractionResult Extract(const fs::path& library, std::string resource = "1")
    {
        m_resource = std::move(resource);
        return ExtractFromTypeLib(library.string(), m_resource, options, progress, prompt);
    }

    std::string Log() const { return test::ReadBytes(options.errorLog); }
    const fs::path& Dir() const { return m_dir.path(); }
    const std::string& Resource() const { return m_resource; }

    test::TempDir m_dir;
    ExtractOptions options;
    RecordingProgress progress;
    ScriptedPrompt prompt;
    std::string m_resource;
};

TEST_F(ExtractionDriver, LoadFailureLeavesTheOldFileAndAppendsToTheLog)
{
    const fs::path library = Dir() / "Broken.dll";
    test::WriteBytes(library, "MZ this is no library at all");
    const fs::path dat = options.modelsFolder / "Broken.DAT";
    const std::string oldBytes = "an older model file, byte for byte";
    test::WriteBytes(dat, oldBytes);

    const ExtractionResult first = Extract(library);
    EXPECT_FALSE(first.ok);
    EXPECT_FALSE(first.failure.empty());
    EXPECT_EQ(test::ReadBytes(dat), oldBytes);
    EXPECT_FALSE(fs::exists(dat.string() + ".partial"));
    EXPECT_EQ(progress.captions, std::vector<std::string>{"Extracting data from library ..."});
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, first.failure);
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Critical);
    EXPECT_EQ(prompt.asked[1].text, "Error opening type library " + library.string() +
                                        ". More details are in the ErrorLog.txt file in the ARL folder.");
    EXPECT_EQ(prompt.asked[1].icon, PromptIcon::Critical);

    const std::string firstLog = Log();
    EXPECT_TRUE(firstLog.starts_with("TypeLibInfoFromFile error for " + library.string() + ". ")) << firstLog;
    EXPECT_NE(firstLog.find(": " + first.failure + "\n"), std::string::npos) << firstLog;

    // A second run adds its line after the first run's.
    EXPECT_FALSE(Extract(library).ok);
    EXPECT_EQ(Log(), firstLog + firstLog);
    EXPECT_EQ(test::ReadBytes(dat), oldBytes);
}

TEST_F(ExtractionDriver, QuotesAndLongNamesSurviveEveryStep)
{
    // A hand-built library: enum "<name>" { Red = 5 } and interface IThing.
    const std::string enumName = "O'Brien \"quoted\" ' OR 1=1 -- " + std::string(120, 'n');
    const fs::path library = Dir() / "quoted.tlb";
    test::WriteBytes(library, test::SampleLibrary(enumName));
    options.inclInterfaces = true;
    const ExtractionResult result = Extract(library);
    ASSERT_TRUE(result.ok) << result.failure;
    EXPECT_FALSE(result.errorsLogged) << Log();

    auto db = OpenDatFile(result.datFile, true);
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(test::QueryRows(*db, "SELECT Enum FROM Enums WHERE Constant = 'Red'"), std::vector{enumName});
    EXPECT_EQ(test::QueryRows(*db, "SELECT Name FROM Objects ORDER BY Key"),
              (std::vector<std::string>{"IThing", "<interfaces>"}));
}

TEST_F(ExtractionDriver, AFailedStoreFailsTheRunAndKeepsTheOldFile)
{
    // An enum without a name: the Enums table refuses it, so storing fails
    // whole. The log says why, and the old model stays as it was.
    const fs::path library = Dir() / "nameless.tlb";
    test::WriteBytes(library, test::SampleLibrary(""));
    const fs::path dat = options.modelsFolder / "nameless.DAT";
    test::WriteBytes(dat, "the old model");
    const ExtractionResult result = Extract(library);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.failure.empty());
    EXPECT_EQ(test::ReadBytes(dat), "the old model");
    EXPECT_EQ(FolderNames(options.modelsFolder), std::vector<std::string>{"nameless.DAT"});
    const std::string log = Log();
    EXPECT_TRUE(log.starts_with("Error in SaveOMD: database 275- ")) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Critical);
    EXPECT_EQ(prompt.asked[0].text, "Error creating data file " + dat.string() +
                                        ". More details are in the ErrorLog.txt file in the ARL folder.");
    EXPECT_NE(progress.captions.back(), "Data file created successfully");
}

TEST_F(ExtractionDriver, AFullOrFailingDiskKeepsTheOldFileByteForByte)
{
    const fs::path dat = options.modelsFolder / "model.DAT";
    ASSERT_TRUE(Extract(kModelLibrary).ok);
    const std::string good = test::ReadBytes(dat);

    std::vector<std::pair<std::string, std::function<void()>>> cases = {{"flush fails", [] { FailNextFileSync(); }},
                                                                        {"rename fails", [] { FailNextFileRename(); }}};
    // The disk fills up at points all through storing the tables.
    for (std::int64_t limit = 0; limit < static_cast<std::int64_t>(good.size()); limit += 6000)
        cases.emplace_back("full after " + std::to_string(limit) + " bytes", [limit] { FailWritesAfter(limit); });
    for (const auto& [name, inject] : cases) {
        SCOPED_TRACE(name);
        fs::remove(options.errorLog);
        ExtractionResult result;
        {
            ScopedWriteFaults restore;
            inject();
            result = Extract(kModelLibrary);
        }
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(test::ReadBytes(dat), good);
        EXPECT_EQ(FolderNames(options.modelsFolder), std::vector<std::string>{"model.DAT"});
        EXPECT_FALSE(Log().empty());
        auto db = OpenDatFile(dat, true);
        ASSERT_TRUE(db.ok()) << db.error().description;
        EXPECT_TRUE(db->HasTable("Objects").value());
    }
}

TEST_F(ExtractionDriver, ModelLibraryGoesThroughEveryStep)
{
    // model.idl: see tests/data/extraction/README.md for what each type is for.
    // It replaces a stale model file whole.
    test::WriteBytes(options.modelsFolder / "model.DAT", "stale");
    options.inclInterfaces = options.inclModules = true;
    const ExtractionResult result = Extract(kModelLibrary, "abc");
    ASSERT_TRUE(result.ok) << result.failure;
    EXPECT_EQ(Resource(), "1");  // not a number: the caller's variable changes too
    EXPECT_EQ(result.datFile, options.modelsFolder / "model.DAT");
    EXPECT_EQ(result.windowTitle, "Create Model Wizard - model.tlb");
    EXPECT_FALSE(result.errorsLogged) << Log();
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_FALSE(fs::exists(options.errorLog));
    EXPECT_FALSE(fs::exists(result.datFile.string() + ".partial"));
    EXPECT_EQ(progress.captions.back(), "Data file created successfully");
    EXPECT_EQ(result.edges, 11);  // the Edges rows below
    auto db = OpenDatFile(result.datFile, true);
    ASSERT_TRUE(db.ok()) << db.error().description;

    // Coclass names replace their default interfaces' (the rules on hand-made
    // rows: extraction_steps_test).
    EXPECT_EQ(test::QueryRows(
                  *db, "SELECT Key, Name, RawName, TypeKind, MemberName, RawMemberName FROM Objects ORDER BY Key"),
              (std::vector<std::string>{"0|CFoo|IFoo|dis||", "1|CFoo|IFoo|int||",  // a dual interface, met twice
                                        "2|IFooBar|IFooBar|dis||", "3|IFooBar|IFooBar|int||",
                                        "4|Application|_Application|dis||", "5|Application|_Application|int||",
                                        "6|Items|Items|dis|CFoo|IFoo", "7|AppEvents|DAppEvents|dis||",
                                        "8|DDocSink|DDocSink|dis||", "9|IPlain|IPlain|int||",
                                        "10|Globals|Globals|mod||", "11|<interfaces>||||", "12|<modules>||||"}));

    // Declarations: the replaced name only where it stands whole.
    EXPECT_EQ(
        test::QueryRows(*db, "SELECT Declaration FROM Functions WHERE Name = 'Make' AND ObjectKey = 4 ORDER BY Key"),
        (std::vector<std::string>{"Method Make(pattern As IFooBar) As CFoo",
                                  "Method Make(pattern As IFooBar, made As CFoo) As HRESULT"}));

    // Edges: pointers between objects, and the pseudo-objects' children.
    EXPECT_EQ(test::QueryRows(
                  *db, "SELECT ParentObjectName, ChildObjectKey, ChildObjectName, Label FROM Edges ORDER BY rowid"),
              (std::vector<std::string>{"<interfaces>|4|Application|", "<interfaces>|0|CFoo|",
                                        "<interfaces>|2|IFooBar|", "<interfaces>|9|IPlain|", "<modules>|10|Globals|",
                                        "Application|0|CFoo|(< M:Make)", "Application|2|IFooBar|(< P:Bar)",
                                        "Application|6|Items|(< P:Foos)", "CFoo|0|CFoo|(< M:Combine)",
                                        "IFooBar|0|CFoo|(< P:Owner)", "Items|0|CFoo|(< M:Item)"}));
    EXPECT_EQ(
        test::QueryRows(*db, "SELECT Name, cChildObjects FROM Objects WHERE cChildObjects > 0 ORDER BY Key"),
        (std::vector<std::string>{"CFoo|1", "IFooBar|1", "Application|3", "Items|1", "<interfaces>|4", "<modules>|1"}));
}

TEST_F(ExtractionDriver, DamagedLibrariesFailCleanlyOrGiveACompleteFile)
{
    // The reader's fuzz regressions, and model.tlb cut short and with bytes
    // changed at random: each run fails with a reason and leaves no file, or
    // gives a file with every table.
    std::vector<std::pair<std::string, std::string>> inputs;
    for (const auto& entry : fs::directory_iterator(fs::path(ARBOLITH_TEST_DATA) / "typelib" / "fuzz-regressions"))
        inputs.emplace_back(entry.path().filename().string(), test::ReadBytes(entry.path()));
    const std::string model = test::ReadBytes(kModelLibrary);
    for (std::size_t size = 0; size < model.size(); size += 307)
        inputs.emplace_back("cut at " + std::to_string(size), model.substr(0, size));
    std::mt19937 rng(11);
    for (int round = 0; round < 30; ++round) {
        std::string damaged = model;
        for (int i = 0; i < 4; ++i) damaged[rng() % damaged.size()] = static_cast<char>(rng());
        inputs.emplace_back("damaged " + std::to_string(round), damaged);
    }

    options.inclInterfaces = options.inclModules = true;
    const fs::path library = Dir() / "damaged.tlb";
    const fs::path dat = options.modelsFolder / "damaged.DAT";
    for (const auto& [name, bytes] : inputs) {
        SCOPED_TRACE(name);
        fs::remove(dat);
        fs::remove(options.errorLog);
        test::WriteBytes(library, bytes);
        const ExtractionResult result = Extract(library);
        if (!result.ok) {
            EXPECT_FALSE(result.failure.empty());
            EXPECT_FALSE(fs::exists(dat));
            continue;
        }
        auto db = OpenDatFile(dat, true);
        ASSERT_TRUE(db.ok()) << db.error().description;
        for (const TableDef& table : DatTables()) EXPECT_TRUE(db->HasTable(table.name).value()) << table.name;
    }
    EXPECT_FALSE(fs::exists(dat.string() + ".partial"));
}

}  // namespace
}  // namespace arbolith
