// SPDX-License-Identifier: MIT
// arbolith-cli graph: the DOT of Wine libraries' models against committed
// goldens, each output format, and bad requests.
#include "cli/run_cli.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace arbolith {
namespace {

using test::Quoted;

struct GraphGolden {
    const char* library;  // in Wine's folder
    const char* top;
    int depth;
    friend void PrintTo(const GraphGolden& g, std::ostream* out) { *out << g.library; }
};

class GraphGoldenTest : public ::testing::TestWithParam<GraphGolden> {};

TEST_P(GraphGoldenTest, DotOfTheMadeModelIsTheCommittedOne)
{
    const GraphGolden& g = GetParam();
    const std::string file = std::string(g.library) + ".dll";
    if (const auto problem = test::CorpusFileProblem(file)) GTEST_SKIP() << *problem;
    test::TempDir home;
    const std::string models = " --models " + Quoted((home / "Models").string());
    const test::CliRun made =
        test::RunCli(home, "make " + Quoted((test::kWineLibraryDir / file).string()) + " --top " + g.top + models);
    ASSERT_EQ(made.status, 0) << made.err;
    const test::CliRun graph =
        test::RunCli(home, "graph " + file + " --root " + g.top + " --depth " + std::to_string(g.depth) + models);
    ASSERT_EQ(graph.status, 0) << graph.err;
    const auto golden = std::filesystem::path(ARBOLITH_TEST_DATA) / "diagram" / (std::string(g.library) + ".dot");
    EXPECT_TRUE(graph.out == test::ReadBytes(golden)) << "the DOT differs from " << golden;
}

INSTANTIATE_TEST_SUITE_P(Libraries, GraphGoldenTest,
                         ::testing::Values(GraphGolden{"scrrun", "FileSystemObject", 3},
                                           GraphGolden{"msxml6", "DOMDocument60", 2}),
                         [](const auto& info) { return std::string(info.param.library); });

class GraphCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_models = " --models " + Quoted((m_home / "Models").string());
        const auto made = test::RunCli(m_home, "make " + Quoted(std::string(ARBOLITH_SAMPLE_DIR) + "/Quill.tlb") +
                                                   " --top Application" + m_models);
        ASSERT_EQ(made.status, 0) << made.err;
        m_dat = test::ReadBytes(m_home / "Models" / "Quill.DAT");
    }
    test::CliRun Graph(const std::string& args) { return test::RunCli(m_home, "graph Quill.tlb " + args + m_models); }

    test::TempDir m_home;
    std::string m_models;
    std::string m_dat;
};

TEST_F(GraphCommand, EachFormatGoesToStdoutOrAFile)
{
    const auto dot = Graph("");
    ASSERT_EQ(dot.status, 0) << dot.err;
    EXPECT_TRUE(dot.out.starts_with("digraph \"Application\" {\n")) << dot.out;

    const auto svg = Graph("--format svg --depth 1");
    ASSERT_EQ(svg.status, 0) << svg.err;
    EXPECT_NE(svg.out.find("<svg"), std::string::npos);
    EXPECT_NE(svg.out.find("class=\"node\""), std::string::npos);

    const auto png = Graph("--format png -o " + Quoted((m_home / "q.png").string()));
    ASSERT_EQ(png.status, 0) << png.err;
    EXPECT_TRUE(png.out.empty());
    EXPECT_EQ(test::ReadBytes(m_home / "q.png").substr(0, 8), "\x89PNG\r\n\x1a\n");

    // --json with a file: the file is written, the metadata printed.
    const auto json = Graph("--json --depth 1 -o " + Quoted((m_home / "q.dot").string()));
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(json.out.starts_with(R"({"schema":"arbolith-cli/graph/1","model":"Quill","root":"Application")"))
        << json.out;
    EXPECT_TRUE(test::ReadBytes(m_home / "q.dot").starts_with("digraph"));
}

TEST_F(GraphCommand, BadRequestsFailClearlyAndChangeNoModelFile)
{
    struct Case {
        std::string args;
        int status;
        std::string message;  // part of the stderr text
    };
    const Case cases[] = {
        {"--root NoSuchObject", 1, "has no object named NoSuchObject"},
        {"--depth -3", 2, "--depth"},
        {"--format gif", 2, "--format"},
        {"--depth 1000", 0, ""},
        {"--all --format svg", 0, ""},
        {"-o " + Quoted((m_home / "missing" / "x.dot").string()), 1, "could not be written"},
    };
    for (const Case& c : cases) {
        const auto run = Graph(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << "\n" << run.err;
        EXPECT_TRUE(test::ReadBytes(m_home / "Models" / "Quill.DAT") == m_dat) << c.args;
    }
    const auto noModel = test::RunCli(m_home, "graph Nothing" + m_models);
    EXPECT_EQ(noModel.status, 1);
    EXPECT_NE(noModel.err.find("no model named Nothing"), std::string::npos) << noModel.err;
}

}  // namespace
}  // namespace arbolith
