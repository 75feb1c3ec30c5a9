// SPDX-License-Identifier: MIT
// `arbolith-cli enums` and `enum-code` on models made from real libraries,
// checked against the test's own reading of each DAT file's Enums table;
// then the VB/VBA table and the commands' failures.
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
using test::SplitLines;

class CliEnums : public ::testing::TestWithParam<const char*> {};

TEST_P(CliEnums, ListsEveryConstantOfTheModelFileInOrder)
{
    const std::string file = GetParam();
    if (const auto problem = test::CorpusFileProblem(file)) GTEST_SKIP() << *problem;
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    ASSERT_EQ(test::RunCli(home, "extract " + Quoted((test::kWineLibraryDir / file).string()) + models).status, 0);

    // The table read directly: per enumeration (letter case aside) its
    // constants by value, equal values in table order.
    auto db = OpenDatFile(home / "Models" / (fs::path(file).stem().string() + ".DAT"), true);
    ASSERT_TRUE(db.ok());
    std::map<std::string, std::vector<std::tuple<std::int64_t, std::int64_t, std::string>>> byEnum;
    std::map<std::string, std::string> storedName;
    auto rows = db->Prepare("SELECT rowid, Enum, Constant, Value FROM Enums");
    while (rows->Step().value()) {
        storedName.emplace(AsciiLower(rows->Text(1)), rows->Text(1));
        byEnum[AsciiLower(rows->Text(1))].emplace_back(rows->Integer(3), rows->Integer(0), rows->Text(2));
    }
    ASSERT_FALSE(byEnum.empty()) << file << " has no enumerations to compare";
    std::vector<std::string> expected;
    for (auto& [lower, constants] : byEnum) {
        std::sort(constants.begin(), constants.end());
        for (const auto& [value, rowid, name] : constants)
            expected.push_back(storedName[lower] + "\t" + name + "\t" + std::to_string(value));
    }

    const test::CliRun listed = test::RunCli(home, "enums " + file + models);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(SplitLines(listed.out), expected);

    // The code of the first enumeration: one Case line per constant.
    const std::string first = byEnum.begin()->first;
    const test::CliRun code = test::RunCli(home, "enum-code " + file + " " + Quoted(first) + " --select" + models);
    ASSERT_EQ(code.status, 0) << code.err;
    EXPECT_TRUE(code.out.starts_with("Function " + storedName[first] + "Name(lValue As Long) As String\r\n"));
    EXPECT_TRUE(code.out.ends_with("\r\nEnd Function"));
    std::size_t cases = 0;
    for (std::size_t at = 0; (at = code.out.find("\r\n\tCase ", at)) != std::string::npos; ++at) ++cases;
    EXPECT_EQ(cases, byEnum.begin()->second.size() + 1);

    // A search: every line's constant holds the text.
    const test::CliRun found = test::RunCli(home, "enums " + file + " --find _" + models);
    EXPECT_EQ(found.status, 0);
    for (const std::string& line : SplitLines(found.out)) EXPECT_NE(line.find('_', line.find('\t')), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(WineLibraries, CliEnums,
                         ::testing::Values("mshtml.tlb", "msxml6.dll", "msado15.dll", "hnetcfg.dll"));

TEST(CliEnumsVba, SpecialFileAndFailures)
{
    test::TempDir home;
    const test::CliRun all = test::RunCli(home, "enums --vba");
    ASSERT_EQ(all.status, 0) << all.err;
    const auto lines = SplitLines(all.out);
    std::set<std::string> enums;
    for (const std::string& line : lines) enums.insert(line.substr(0, line.find('\t')));
    EXPECT_EQ(lines.size(), 248u);
    EXPECT_EQ(enums.size(), 19u);

    const test::CliRun block = test::RunCli(home, "enum-code --vba vbtristate");
    ASSERT_EQ(block.status, 0) << block.err;
    EXPECT_EQ(block.out,
              "' Enum VbTriState\r\n\t' vbUseDefault = -2\r\n\t' vbTrue = -1\r\n\t' vbFalse = 0\r\n' End Enum");

    const struct {
        std::string args;
        int status;
    } failures[] = {
        {"enums", 2},           {"enums nosuchmodel", 1},     {"enum-code --vba NoSuchEnum", 1},
        {"enum-code --vba", 2}, {"enums --vba --find ''", 2},
    };
    for (const auto& f : failures) {
        const test::CliRun ran = test::RunCli(home, f.args);
        EXPECT_EQ(ran.status, f.status) << f.args;
        EXPECT_EQ(ran.out, "") << f.args;
        EXPECT_FALSE(ran.Messages().empty()) << f.args;
    }
}

}  // namespace
}  // namespace arbolith
