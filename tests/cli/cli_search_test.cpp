// SPDX-License-Identifier: MIT
// `arbolith-cli search` over models made from Wine's real libraries: "item"
// must find the Item member of every collection object of every model, as the
// model files themselves list them; then the command's bad input.
#include "cli/run_cli.h"
#include "platform/database.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::Quoted;
using test::RunCli;
using test::TempDir;

TEST(SearchCommand, ItemFindsEveryCollectionsItemInRealModels)
{
    TempDir home;
    const fs::path models = home / "Models";
    fs::create_directories(models);
    std::vector<std::string> made;
    for (const std::string library : {"scrrun.dll", "msado15.dll", "wshom.ocx", "msxml6.dll"}) {
        if (auto problem = test::CorpusFileProblem(library)) continue;
        const CliRun run = RunCli(home, "make " + Quoted((test::kWineLibraryDir / library).string()) +
                                            " --top All --custom-top --models " + Quoted(models.string()));
        ASSERT_EQ(run.status, 0) << run.err;
        made.push_back(library.substr(0, library.find('.')));
    }
    if (made.empty()) GTEST_SKIP() << "none of the Wine libraries is the one the corpus lists";

    // What the model files say: each collection's Item members.
    std::set<std::tuple<std::string, std::string, std::string>> expected;
    for (const std::string& model : made) {
        auto db = OpenDatFile(models / (model + ".DAT"), true);
        ASSERT_TRUE(db);
        auto stmt = db->Prepare(
            "SELECT DISTINCT f.ObjectName, f.Name FROM Functions f JOIN Objects o ON o.Name = f.ObjectName"
            " WHERE o.IsCollection AND f.Name = 'Item' AND (f.InvokeType = 'method' OR f.Access IN ('R', 'W')"
            " OR (f.InvokeType = 'propget' AND ifnull(f.Access, '') = ''))");
        ASSERT_TRUE(stmt);
        while (*stmt->Step()) expected.emplace(model, stmt->Text(0), stmt->Text(1));
    }
    ASSERT_FALSE(expected.empty());

    const CliRun run = RunCli(home, "search item --models " + Quoted(models.string()));
    ASSERT_EQ(run.status, 0) << run.err;
    std::set<std::tuple<std::string, std::string, std::string>> found;
    std::vector<std::string> order;
    for (const std::string& line : test::SplitLines(run.out)) {
        std::vector<std::string> f;
        for (std::size_t at = 0, tab; at <= line.size(); at = tab + 1) {
            tab = line.find('\t', at);
            if (tab == std::string::npos) tab = line.size();
            f.push_back(line.substr(at, tab - at));
        }
        ASSERT_EQ(f.size(), 4u) << line;
        found.emplace(f[0], f[1], f[2]);
        order.push_back(f[0]);
    }
    for (const auto& item : expected)
        EXPECT_TRUE(found.contains(item)) << std::get<0>(item) << " " << std::get<1>(item);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << run.out;

    // The same again reads no model; a damaged index is made anew with a note.
    test::WriteBytes(models / ".arbolith-index.db", "damaged");
    const CliRun again = RunCli(home, "search item --models " + Quoted(models.string()));
    EXPECT_EQ(again.out, run.out);
    EXPECT_NE(again.err.find("made anew"), std::string::npos) << again.err;
}

TEST(SearchCommand, BadInputIsToldClearly)
{
    TempDir home;
    const fs::path models = home / "Models";
    fs::create_directories(models);
    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const std::string in = " --models " + Quoted(models.string());
    const Case cases[] = {
        {"search " + Quoted("\" * ^ -") + in, 2, "no word"},
        {"search " + Quoted("\"x\" OR NEAR(y) NOT z:") + in, 1, "No match"},
        {"search item --models " + Quoted((home / "missing").string()), 1, "no such models folder"},
        {"search", 2, "text"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(home, c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_EQ(run.out, "") << c.args;
        ASSERT_EQ(run.Messages().size(), 1u) << c.args << ": " << run.err;
        EXPECT_NE(run.Messages()[0].find(c.says), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace arbolith
