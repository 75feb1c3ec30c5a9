// SPDX-License-Identifier: MIT
// The line reports on DAT files made here, with rows chosen for the edges of
// each query (case, wildcard-like characters, Null and empty names), their
// failures, and the frequency table against a count that scans every node
// for every object, on trees the real builder unrolls from random graphs.
#include "reports/reports.h"

#include "store/dat_schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace arbolith::reports {
namespace {

namespace fs = std::filesystem;
using browser::NodeRecord;
using browser::ObjectModel;

// A DAT file with every table, filled by the statements given.
fs::path MakeDat(const test::TempDir& dir, std::initializer_list<std::string_view> statements)
{
    const fs::path path = dir / "Model.DAT";
    auto db = CreateDatFile(path);
    EXPECT_TRUE(db.ok()) << db.error().description;
    EXPECT_TRUE(CreateDataTables(*db).ok());
    for (const std::string_view sql : statements) {
        auto done = db->Execute(sql);
        EXPECT_TRUE(done.ok()) << done.error().description;
    }
    return path;
}

TEST(LineReports, QueriesFindWhatTheirWindowListsShow)
{
    test::TempDir dir;
    const fs::path dat =
        MakeDat(dir, {"INSERT INTO Objects (Name, Flags, HiddenState, Key) VALUES "
                      "('zeta', '/CanCre/', 'h', 1), ('Alpha', '/dual/cancre/', 'H', 2), ('beta', 'CanCre', 'Hx', 3), "
                      "('Gamma', '/CanCr%/', '', 4), ('Delta', NULL, NULL, 5)",
                      "INSERT INTO Functions (Name, ObjectName) VALUES ('Item', 'a'), ('item', 'b'), ('', 'c'), "
                      "(NULL, 'd'), ('Add', 'e'), ('add_', 'f'), ('Item', 'g')"});
    struct Case {
        ReportKind kind;
        const char* caption;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {ReportKind::Creatables, "Externally Creatable Objects for Model", {"Alpha", "zeta"}},
        {ReportKind::Hidden, "Hidden Objects for Model", {"Alpha", "zeta"}},
        // One line per name without regard to case; empty and Null names are no members.
        {ReportKind::AllMembers, "Members in Model", {"Add", "add_", "Item"}},
    };
    for (const Case& c : cases) {
        const LineReport report = MakeLineReport(c.kind, dat, "Model");
        EXPECT_FALSE(report.error) << *report.error;
        EXPECT_EQ(report.caption, c.caption);
        auto lines = report.lines;
        if (c.kind == ReportKind::AllMembers)  // which spelling of "Item" stands for both is the engine's choice
            for (std::string& line : lines) line = line == "item" ? "Item" : line;
        EXPECT_EQ(lines, c.lines) << c.caption;
    }
}

TEST(LineReports, EmptyResultsGiveTheirItemOrNothing)
{
    test::TempDir dir;
    const fs::path dat =
        MakeDat(dir, {"INSERT INTO Objects (Name, Flags, HiddenState, Key) VALUES ('A', '/x/', '', 0)"});
    const std::pair<ReportKind, std::vector<std::string>> cases[] = {
        {ReportKind::Creatables, {"No externally creatable objects."}},
        {ReportKind::Hidden, {"No hidden objects."}},
        {ReportKind::AllMembers, {}},
        {ReportKind::Statistics, {}},  // an empty Library table
    };
    for (const auto& [kind, lines] : cases) {
        const LineReport report = MakeLineReport(kind, dat, "M");
        EXPECT_FALSE(report.error);
        EXPECT_EQ(report.lines, lines);
    }
    EXPECT_EQ(MakeLineReport(ReportKind::Statistics, dat, "M").caption, "Library Statistics for M");
}

TEST(LineReports, StatisticsAreTheLibraryRowInTheirOrder)
{
    test::TempDir dir;
    const fs::path dat =
        MakeDat(dir, {"INSERT INTO Library (Library, FQLibName, LibDate, LibSize, TL_Name, TL_Version, TL_DocString, "
                      "TL_GUID, cObjectsRaw, cCollections, cPropPuts, cPropGets, cMethods, cEnums, cConstants, "
                      "cInterfaces, cModules, cCoClasses, cRecords, cAliases, cUnions) VALUES ('a.tlb', '/l/a.tlb', "
                      "'2024-01-02 03:04:05', 4096, 'A', '1.0', 'Doc', '{G}', 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, "
                      "12, 13)",
                      "INSERT INTO Library (Library) VALUES ('second row')"});
    const LineReport report = MakeLineReport(ReportKind::Statistics, dat, "a");
    EXPECT_FALSE(report.error);
    const std::vector<std::string> expected = {"File: a.tlb",
                                               "Path: /l/a.tlb",
                                               "File Date: 2024-01-02 03:04:05",
                                               "File Size: 4096",
                                               "Library Name: A",
                                               "Version: 1.0",
                                               "Doc String: Doc",
                                               "Help File: ",
                                               "GUID: {G}",
                                               "Object Count: 10",
                                               "Collection Objects: 1",
                                               "Property Puts: 2",
                                               "Property Gets: 3",
                                               "Methods: 4",
                                               "Enums: 5",
                                               "Constants: 6",
                                               "Interfaces: 7",
                                               "Modules: 8",
                                               "CoClasses: 9",
                                               "Records: 11",
                                               "Aliases: 12",
                                               "Unions: 13"};
    EXPECT_EQ(report.lines, expected);
}

TEST(LineReports, FailuresCarryTheirPrefixAndCreateNoFile)
{
    test::TempDir dir;
    test::WriteBytes(dir / "junk.DAT", "not a database");
    const fs::path libraryOnly = dir / "Only.DAT";
    ASSERT_TRUE(CreateDatFile(libraryOnly).ok());  // no Objects or Functions table
    const struct {
        ReportKind kind;
        fs::path file;
        const char* prefix;
    } cases[] = {
        {ReportKind::Hidden, "", "Error showing hidden objects: "},
        {ReportKind::Creatables, dir / "missing.DAT", "Error showing creatable objects. "},
        {ReportKind::AllMembers, dir / "junk.DAT", "Error showing all members: "},
        {ReportKind::Statistics, dir / "missing.DAT", "Error showing library statistics. "},
        {ReportKind::Hidden, libraryOnly, "Error showing hidden objects: "},
        {ReportKind::AllMembers, libraryOnly, "Error showing all members: "},
    };
    for (const auto& c : cases) {
        const LineReport report = MakeLineReport(c.kind, c.file, "M");
        ASSERT_TRUE(report.error) << c.file;
        EXPECT_TRUE(report.error->starts_with(c.prefix)) << *report.error;
        EXPECT_GT(report.error->size(), std::string_view(c.prefix).size()) << "no reason given";
        EXPECT_TRUE(report.lines.empty());
        EXPECT_FALSE(report.caption.empty());
    }
    EXPECT_FALSE(fs::exists(dir / "missing.DAT"));
    EXPECT_EQ(test::ReadBytes(dir / "junk.DAT"), "not a database");
}

ObjectModel NamedModel(const std::vector<std::string>& names)
{
    ObjectModel model;
    for (std::size_t i = 0; i < names.size(); ++i) {
        browser::ObjectRecord& o = model.objects.emplace_back();
        o.key = static_cast<std::int64_t>(i);
        o.name = names[i];
    }
    return model;
}

std::vector<std::string> Texts(const std::vector<FrequencyRow>& rows)
{
    std::vector<std::string> out;
    for (const FrequencyRow& r : rows)
        out.push_back(r.object + " " + FrequencyText(r.interior) + " " + FrequencyText(r.leaf) + " " +
                      FrequencyText(r.total));
    return out;
}

TEST(Frequencies, CountsLandOnTheirObjectsInModelOrder)
{
    // Names sort the other way round from the positions, as in the flat view.
    const ObjectModel model = NamedModel({"Zed", "Mid", "Abc"});
    // Zed shown five times, twice with children; Abc not at all.
    std::vector<NodeRecord> nodes;
    for (const auto& [object, parent] : {std::pair{0, -1}, {1, 0}, {0, 0}, {0, 1}, {0, 2}, {0, 2}, {1, 1}}) {
        NodeRecord& node = nodes.emplace_back();
        node.object = object;
        node.parent = parent;
    }
    EXPECT_EQ(Texts(ObjectFrequencies(model, nodes)),
              (std::vector<std::string>{"Zed 002 003 005", "Mid 001 001 002", "Abc 000 000 000"}));
    EXPECT_EQ(Texts(ObjectFrequencies(model, browser::CreateFlatNodes(model))),
              (std::vector<std::string>{"Zed 000 001 001", "Mid 000 001 001", "Abc 000 001 001"}));
    EXPECT_EQ(FrequencyCaption("Scripting"), "Object Frequency Counts for Current Display of Scripting");

    const std::pair<std::int64_t, const char*> texts[] = {
        {0, "000"}, {7, "007"}, {42, "042"}, {999, "999"}, {1234, "1234"}, {5'000'000'000, "5000000000"}, {-5, "-005"}};
    for (const auto& [count, text] : texts) EXPECT_EQ(FrequencyText(count), text);
}

// Every object against every node, as the table is defined.
std::vector<FrequencyRow> ScanFrequencies(const ObjectModel& model, const std::vector<NodeRecord>& nodes)
{
    std::vector<FrequencyRow> rows;
    for (std::size_t o = 0; o < model.objects.size(); ++o) {
        FrequencyRow row{model.objects[o].name};
        for (std::size_t n = 0; n < nodes.size(); ++n) {
            if (nodes[n].object != static_cast<std::int32_t>(o)) continue;
            ++row.total;
            const bool parent = std::any_of(nodes.begin(), nodes.end(),
                                            [&](const NodeRecord& c) { return c.parent == static_cast<int>(n); });
            parent ? ++row.interior : ++row.leaf;
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(Frequencies, GlobalAndFlatTreesAgreeWithAFullScan)
{
    std::mt19937 rng(20261206);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> names;
        const int objectCount = pick(1, 25);
        for (int i = 0; i < objectCount; ++i)
            names.push_back(std::string(1, static_cast<char>('A' + pick(0, 25))) + std::to_string(pick(0, 99)));
        ObjectModel model = NamedModel(names);
        for (auto& o : model.objects) o.branchLimit = pick(0, 4);
        for (int e = pick(0, 60); e > 0; --e)
            model.edges.push_back({pick(0, objectCount - 1), pick(0, objectCount - 1), ""});
        model.Reindex();

        std::vector<NodeRecord> global;
        const browser::BuildRules rules{names[0], false, true, true};
        ASSERT_TRUE(
            browser::CreateNodes(model, std::vector{browser::RootSeed(model, 0)}, pick(1, 8), rules, global).ok());
        std::vector<NodeRecord> flat = browser::CreateFlatNodes(model);
        for (const std::vector<NodeRecord>* nodes : {&global, &flat}) {
            const auto rows = ObjectFrequencies(model, *nodes);
            const auto expected = ScanFrequencies(model, *nodes);
            ASSERT_EQ(rows.size(), expected.size());
            for (std::size_t i = 0; i < rows.size(); ++i)
                ASSERT_TRUE(rows[i].object == expected[i].object && rows[i].interior == expected[i].interior &&
                            rows[i].leaf == expected[i].leaf && rows[i].total == expected[i].total)
                    << "round " << round << ", object " << i << " (" << rows[i].object << ")";
        }
    }
}

}  // namespace
}  // namespace arbolith::reports
