// SPDX-License-Identifier: MIT
// `arbolith-cli make` then `arbolith-cli tree` on real libraries, compared
// with the trees committed under tests/data/browser. The Wine libraries are
// skipped (visibly) when the installed file is not the one the goldens were
// made from; the bundled sample always runs.
#include "support/temp_dir.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <ostream>
#include <string>

namespace arbolith {
namespace {

struct Golden {
    const char* name;     // the golden file, without ".tree"
    std::string library;  // path
    const char* top;
    bool events;
    friend void PrintTo(const Golden& g, std::ostream* out) { *out << g.name; }
};

std::string Quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

class ModelTreeGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(ModelTreeGolden, TreeOfTheMadeModelIsTheCommittedOne)
{
    const Golden& g = GetParam();
    if (!g.library.starts_with(ARBOLITH_SAMPLE_DIR)) {
        if (const auto problem = test::CorpusFileProblem(std::filesystem::path(g.library).filename()))
            GTEST_SKIP() << *problem;
    }
    test::TempDir home;
    const std::filesystem::path out = home / "tree.txt";
    // Every setting at its default: a fresh program folder, no ZV.INI.
    const std::string cli = "ARBOLITH_HOME=" + Quoted(home.path()) + " " + Quoted(ARBOLITH_CLI);
    const std::string models = " --models " + Quoted(home / "Models");
    const std::string make = cli + " make " + Quoted(g.library) + " --top " + g.top + (g.events ? " --events" : "") +
                             models + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string tree =
        cli + " tree " + Quoted(std::filesystem::path(g.library).filename()) + models + " > " + Quoted(out) + " 2>&1";
    ASSERT_EQ(std::system(tree.c_str()), 0) << tree;
    const std::filesystem::path golden =
        std::filesystem::path(ARBOLITH_TEST_DATA) / "browser" / (std::string(g.name) + ".tree");
    EXPECT_TRUE(test::ReadBytes(out) == test::ReadBytes(golden))
        << "the tree differs from " << golden << "; diff it with " << out;
}

const std::string kWine = test::kWineLibraryDir.string();

INSTANTIATE_TEST_SUITE_P(Libraries, ModelTreeGolden,
                         ::testing::Values(Golden{"Quill", std::string(ARBOLITH_SAMPLE_DIR) + "/Quill.tlb",
                                                  "Application", true},
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
    const std::filesystem::path bad = dir / "bad.tlb";
    test::WriteBytes(bad, "no type library at all");
    const std::string run =
        std::string(ARBOLITH_CLI) + " extract " + Quoted(bad) + " --models " + Quoted(dir.path()) + " >/dev/null 2>&1";
    for (int i = 0; i < 8; ++i) {
        const int status = std::system(run.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << "run " << i << " ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 1);
    }
}

}  // namespace
}  // namespace arbolith
