// SPDX-License-Identifier: MIT
// `arbolith-cli make` then `arbolith-cli tree` on real libraries, compared
// with the trees committed under tests/data/browser. The Wine libraries are
// skipped (visibly) when the installed file is not the one the goldens were
// made from; the bundled sample (also in its SLTG form) always runs.
#include "cli/run_cli.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace arbolith {
namespace {

struct Golden {
    const char* name;     // the golden file, without ".tree"
    std::string library;  // path
    const char* top;
    bool events;
    const char* tree = nullptr;  // the golden's name when not `name`
    friend void PrintTo(const Golden& g, std::ostream* out) { *out << g.name; }
};

using test::Quoted;

class ModelTreeGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(ModelTreeGolden, TreeOfTheMadeModelIsTheCommittedOne)
{
    const Golden& g = GetParam();
    if (g.library.starts_with(test::kWineLibraryDir.string())) {
        if (const auto problem = test::CorpusFileProblem(std::filesystem::path(g.library).filename()))
            GTEST_SKIP() << *problem;
    }
    // Every setting at its default: a fresh program folder, no ZV.INI.
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    const test::CliRun made =
        test::RunCli(home, "make " + Quoted(g.library) + " --top " + g.top + (g.events ? " --events" : "") + models);
    ASSERT_EQ(made.status, 0) << made.err;
    const test::CliRun tree =
        test::RunCli(home, "tree " + Quoted(std::filesystem::path(g.library).filename().string()) + models);
    ASSERT_EQ(tree.status, 0) << tree.err;
    const std::filesystem::path golden =
        std::filesystem::path(ARBOLITH_TEST_DATA) / "browser" / (std::string(g.tree ? g.tree : g.name) + ".tree");
    EXPECT_TRUE(tree.out + tree.err == test::ReadBytes(golden)) << "the tree differs from " << golden;
}

const std::string kWine = test::kWineLibraryDir.string();

INSTANTIATE_TEST_SUITE_P(
    Libraries, ModelTreeGolden,
    ::testing::Values(Golden{"Quill", std::string(ARBOLITH_SAMPLE_DIR) + "/Quill.tlb", "Application", true},
                      // The sample written in the older SLTG format makes the same model.
                      Golden{"QuillSltg", std::string(ARBOLITH_TEST_DATA) + "/typelib/idl/sltg-from-quill.tlb",
                             "Application", true, "Quill"},
                      Golden{"scrrun", kWine + "/scrrun.dll", "FileSystemObject", false},
                      Golden{"msxml6", kWine + "/msxml6.dll", "DOMDocument60", false},
                      Golden{"mshtml", kWine + "/mshtml.tlb", "HTMLDocument", false}),
    [](const auto& info) { return std::string(info.param.name); });

// The file key is derived on a thread of its own while the library is read;
// a process that fails at once must still end with its own status, never
// with a crash of that thread as the process exits.
TEST(CliExit, FailingExtractionExitsCleanlyEveryTime)
{
    test::TempDir dir;
    test::WriteBytes(dir / "bad.tlb", "no type library at all");
    const std::string args =
        "extract " + Quoted((dir / "bad.tlb").string()) + " --models " + Quoted(dir.path().string());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(test::RunCli(dir, args).status, 1) << "run " << i << " (-1: ended by a signal)";
}

}  // namespace
}  // namespace arbolith
