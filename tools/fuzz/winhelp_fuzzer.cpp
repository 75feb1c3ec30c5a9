// SPDX-License-Identifier: MIT
// libFuzzer entry for the WinHelp reader. The input is a whole .hlp file;
// when it opens, every context number it maps is asked for (up to a cap),
// then the contents topic and a keyword, so the |TOPIC walk, the expanders
// and the B+ tree walks all run over whatever the file holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "help/winhelp.h"

namespace {

using namespace arbolith;

// Loose cap on the contexts asked for per input, so one map of thousands of
// entries does not turn every run into a timeout.
constexpr std::size_t kMaxContexts = 16;

void Check(const Result<help::WinHelpTopic>& topic, std::size_t& sink)
{
    if (topic) {
        sink += topic->title.size();
        for (const std::string& p : topic->paragraphs) sink += p.size();
    } else if (topic.error().description.empty()) {
        __builtin_trap();  // every failure must say what went wrong
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto file = help::WinHelpFile::FromBytes(std::string(reinterpret_cast<const char*>(data), size), "fuzz");
    if (!file) {
        if (file.error().description.empty()) __builtin_trap();
        return 0;
    }
    std::size_t sink = file->Title().size();
    std::size_t asked = 0;
    for (std::uint32_t context : file->ContextNumbers()) {
        if (++asked > kMaxContexts) break;
        Check(file->TopicForContext(context), sink);
    }
    Check(file->FirstTopic(), sink);
    Check(file->TopicForKeyword("application"), sink);
    // Keeps the work above from being optimised away.
    volatile std::size_t keep = sink;
    (void)keep;
    return 0;
}
