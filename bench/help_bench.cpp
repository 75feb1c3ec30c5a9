// SPDX-License-Identifier: MIT
// Help lookups as the viewer makes them with AutoHelp on: every click asks
// an open help file for the topic of a context number. The file is a 5 MB
// HTML Help file of 2,000 pages made with chmcmd when the benchmark starts
// (tools/make-help-fixtures.sh --big); without chmcmd the benchmarks skip.
// The last one draws the topics in the help viewer, offscreen.
#include "help/help_file.h"
#include "help/help_viewer_window.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

using namespace arbolith;

namespace {

constexpr std::uint32_t kPages = 2000;
constexpr std::uint32_t kFirstContext = 10001;  // the script maps page N to 10000 + N

// The large file, made once; empty when it cannot be made.
const std::filesystem::path& LargeChm()
{
    static test::TempDir dir;
    static const std::filesystem::path file = [] {
        const std::filesystem::path made = dir / "big.chm";
        if (std::system("command -v chmcmd > /dev/null 2>&1") != 0) return std::filesystem::path();
        const std::string command = "bash '" ARBOLITH_SOURCE_DIR "/tools/make-help-fixtures.sh' --big '" +
                                    made.string() + "' " + std::to_string(kPages);
        if (std::system(command.c_str()) != 0 || !std::filesystem::exists(made)) return std::filesystem::path();
        return made;
    }();
    return file;
}

std::optional<help::HelpFile> OpenLarge(benchmark::State& state)
{
    if (LargeChm().empty()) {
        state.SkipWithError("chmcmd (fp-utils) is needed to make the large help file");
        return std::nullopt;
    }
    auto file = help::HelpFile::Open(LargeChm());
    if (!file) {
        state.SkipWithError(file.error().description.c_str());
        return std::nullopt;
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(LargeChm())) / (1 << 20);
    return std::move(*file);
}

// A click on another node each time: the topic of a context read, decompressed
// and turned into text, the file open and its context table read before.
void BM_HelpTopicWarm(benchmark::State& state)
{
    auto file = OpenLarge(state);
    if (!file) return;
    if (!file->Topic(help::ParseHelpId("10001"))) state.SkipWithError("the first topic cannot be read");
    std::uint32_t step = 0;
    for (auto _ : state) {
        // Far apart, so consecutive topics rarely share a compressed block.
        const std::uint32_t context = kFirstContext + (step++ * 617) % kPages;
        auto topic = file->Topic(help::HelpId{help::HelpId::Kind::Context, context, ""});
        if (!topic) {
            state.SkipWithError(topic.error().description.c_str());
            break;
        }
        benchmark::DoNotOptimize(topic->text.data());
    }
}
BENCHMARK(BM_HelpTopicWarm)->Unit(benchmark::kMillisecond);

// The same node clicked again.
void BM_HelpTopicRepeated(benchmark::State& state)
{
    auto file = OpenLarge(state);
    if (!file) return;
    const help::HelpId id = help::ParseHelpId("11000");
    for (auto _ : state) {
        auto topic = file->Topic(id);
        if (!topic) {
            state.SkipWithError(topic.error().description.c_str());
            break;
        }
        benchmark::DoNotOptimize(topic->text.data());
    }
}
BENCHMARK(BM_HelpTopicRepeated)->Unit(benchmark::kMillisecond);

// The first click on a model's help: the file opened (its reader process
// started) and its first topic read.
void BM_HelpOpenAndFirstTopic(benchmark::State& state)
{
    if (!OpenLarge(state)) return;
    for (auto _ : state) {
        auto file = help::HelpFile::Open(LargeChm());
        auto topic = file ? file->Topic(help::ParseHelpId("11500")) : Result<help::HelpTopic>(file.error());
        if (!topic) {
            state.SkipWithError(topic.error().description.c_str());
            break;
        }
        benchmark::DoNotOptimize(topic->text.data());
    }
}
BENCHMARK(BM_HelpOpenAndFirstTopic)->Unit(benchmark::kMillisecond);

// What a user waits for with AutoHelp on: a click on another node to its
// topic drawn in the shown viewer (the file open, as after the first click).
void BM_HelpTopicShown(benchmark::State& state)
{
    if (!OpenLarge(state)) return;
    auto document = help::OpenHelpDocument(LargeChm());
    if (!document) {
        state.SkipWithError(document.error().description.c_str());
        return;
    }
    std::shared_ptr<help::HelpDocument> shared = std::move(*document);
    help::frmHelpViewer viewer;
    viewer.resize(900, 600);
    viewer.show();
    QApplication::processEvents();
    std::uint32_t step = 0;
    for (auto _ : state) {
        const std::uint32_t context = kFirstContext + (step++ * 617) % kPages;
        auto topic = shared->Topic(help::HelpId{help::HelpId::Kind::Context, context, ""});
        if (!topic) {
            state.SkipWithError(topic.error().description.c_str());
            break;
        }
        viewer.ShowTopic(shared, *topic);
        viewer.repaint();  // drawn now, not at the next turn of the event loop
        QApplication::processEvents();
    }
}
BENCHMARK(BM_HelpTopicShown)->Unit(benchmark::kMillisecond);

}  // namespace
