// SPDX-License-Identifier: MIT
// arbolith-cli help: a help file's topic printed as title and text, and one
// clear line on stderr with exit status 1 for whatever cannot be shown.
#include "cli/run_cli.h"

#include <gtest/gtest.h>

#include <string>

namespace arbolith {
namespace {

using test::Quoted;

const std::string kSample = std::string(ARBOLITH_TEST_DATA) + "/help/chm/sample.chm";

TEST(CliHelp, PrintsTheTopicsTitleThenItsText)
{
    test::TempDir home;
    const std::pair<std::string, std::string> cases[] = {
        {"", "Sample Library Overview\nSample Library\nThe sample library has an Application object at its top.\n"},
        {"2001", "Document Object\nDocument Object\nA document opened by the application.\n"},
        {"_OpenMethod", "Open Method\nOpen Method\nOpens a document and returns it.\n"},
    };
    for (const auto& [id, out] : cases) {
        const test::CliRun run = test::RunCli(home, "help " + Quoted(kSample) + (id.empty() ? "" : " " + id));
        EXPECT_EQ(run.status, 0) << id << ": " << run.err;
        EXPECT_EQ(run.out, out) << id;
        EXPECT_EQ(run.err, "") << id;
    }
}

TEST(CliHelp, FailuresAreOneLineAndStatusOne)
{
    test::TempDir home;
    test::WriteBytes(home / "broken.chm", "ITSF and nothing else");
    const std::pair<std::string, std::string> cases[] = {
        {Quoted(kSample) + " 999", "no topic for context 999"},
        {Quoted(kSample) + " 0", "the help id 0 names no topic"},
        {Quoted((home / "missing.chm").string()), "missing.chm: No such file or directory"},
        {Quoted((home / "broken.chm").string()) + " 1000", "broken.chm: not an HTML Help file"},
        {Quoted(std::string(ARBOLITH_TEST_DATA) + "/help/chm/plain/plain.hhp"), "not a help file"},
    };
    for (const auto& [args, says] : cases) {
        const test::CliRun run = test::RunCli(home, "help " + args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.out, "") << args;
        ASSERT_EQ(run.Messages().size(), 1u) << args << ": " << run.err;
        EXPECT_NE(run.Messages()[0].find(says), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace arbolith
