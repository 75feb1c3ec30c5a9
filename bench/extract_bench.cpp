// SPDX-License-Identifier: MIT
// Extraction speed on mshtml.tlb, the largest library Wine ships: the whole
// road from library file to finished DAT file (loaded, walked, reworked,
// stored, written, flushed and renamed), and beside it winedump reading the
// same library's raw MSFT bytes, as a yardstick of what a plain dump of the
// file costs. Report the ratio of the two medians.
#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "typelib/pe_resources.h"
#include "typelib/typelib_loader.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern char** environ;

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

// Runs `winedump file` with its output thrown away; false when it could not run.
bool RunWinedump(const std::string& file)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "winedump";
    std::string argument = file;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_WinedumpMshtmlRawBytes(benchmark::State& state)
{
    std::ifstream in(kMshtml, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto msft = arbolith::FindTypeLibResource(arbolith::ByteView(file), 1);
    if (!msft) {
        state.SkipWithError("mshtml.tlb not found or without a type library: install wine64");
        return;
    }
    Scratch scratch;
    const fs::path raw = scratch.Path() / "mshtml-msft.tlb";
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(msft->Data()), static_cast<std::streamsize>(msft->Size()));
    if (!RunWinedump(raw.string())) {
        state.SkipWithError("winedump did not run: install wine64-tools");
        return;
    }
    for (auto _ : state) RunWinedump(raw.string());
}
BENCHMARK(BM_WinedumpMshtmlRawBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
