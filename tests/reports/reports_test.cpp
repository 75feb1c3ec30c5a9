// SPDX-License-Identifier: MIT
// The line reports on a DAT file made here, with rows at the edges of each
// query (letter case, Null and empty names), and their failures; the
// frequency table against a scan of every node for every object, on trees the
// real builder unrolls from random graphs.
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
using Lines = std::vector<std::string>;

fs::path MakeDat(const test::TempDir& dir, const std::string& name, std::initializer_list<std::string_view> rows)
{
    auto db = CreateDatFile(dir / name);
    EXPECT_TRUE(db.ok() && CreateDataTables(*db).ok());
    for (const std::string_view sql : rows) EXPECT_TRUE(db->Execute(sql).ok()) << sql;
    return dir / name;
}

TEST(LineReports, ListsEmptyItemsAndFailures)
{
    test::TempDir dir;
    const fs::path full =
        MakeDat(dir, "Full.DAT",
                {"INSERT INTO Objects (Name, Flags, HiddenState, Key) VALUES ('zeta', '/CanCre/', 'h', 1), "
                 "('Alpha', '/dual/cancre/', 'H', 2), ('beta', 'CanCre', 'Hx', 3), ('Delta', NULL, NULL, 4)",
                 "INSERT INTO Functions (Name, ObjectName) VALUES ('Item', 'a'), ('', 'c'), (NULL, 'd'), ('add', 'e'), "
                 "('Item', 'g')",
                 "INSERT INTO Library (Library) VALUES ('a.tlb')"});
    const fs::path empty = MakeDat(dir, "Empty.DAT", {});
    test::WriteBytes(dir / "junk.DAT", "not a database");
    const struct {
        ReportKind kind;
        fs::path file;
        Lines lines;
        std::string_view error;  // the message's prefix; "" when the report succeeds
    } cases[] = {
        {ReportKind::Creatables, full, {"Alpha", "zeta"}, ""},
        {ReportKind::Hidden, full, {"Alpha", "zeta"}, ""},
        {ReportKind::AllMembers, full, {"add", "Item"}, ""},
        {ReportKind::Creatables, empty, {"No externally creatable objects."}, ""},
        {ReportKind::Hidden, empty, {"No hidden objects."}, ""},
        {ReportKind::AllMembers, empty, {}, ""},
        {ReportKind::Statistics, empty, {}, ""},
        {ReportKind::Hidden, "", {}, "Error showing hidden objects: "},
        {ReportKind::Creatables, dir / "missing.DAT", {}, "Error showing creatable objects. "},
        {ReportKind::AllMembers, dir / "junk.DAT", {}, "Error showing all members: "},
        {ReportKind::Statistics, dir / "missing.DAT", {}, "Error showing library statistics. "},
    };
    for (const auto& c : cases) {
        const LineReport report = MakeLineReport(c.kind, c.file, "M");
        EXPECT_EQ(report.lines, c.lines) << c.file;
        const std::string error = report.error.value_or("");
        EXPECT_EQ(error.empty(), c.error.empty()) << error;
        EXPECT_TRUE(error.starts_with(c.error) && (c.error.empty() || error.size() > c.error.size())) << error;
    }
    EXPECT_FALSE(fs::exists(dir / "missing.DAT"));
    EXPECT_EQ(test::ReadBytes(dir / "junk.DAT"), "not a database");

    const LineReport stats = MakeLineReport(ReportKind::Statistics, full, "a");
    ASSERT_EQ(stats.lines.size(), 22u);
    EXPECT_EQ(stats.lines[0], "File: a.tlb");
    EXPECT_EQ(stats.lines[21], "Unions: ");  // a Null field: the bare label
    EXPECT_EQ(MakeLineReport(ReportKind::Creatables, full, "a").caption, "Externally Creatable Objects for a");
}

ObjectModel NamedModel(const Lines& names)
{
    ObjectModel model;
    for (const std::string& name : names) {
        browser::ObjectRecord& o = model.objects.emplace_back();
        o.key = static_cast<std::int64_t>(model.objects.size() - 1);
        o.name = name;
    }
    return model;
}

Lines Texts(const std::vector<FrequencyRow>& rows)
{
    Lines out;
    for (const FrequencyRow& r : rows)
        out.push_back(r.object + " " + FrequencyText(r.interior) + " " + FrequencyText(r.leaf) + " " +
                      FrequencyText(r.total));
    return out;
}

TEST(Frequencies, CountsLandOnTheirObjectsInModelOrder)
{
    // Names sort the other way round from the positions, as in the flat view.
    const ObjectModel model = NamedModel({"Zed", "Mid", "Abc"});
    std::vector<NodeRecord> nodes;  // Zed five times, twice with children; Abc never
    for (const auto& [object, parent] : {std::pair{0, -1}, {1, 0}, {0, 0}, {0, 1}, {0, 2}, {0, 2}, {1, 1}}) {
        nodes.emplace_back().object = object;
        nodes.back().parent = parent;
    }
    EXPECT_EQ(Texts(ObjectFrequencies(model, nodes)), (Lines{"Zed 002 003 005", "Mid 001 001 002", "Abc 000 000 000"}));
    EXPECT_EQ(FrequencyText(1234), "1234");
}

TEST(Frequencies, GlobalAndFlatTreesAgreeWithAFullScan)
{
    std::mt19937 rng(20261206);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 200; ++round) {
        Lines names;
        for (int i = pick(1, 25); i > 0; --i) names.push_back(std::string(1, static_cast<char>('A' + pick(0, 25))));
        ObjectModel model = NamedModel(names);
        for (auto& o : model.objects) o.branchLimit = pick(0, 4);
        const int last = static_cast<int>(names.size()) - 1;
        for (int e = pick(0, 60); e > 0; --e) model.edges.push_back({pick(0, last), pick(0, last), ""});
        model.Reindex();
        std::vector<NodeRecord> global;
        ASSERT_TRUE(browser::CreateNodes(model, {{browser::RootSeed(model, 0)}}, pick(1, 8), {}, global).ok());
        for (const std::vector<NodeRecord>& nodes : {global, browser::CreateFlatNodes(model)}) {
            Lines expected;
            for (std::size_t o = 0; o < names.size(); ++o) {
                FrequencyRow row{names[o]};
                for (std::size_t n = 0; n < nodes.size(); ++n) {
                    if (nodes[n].object != static_cast<std::int32_t>(o)) continue;
                    ++row.total;
                    const bool parent = std::any_of(nodes.begin(), nodes.end(), [&](const NodeRecord& c) {
                        return c.parent == static_cast<std::int32_t>(n);
                    });
                    ++(parent ? row.interior : row.leaf);
                }
                expected.push_back(Texts({row})[0]);
            }
            ASSERT_EQ(Texts(ObjectFrequencies(model, nodes)), expected) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace arbolith::reports
