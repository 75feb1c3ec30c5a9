// SPDX-License-Identifier: MIT
// How fast the wizard fills its Registry and Search lists: a Wine prefix
// with 1,000 registered libraries (each a file of its own in one folder,
// the case a Windows path's lookup by name must not make slow), and the
// breadth-first search of /usr, counted in folders per second.
//   arbolith-bench-discovery --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// ARBOLITH_BENCH_SEARCH_ROOT searches another folder instead of /usr.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "wizard/library_discovery.h"

using namespace arbolith;

namespace {

constexpr int kLibraries = 1000;

// A prefix whose system.reg registers kLibraries libraries as Wine writes
// them (win32 and win64 for every other one, a long-path prefix on some),
// each naming a file of its own in drive_c/windows/system32; made once.
const std::filesystem::path& SyntheticPrefix()
{
    static test::TempDir scratch;
    static const std::filesystem::path prefix = [] {
        namespace fs = std::filesystem;
        const fs::path root = scratch.path() / "prefix";
        const fs::path system32 = root / "drive_c" / "windows" / "system32";
        fs::create_directories(system32);
        fs::create_directories(root / "dosdevices");
        fs::create_directory_symlink("../drive_c", root / "dosdevices" / "c:");
        fs::create_directory_symlink("/", root / "dosdevices" / "z:");
        std::string reg = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
        const auto key = [&reg](const std::string& path, const std::string& value) {
            reg += "\n[Software\\\\Classes\\\\Typelib\\\\" + path + "] 1700000000\n#time=1da0000000000\n@=\"" + value +
                   "\"\n";
        };
        for (int i = 0; i < kLibraries; ++i) {
            char guid[64];
            std::snprintf(guid, sizeof guid, "{%08X-1234-5678-9ABC-DEF012345678}", static_cast<unsigned>(i));
            const std::string file = "Library" + std::to_string(i) + ".tlb";
            std::ofstream(system32 / file) << "x";
            const std::string version = std::string(guid) + "\\\\1.0";
            key(version, "Synthetic library number " + std::to_string(i));
            key(version + "\\\\FLAGS", "0");
            const std::string windowsPath = "C:\\\\windows\\\\system32\\\\" + file;
            key(version + "\\\\0\\\\win64", i % 3 == 0 ? "\\\\\\\\?\\\\" + windowsPath : windowsPath);
            if (i % 2 == 0) key(version + "\\\\0\\\\win32", "C:\\\\windows\\\\syswow64\\\\" + file);
        }
        std::ofstream(root / "system.reg") << reg;
        return root;
    }();
    return prefix;
}

void BM_RegistryList(benchmark::State& state)
{
    const std::vector<std::filesystem::path> prefixes = {SyntheticPrefix()};
    for (auto _ : state) {
        const RegistryListing listing = ReadRegistry(prefixes);
        if (listing.libraries.size() != kLibraries) state.SkipWithError("the synthetic prefix did not list in full");
        benchmark::DoNotOptimize(listing);
    }
}
BENCHMARK(BM_RegistryList)->Unit(benchmark::kMillisecond);

void BM_SearchFolders(benchmark::State& state)
{
    const char* root = std::getenv("ARBOLITH_BENCH_SEARCH_ROOT");
    std::int64_t folders = 0;
    for (auto _ : state) {
        const SearchOutcome outcome = FindLibraries(root && *root ? root : "/usr", false);
        folders += outcome.foldersVisited;
        benchmark::DoNotOptimize(outcome);
    }
    state.counters["folders_per_second"] =
        benchmark::Counter(static_cast<double>(folders), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SearchFolders)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
