// SPDX-License-Identifier: MIT
// arbolith-cli diff as a script runs it: exit statuses, the report, models
// named by key, damaged inputs, and the JSON document against its schema.
#include "cli/run_cli.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace arbolith::test {
namespace {

const std::filesystem::path kDiffData = std::filesystem::path(ARBOLITH_TEST_DATA) / "diff";
const std::string kBefore = Quoted((kDiffData / "before.tlb").string());
const std::string kAfter = Quoted((kDiffData / "after.tlb").string());

TEST(CliDiff, StatusSaysEqualDifferentOrUnreadable)
{
    const TempDir home;
    const std::filesystem::path cut = home / "cut.tlb";
    const std::string library = ReadBytes(kDiffData / "before.tlb");
    WriteBytes(cut, library.substr(0, 200));
    struct Case {
        std::string args;
        int status;
        std::string out;      // expected stdout exactly ("" for none)
        std::string message;  // a text the one message holds ("" for no message)
    };
    const Case cases[] = {
        {kBefore + " " + kBefore, 0, "", ""},
        {kBefore + " " + kAfter, 1, ReadBytes(kDiffData / "before_after.txt"), ""},
        {kBefore + " " + Quoted(cut.string()), 2, "", cut.string()},
        {Quoted(cut.string()) + " " + kAfter, 2, "", cut.string()},
        {kBefore + " " + Quoted((home / "gone.tlb").string()), 2, "", (home / "gone.tlb").string()},
        {kBefore + " nosuchmodel --models " + Quoted(home.path().string()), 2, "", "nosuchmodel"},
        {kBefore, 2, "", "b is required"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun run = RunCli(home, "diff " + c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out, c.out);
        const auto messages = run.Messages();
        if (c.message.empty()) {
            EXPECT_TRUE(messages.empty()) << run.err;
            continue;
        }
        ASSERT_EQ(messages.size(), 1u) << run.err;
        EXPECT_NE(messages[0].find(c.message), std::string::npos) << messages[0];
    }
    EXPECT_EQ(ReadBytes(cut), library.substr(0, 200));
}

// A model made by extract, named by its key (any case) or its DAT file,
// equals its library; the model file is not changed by being compared.
TEST(CliDiff, ModelsAreNamedByKeyOrFile)
{
    const TempDir home;
    const TempDir models;
    const CliRun made = RunCli(home, "extract " + kAfter + " --models " + Quoted(models.path().string()));
    ASSERT_EQ(made.status, 0) << made.err;
    const std::filesystem::path dat = models / "after.DAT";
    const std::string bytes = ReadBytes(dat);
    const std::string inModels = " --models " + Quoted(models.path().string());
    const std::pair<std::string, int> cases[] = {
        {kAfter + " AFTER" + inModels, 0},
        {"after.tlb " + kBefore + inModels, 1},
        {Quoted(dat.string()) + " " + kAfter, 0},
    };
    for (const auto& [args, status] : cases) {
        SCOPED_TRACE(args);
        const CliRun run = RunCli(home, "diff " + args);
        EXPECT_EQ(run.status, status) << run.err;
    }
    EXPECT_EQ(ReadBytes(dat), bytes);
}

// Objects a model's maker adds (<Events>) differ between two models, but
// are no difference between a model and its library.
TEST(CliDiff, CustomObjectsCountBetweenModelsOnly)
{
    const TempDir home, withEvents, without;
    const std::string quill = Quoted((std::filesystem::path(ARBOLITH_SAMPLE_DIR) / "Quill.tlb").string());
    for (const auto& [models, events] : {std::pair{&withEvents, "--events"}, std::pair{&without, "--no-events"}}) {
        const CliRun made = RunCli(
            home, "make " + quill + " --top Application " + events + " --models " + Quoted(models->path().string()));
        ASSERT_EQ(made.status, 0) << made.err;
    }
    const std::string a = Quoted((withEvents / "Quill.DAT").string());
    const std::string b = Quoted((without / "Quill.DAT").string());
    CliRun run = RunCli(home, "diff " + a + " " + b);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(run.out.starts_with("Object <Events>: removed")) << run.out;
    for (const std::string& model : {a, b}) {
        run = RunCli(home, "diff " + quill + " " + model);
        EXPECT_EQ(run.status, 0) << run.out << run.err;
    }
}

TEST(CliDiff, JsonFollowsItsSchema)
{
    if (std::system("python3 -c 'import jsonschema' 2>/dev/null") != 0) GTEST_SKIP() << "needs python3-jsonschema";
    const TempDir home;
    const std::filesystem::path schema =
        std::filesystem::path(ARBOLITH_TEST_DATA).parent_path().parent_path() / "schemas" / "cli" / "diff.schema.json";
    for (const std::string& args : {kBefore + " " + kAfter, kAfter + " " + kAfter}) {
        SCOPED_TRACE(args);
        const CliRun run = RunCli(home, "diff --json " + args);
        ASSERT_LE(run.status, 1) << run.err;
        WriteBytes(home / "out.json", run.out);
        const std::string check =
            "python3 -c 'import json,sys,jsonschema; s=json.load(open(sys.argv[1])); "
            "jsonschema.validate(json.load(open(sys.argv[2])), s, cls=jsonschema.Draft202012Validator)' " +
            Quoted(schema.string()) + " " + Quoted((home / "out.json").string());
        EXPECT_EQ(std::system(check.c_str()), 0) << run.out;
        EXPECT_NE(run.out.find(run.status == 0 ? "\"equal\":true" : "\"equal\":false"), std::string::npos);
    }
}

}  // namespace
}  // namespace arbolith::test
