// SPDX-License-Identifier: MIT
// `arbolith-cli report` on models made from real libraries: the line reports
// against the test's own reading of the DAT file, the statistics against the
// Library row, the frequencies against the tree `arbolith-cli tree` prints;
// then the command's failures.
#include "cli/run_cli.h"
#include "platform/database.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::Quoted;
using Lines = std::vector<std::string>;
using test::SplitLines;

class CliReport : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(CliReport, ReportsAgreeWithTheModelFileAndItsTree)
{
    const auto& [file, top] = GetParam();
    if (const auto problem = test::CorpusFileProblem(file)) GTEST_SKIP() << *problem;
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    ASSERT_EQ(
        test::RunCli(home, "make " + Quoted((test::kWineLibraryDir / file).string()) + " --top " + top + models).status,
        0);
    const auto run = [&](const std::string& command, const std::string& kind) {
        const test::CliRun ran = test::RunCli(home, command + " " + file + " " + kind + models);
        EXPECT_EQ(ran.status, 0) << kind << ": " << ran.err;
        return SplitLines(ran.out);
    };
    auto db = OpenDatFile(home / "Models" / (fs::path(file).stem().string() + ".DAT"), true);
    ASSERT_TRUE(db.ok());

    // Line reports: the same names, once each and in order, letter case aside.
    std::map<std::string, std::multiset<std::string>> expected;
    auto objects = db->Prepare("SELECT Name, Flags, HiddenState FROM Objects");
    while (objects->Step().value()) {
        if (AsciiLower(objects->Text(1)).find("/cancre/") != std::string::npos)
            expected["creatables"].insert(objects->Text(0));
        if (AsciiLower(objects->Text(2)) == "h") expected["hidden"].insert(objects->Text(0));
    }
    std::set<std::string> members;
    auto functions = db->Prepare("SELECT Name FROM Functions WHERE Name IS NOT NULL");
    while (functions->Step().value())
        if (!functions->Text(0).empty()) members.insert(AsciiLower(functions->Text(0)));
    expected["members"].insert(members.begin(), members.end());
    for (const char* kind : {"creatables", "hidden", "members"}) {
        Lines lines = run("report", kind);
        for (std::string& line : lines) line = std::string(kind) == "members" ? AsciiLower(line) : line;
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(),
                                   [](const auto& a, const auto& b) { return AsciiLower(a) < AsciiLower(b); }));
        if (expected[kind].empty()) lines.erase(lines.begin());  // the empty-result item
        EXPECT_EQ(std::multiset<std::string>(lines.begin(), lines.end()), expected[kind]) << kind;
    }

    // Statistics: each line's value is its field of the Library row.
    const char* fields[] = {"Library",      "FQLibName",   "LibDate",  "LibSize",     "TL_Name",      "TL_Version",
                            "TL_DocString", "TL_HelpFile", "TL_GUID",  "cObjectsRaw", "cCollections", "cPropPuts",
                            "cPropGets",    "cMethods",    "cEnums",   "cConstants",  "cInterfaces",  "cModules",
                            "cCoClasses",   "cRecords",    "cAliases", "cUnions"};
    const Lines stats = run("report", "stats");
    ASSERT_EQ(stats.size(), std::size(fields));
    for (std::size_t i = 0; i < stats.size(); ++i) {
        auto value = db->QueryValue("SELECT " + QuoteIdentifier(fields[i]) + " FROM Library", {});
        ASSERT_TRUE(value.ok() && *value);
        EXPECT_EQ(stats[i].substr(stats[i].find(": ") + 2), (*value)->AsText()) << fields[i];
    }

    // Frequencies: per object, the lines of the printed tree, and those
    // followed by a deeper line (a node with children); the flat tree shows
    // each object once.
    const Lines tree = run("tree", "");
    std::map<std::string, std::pair<int, int>> shown;  // name: total, interior
    const auto indent = [](const std::string& line) { return line.find_first_not_of(' '); };
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const std::string label = tree[i].substr(indent(tree[i]));
        auto& [total, interior] = shown[label.substr(0, label.find(" {"))];  // without a collection's member
        ++total;
        interior += i + 1 < tree.size() && indent(tree[i + 1]) > indent(tree[i]);
    }
    Lines names;
    auto ordered = db->Prepare("SELECT Name FROM Objects ORDER BY Key");
    while (ordered->Step().value()) names.push_back(ordered->Text(0));
    for (const bool flat : {false, true}) {
        const Lines rows = run("report", flat ? "frequencies --flat" : "frequencies");
        ASSERT_EQ(rows.size(), names.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto [total, interior] = flat ? std::pair{1, 0} : shown[names[i]];
            char counts[64];
            std::snprintf(counts, sizeof counts, "\t%03d\t%03d\t%03d", interior, total - interior, total);
            EXPECT_EQ(rows[i], names[i] + counts) << (flat ? "flat" : "global");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Libraries, CliReport,
                         ::testing::Values(std::pair{"scrrun.dll", "FileSystemObject"},
                                           std::pair{"msxml6.dll", "DOMDocument60"},
                                           std::pair{"mshtml.tlb", "HTMLDocument"}),
                         [](const auto& info) { return fs::path(info.param.first).stem().string(); });

TEST(CliReportFailures, OneMessageAndNothingOnStdout)
{
    test::TempDir home;
    fs::create_directories(home / "Models");
    test::WriteBytes(home / "Models" / "Broken.DAT", "not a database");
    const std::string models = " --models " + Quoted((home / "Models").string());
    const std::tuple<std::string, int, std::string> cases[] = {
        {"report Nothing hidden", 1, "no model named Nothing"},
        {"report Broken members", 1, "the model Broken cannot be read"},
        {"report Broken kinds", 2, "kind: kinds not in"},
    };
    for (const auto& [args, status, message] : cases) {
        const test::CliRun ran = test::RunCli(home, args + models);
        EXPECT_EQ(ran.status, status) << args;
        EXPECT_TRUE(ran.out.empty()) << args;
        ASSERT_EQ(ran.Messages().size(), 1u) << ran.err;
        EXPECT_NE(ran.Messages()[0].find(message), std::string::npos) << ran.err;
    }
    EXPECT_EQ(test::ReadBytes(home / "Models" / "Broken.DAT"), "not a database");
}

TEST(CliModels, ListsTheCatalogInTheDialogsOrderAndMakesNothing)
{
    test::TempDir home;
    // Before any model: nothing listed and no folder made.
    test::CliRun none = test::RunCli(home, "models");
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "");
    EXPECT_FALSE(fs::exists(home / "Models"));

    const fs::path models = home / "mine";
    fs::create_directory(models);
    {
        auto db = CreateDatFile(models / "Excel.DAT");
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE(db->Execute("INSERT INTO Library (Library) VALUES ('Excel library')").ok());
    }
    test::WriteBytes(models / "excel.inf", "[Main]\nModelName=Excel\nLibrary=excel9.olb\nCategory=Office\n");
    test::WriteBytes(models / "Broken.DAT", "not a database");
    test::WriteBytes(models / "Word.INF", "[Main]\nModelName=Word\tprocessor\nLibrary=msword9.olb\n");
    test::CliRun ran = test::RunCli(home, "models --models " + Quoted(models.string()));
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out,
              "[Default]\tBroken\t\t\tDAT\n"
              "[Default]\tWord\tWord\\tprocessor\tmsword9.olb\tINF\n"  // a tab inside a field is escaped
              "Office\tExcel\tExcel\texcel9.olb\tINF DAT\n");
    ASSERT_EQ(ran.Messages().size(), 1u);
    EXPECT_NE(ran.Messages()[0].find("Broken"), std::string::npos);

    EXPECT_EQ(test::RunCli(home, "models --models " + Quoted((home / "nowhere").string())).status, 1);
    EXPECT_FALSE(fs::exists(home / "nowhere"));
}

}  // namespace
}  // namespace arbolith
