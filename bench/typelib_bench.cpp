// SPDX-License-Identifier: MIT
// Type-library reading speed on the real libraries Wine ships: one large
// library read completely, and every library of the package in turn.
#include "typelib/typelib.h"
#include "typelib/typelib_loader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kWineLibraries = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";

// Counts every string and parameter so the whole library is touched.
std::size_t Touch(const arbolith::TypeLib& lib)
{
    std::size_t n = lib.name.size() + lib.doc.size();
    for (const arbolith::TypeInfo& type : lib.types) {
        n += type.name.size() + type.doc.size();
        for (const arbolith::Function& fn : type.functions) {
            n += fn.name.size() + fn.doc.size();
            for (const arbolith::Parameter& p : fn.params)
                n += p.name.size() + (p.type.ref ? p.type.ref->name.size() : 0);
        }
        for (const arbolith::Variable& v : type.variables) n += v.name.size() + v.doc.size();
    }
    return n;
}

std::vector<std::string> CorpusLibraries()
{
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kWineLibraries, ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // A TYPELIB resource name is stored in UTF-16.
        if (bytes.find(std::string("T\0Y\0P\0E\0L\0I\0B", 13)) == std::string::npos) continue;
        for (int resource = 1; resource <= 4; ++resource) {
            const std::string path = entry.path().string() + (resource > 1 ? "\\" + std::to_string(resource) : "");
            if (!arbolith::LoadTypeLib(path)) break;
            found.push_back(path);
        }
    }
    return found;
}

void BM_ReadMshtml(benchmark::State& state)
{
    const std::string path = (kWineLibraries / "mshtml.tlb").string();
    if (!arbolith::LoadTypeLib(path)) {
        state.SkipWithError("mshtml.tlb not found: install wine64");
        return;
    }
    for (auto _ : state) {
        auto lib = arbolith::LoadTypeLib(path);
        benchmark::DoNotOptimize(Touch(*lib));
    }
}
BENCHMARK(BM_ReadMshtml)->Unit(benchmark::kMillisecond);

void BM_ReadWholeCorpus(benchmark::State& state)
{
    const std::vector<std::string> libraries = CorpusLibraries();
    if (libraries.empty()) {
        state.SkipWithError("no Wine type libraries found: install wine64");
        return;
    }
    // Arg 1: forget the libraries loaded for imports (and the folders scanned
    // for them) before each pass, as a fresh process would start.
    const bool cold = state.range(0) == 1;
    for (auto _ : state) {
        if (cold) arbolith::ClearTypeLibCache();
        std::size_t n = 0;
        for (const std::string& path : libraries)
            if (auto lib = arbolith::LoadTypeLib(path)) n += Touch(*lib);
        benchmark::DoNotOptimize(n);
    }
    state.counters["libraries"] = static_cast<double>(libraries.size());
}
BENCHMARK(BM_ReadWholeCorpus)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
