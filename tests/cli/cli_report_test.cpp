// SPDX-License-Identifier: MIT
// `arbolith-cli report` on models made from real libraries: the line reports
// against queries of the test's own on the DAT file, the statistics against
// the Library row, and the frequencies against the tree `arbolith-cli tree`
// prints. Then the command's failures.
#include "cli/run_cli.h"
#include "platform/database.h"
#include "store/dat_schema.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::Quoted;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Lower(std::string text)
{
    for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// The first column of every row.
std::vector<std::string> Column(Database& db, std::string_view sql)
{
    std::vector<std::string> out;
    auto stmt = db.Prepare(sql);
    EXPECT_TRUE(stmt.ok()) << stmt.error().description;
    while (stmt.ok() && stmt->Step().value()) out.push_back(stmt->Text(0));
    return out;
}

void ExpectCaseInsensitiveOrder(const std::vector<std::string>& lines, std::string_view what)
{
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_LE(Lower(lines[i - 1]), Lower(lines[i])) << what << " line " << i;
}

struct Library {
    const char* file;
    const char* top;
    friend void PrintTo(const Library& l, std::ostream* out) { *out << l.file; }
};

class CliReport : public ::testing::TestWithParam<Library> {};

TEST_P(CliReport, ReportsAgreeWithTheModelFileAndTree)
{
    const Library& l = GetParam();
    if (const auto problem = test::CorpusFileProblem(l.file)) GTEST_SKIP() << *problem;
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    ASSERT_EQ(
        test::RunCli(home, "make " + Quoted((test::kWineLibraryDir / l.file).string()) + " --top " + l.top + models)
            .status,
        0);
    const auto report = [&](const std::string& kind) {
        const test::CliRun ran = test::RunCli(home, "report " + std::string(l.file) + " " + kind + models);
        EXPECT_EQ(ran.status, 0) << kind << ": " << ran.err;
        return Lines(ran.out);
    };
    const std::string base = fs::path(l.file).stem().string();
    auto db = OpenDatFile(home / "Models" / (base + ".DAT"), true);
    ASSERT_TRUE(db.ok()) << db.error().description;

    // Creatable and hidden objects: the same names, in order without regard to case.
    std::vector<std::string> creatable, hidden;
    auto objects = db->Prepare("SELECT Name, Flags, HiddenState FROM Objects");
    ASSERT_TRUE(objects.ok());
    while (objects->Step().value()) {
        if (Lower(objects->Text(1)).find("/cancre/") != std::string::npos) creatable.push_back(objects->Text(0));
        if (Lower(objects->Text(2)) == "h") hidden.push_back(objects->Text(0));
    }
    for (auto [kind, expected, empty] : {std::tuple{"creatables", creatable, "No externally creatable objects."},
                                         std::tuple{"hidden", hidden, "No hidden objects."}}) {
        std::vector<std::string> lines = report(kind);
        ExpectCaseInsensitiveOrder(lines, kind);
        if (expected.empty()) expected.push_back(empty);
        std::sort(lines.begin(), lines.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(lines, expected) << kind;
    }

    // Members: every name once, without regard to case.
    std::set<std::string> members;
    for (const std::string& name : Column(*db, "SELECT Name FROM Functions"))
        if (!name.empty()) members.insert(Lower(name));
    const std::vector<std::string> memberLines = report("members");
    ExpectCaseInsensitiveOrder(memberLines, "members");
    std::vector<std::string> lowered;
    for (const std::string& line : memberLines) lowered.push_back(Lower(line));
    EXPECT_EQ(lowered, std::vector<std::string>(members.begin(), members.end()));

    // Statistics: each line's value is its field of the Library row.
    const char* fields[] = {"Library",      "FQLibName",   "LibDate",  "LibSize",     "TL_Name",      "TL_Version",
                            "TL_DocString", "TL_HelpFile", "TL_GUID",  "cObjectsRaw", "cCollections", "cPropPuts",
                            "cPropGets",    "cMethods",    "cEnums",   "cConstants",  "cInterfaces",  "cModules",
                            "cCoClasses",   "cRecords",    "cAliases", "cUnions"};
    const std::vector<std::string> stats = report("stats");
    ASSERT_EQ(stats.size(), std::size(fields));
    for (std::size_t i = 0; i < stats.size(); ++i) {
        const std::string value = Column(*db, "SELECT " + QuoteIdentifier(fields[i]) + " FROM Library").at(0);
        const auto colon = stats[i].find(": ");
        ASSERT_NE(colon, std::string::npos) << stats[i];
        EXPECT_EQ(stats[i].substr(colon + 2), value) << fields[i];
    }

    // Frequencies of the global tree: per name, the lines of the printed
    // tree, and those followed by a deeper line (a node with children).
    const std::vector<std::string> tree = Lines(test::RunCli(home, "tree " + std::string(l.file) + models).out);
    ASSERT_FALSE(tree.empty());
    const auto indent = [](const std::string& line) { return line.find_first_not_of(' '); };
    std::map<std::string, std::pair<int, int>> shown;  // name: total, interior
    for (std::size_t i = 0; i < tree.size(); ++i) {
        std::string name = tree[i].substr(indent(tree[i]));
        if (const auto member = name.find(" {"); member != std::string::npos) name.erase(member);  // a collection's
        auto& [total, interior] = shown[name];
        ++total;
        if (i + 1 < tree.size() && indent(tree[i + 1]) > indent(tree[i])) ++interior;
    }
    const auto objectNames = Column(*db, "SELECT Name FROM Objects ORDER BY Key");
    for (const bool flat : {false, true}) {
        const std::vector<std::string> rows = report(flat ? "frequencies --flat" : "frequencies");
        ASSERT_EQ(rows.size(), objectNames.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto [total, interior] = flat ? std::pair{1, 0} : shown[objectNames[i]];
            char expected[128];
            std::snprintf(expected, sizeof expected, "\t%03d\t%03d\t%03d", interior, total - interior, total);
            EXPECT_EQ(rows[i], objectNames[i] + expected) << (flat ? "flat" : "global");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Libraries, CliReport,
                         ::testing::Values(Library{"scrrun.dll", "FileSystemObject"},
                                           Library{"msxml6.dll", "DOMDocument60"},
                                           Library{"mshtml.tlb", "HTMLDocument"}),
                         [](const auto& info) { return fs::path(info.param.file).stem().string(); });

TEST(CliReportFailures, OneMessageAndNothingOnStdout)
{
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    fs::create_directories(home / "Models");
    test::WriteBytes(home / "Models" / "Broken.DAT", "not a database");
    const struct {
        std::string args;
        int status;
        const char* message;
    } cases[] = {
        {"report Nothing hidden" + models, 1, "no model named Nothing"},
        {"report Broken members" + models, 1, "the model Broken cannot be read"},
        {"report Broken kinds" + models, 2, "kind: kinds not in"},
        {"report Broken" + models, 2, "kind is required"},
    };
    for (const auto& c : cases) {
        const test::CliRun ran = test::RunCli(home, c.args);
        EXPECT_EQ(ran.status, c.status) << c.args;
        EXPECT_TRUE(ran.out.empty()) << c.args;
        ASSERT_EQ(ran.Messages().size(), 1u) << ran.err;
        EXPECT_NE(ran.Messages()[0].find(c.message), std::string::npos) << ran.err;
    }
    EXPECT_EQ(test::ReadBytes(home / "Models" / "Broken.DAT"), "not a database");
}

}  // namespace
}  // namespace arbolith
