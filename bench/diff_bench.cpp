// SPDX-License-Identifier: MIT
// Comparing msxml3 with msxml6: `arbolith-cli diff` as a whole process (the
// one beside this program, its report read through a pipe), once with the
// two libraries and once with their two models' DAT files; and in process
// the reading of both libraries and the comparison alone.
#include "diff/diff_inputs.h"
#include "diff/diff_report.h"
#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "process_support.h"
#include "support/temp_dir.h"
#include "typelib/typelib_loader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace arbolith;

const fs::path kWine = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
const fs::path kMsxml3 = kWine / "msxml3.dll";
const fs::path kMsxml6 = kWine / "msxml6.dll";

fs::path CliBesideMe()
{
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path() / "arbolith-cli";
}

test::TempDir& Scratch()
{
    static test::TempDir dir;
    return dir;
}

// The two models, extracted once; empty paths when that failed.
std::pair<fs::path, fs::path> Models()
{
    static const auto models = [] {
        std::pair<fs::path, fs::path> dats;
        for (const auto& [library, dat] : {std::pair{kMsxml3, &dats.first}, std::pair{kMsxml6, &dats.second}}) {
            ExtractOptions options;
            options.modelsFolder = Scratch().path();
            options.errorLog = Scratch() / "errorlog.txt";
            std::string resource = "1";
            SilentProgress progress;
            ScriptedPrompt prompt;
            const ExtractionResult made = ExtractFromTypeLib(library.string(), resource, options, progress, prompt);
            if (made.ok) *dat = made.datFile;
        }
        return dats;
    }();
    return models;
}

void RunDiffProcess(benchmark::State& state, const std::string& a, const std::string& b)
{
    const fs::path cli = CliBesideMe();
    if (!fs::exists(cli)) {
        state.SkipWithError("arbolith-cli not found beside this program");
        return;
    }
    const std::vector<std::string> args = {cli.string(), "diff", a, b};
    for (auto _ : state)
        if (bench::RunThroughPipe(args) != 1) {
            state.SkipWithError("arbolith-cli diff did not report a difference");
            return;
        }
}

void BM_DiffLibrariesProcess(benchmark::State& state)
{
    if (!fs::exists(kMsxml3) || !fs::exists(kMsxml6)) {
        state.SkipWithError("msxml3.dll or msxml6.dll not found: install wine64");
        return;
    }
    RunDiffProcess(state, kMsxml3.string(), kMsxml6.string());
}
BENCHMARK(BM_DiffLibrariesProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DiffModelsProcess(benchmark::State& state)
{
    const auto [a, b] = Models();
    if (a.empty() || b.empty()) {
        state.SkipWithError("the msxml models could not be made: install wine64");
        return;
    }
    RunDiffProcess(state, a.string(), b.string());
}
BENCHMARK(BM_DiffModelsProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// In process: both libraries read and compared, the report's lines made.
void BM_DiffLibrariesInProcess(benchmark::State& state)
{
    if (!fs::exists(kMsxml3) || !fs::exists(kMsxml6)) {
        state.SkipWithError("msxml3.dll or msxml6.dll not found: install wine64");
        return;
    }
    diff::DiffRequest request;
    request.before = kMsxml3.string();
    request.after = kMsxml6.string();
    request.load = RegistryLoadOptions();
    SilentProgress progress;
    for (auto _ : state) {
        auto outcome = diff::RunDiff(request, progress);
        if (!outcome) {
            state.SkipWithError(outcome.error().description.c_str());
            return;
        }
        benchmark::DoNotOptimize(diff::DiffReportLines(outcome->diff));
    }
}
BENCHMARK(BM_DiffLibrariesInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
