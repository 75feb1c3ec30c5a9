// SPDX-License-Identifier: MIT
// Extraction speed on mshtml.tlb, the largest library Wine ships: the whole
// road from library file to finished DAT file (loaded, walked, reworked,
// stored, written, flushed and renamed), and beside it winedump reading the
// same library's raw MSFT bytes, as a yardstick of what a plain dump of the
// file costs. Report the ratio of the two medians. The *Process benchmarks
// compare whole processes, each with its output read through a pipe:
// arbolith-cli (beside this program) against winedump. (Peak memory is for
// /usr/bin/time or tools/extract-scaling.sh: a child started from here
// inherits this process's high-water mark.)
#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "process_support.h"
#include "typelib/pe_resources.h"
#include "typelib/typelib_loader.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kMshtml = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/mshtml.tlb";

// A scratch folder for the benchmark's files, removed at exit.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "arbolith-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~Scratch()
    {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

void BM_ExtractMshtml(benchmark::State& state)
{
    if (!fs::exists(kMshtml)) {
        state.SkipWithError("mshtml.tlb not found: install wine64");
        return;
    }
    Scratch scratch;
    arbolith::ExtractOptions options;
    options.modelsFolder = scratch.Path();
    options.errorLog = scratch.Path() / "errorlog.txt";
    options.load = arbolith::RegistryLoadOptions();
    arbolith::SilentProgress progress;
    arbolith::ScriptedPrompt prompt;
    for (auto _ : state) {
        // Libraries loaded for imports are forgotten, as a new run of the
        // wizard would find them; the file key stays derived, as it does
        // for every file after the first one a process makes.
        arbolith::ClearTypeLibCache();
        std::string resource = "1";
        const arbolith::ExtractionResult result =
            arbolith::ExtractFromTypeLib(kMshtml.string(), resource, options, progress, prompt);
        if (!result.ok) {
            state.SkipWithError(result.failure.c_str());
            return;
        }
    }
}
BENCHMARK(BM_ExtractMshtml)->Unit(benchmark::kMillisecond)->UseRealTime();

// winedump as Debian installs it: on the path, in Wine's own folder, or
// under its versioned name.
std::string Winedump()
{
    for (const char* candidate : {"/usr/lib/wine/winedump", "/usr/bin/winedump-stable"})
        if (access(candidate, X_OK) == 0) return candidate;
    return "winedump";
}

// Runs `winedump file`; false when it could not run.
bool RunWinedump(const std::string& file)
{
    return arbolith::bench::RunThroughPipe({Winedump(), file}) == 0;
}

// The raw MSFT bytes of mshtml.tlb in `folder`, for winedump; "" when they
// cannot be had.
std::string WriteMshtmlRawBytes(const fs::path& folder)
{
    std::ifstream in(kMshtml, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto msft = arbolith::FindTypeLibResource(arbolith::ByteView(file), 1);
    if (!msft) return {};
    const fs::path raw = folder / "mshtml-msft.tlb";
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(msft->Data()), static_cast<std::streamsize>(msft->Size()));
    return raw.string();
}

// Whole processes: `arbolith-cli extract mshtml.tlb` and `winedump` on its
// raw bytes, each started afresh every time.
void BM_ExtractMshtmlProcess(benchmark::State& state)
{
    std::error_code ec;
    const fs::path cli = fs::read_symlink("/proc/self/exe", ec).parent_path() / "arbolith-cli";
    if (!fs::exists(kMshtml) || !fs::exists(cli)) {
        state.SkipWithError("mshtml.tlb or arbolith-cli not found: install wine64, build arbolith-cli");
        return;
    }
    Scratch scratch;
    const std::vector<std::string> args = {cli.string(), "extract", kMshtml.string(), "--models",
                                           scratch.Path().string()};
    for (auto _ : state)
        if (arbolith::bench::RunThroughPipe(args) != 0) {
            state.SkipWithError("arbolith-cli extract failed");
            return;
        }
}
BENCHMARK(BM_ExtractMshtmlProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WinedumpMshtmlProcess(benchmark::State& state)
{
    Scratch scratch;
    const std::string raw = WriteMshtmlRawBytes(scratch.Path());
    if (raw.empty() || !RunWinedump(raw)) {
        state.SkipWithError("mshtml.tlb or winedump not found: install wine64 and wine64-tools");
        return;
    }
    for (auto _ : state) RunWinedump(raw);
}
BENCHMARK(BM_WinedumpMshtmlProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
