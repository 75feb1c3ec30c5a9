// SPDX-License-Identifier: MIT
// Replays the inputs kept in tests/data/help/winhelp/fuzz-regressions: files
// the fuzzer (tools/fuzz-winhelp.sh) found to crash the WinHelp reader, hang
// it or blow up its memory. Each must open and answer every request, or fail
// with a message that names the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "help/winhelp.h"
#include "support/temp_dir.h"

namespace arbolith::help {
namespace {

namespace fs = std::filesystem;

TEST(WinHelpFuzzRegressions, EveryInputOpensOrFailsWithAMessage)
{
    const fs::path dir = fs::path(ARBOLITH_TEST_DATA) / "help" / "winhelp" / "fuzz-regressions";
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    ASSERT_FALSE(inputs.empty()) << dir;

    auto named = [](const Error& e) { return e.description.rfind("input: ", 0) == 0; };
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        auto file = WinHelpFile::FromBytes(test::ReadBytes(input), "input");
        if (!file) {
            EXPECT_TRUE(named(file.error())) << file.error().description;
            continue;
        }
        std::vector<Result<WinHelpTopic>> answers;
        for (std::uint32_t context : file->ContextNumbers()) answers.push_back(file->TopicForContext(context));
        answers.push_back(file->FirstTopic());
        answers.push_back(file->TopicForKeyword("a"));
        for (const auto& answer : answers)
            if (!answer) {
                EXPECT_TRUE(named(answer.error())) << answer.error().description;
            }
    }
}

TEST(WinHelpFuzzRegressions, DamagedInputsFailNamingTheirFault)
{
    const fs::path dir = fs::path(ARBOLITH_TEST_DATA) / "help" / "winhelp" / "fuzz-regressions";
    struct Case {
        const char* file;
        std::uint32_t context;
        const char* message;
    };
    const Case cases[] = {
        // Phrase offsets that fell back after rising: a phrase used to be
        // cut from past the end of the phrase text.
        {"phrase-offsets-out-of-order.hlp", 20, "|Phrases: phrase offsets are out of order"},
        {"phrase-offsets-out-of-order-2.hlp", 10, "|Phrases: phrase offsets are out of order"},
        {"directory-leaf-loop.hlp", 10, "internal directory: B+ tree leaf pages form a loop"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto file = WinHelpFile::FromBytes(test::ReadBytes(dir / c.file), "input");
        const Error* error = file ? nullptr : &file.error();
        std::optional<Result<WinHelpTopic>> topic;
        if (file) {
            topic.emplace(file->TopicForContext(c.context));
            ASSERT_FALSE(*topic);
            error = &topic->error();
        }
        EXPECT_NE(error->description.find(c.message), std::string::npos) << error->description;
    }
}

}  // namespace
}  // namespace arbolith::help
