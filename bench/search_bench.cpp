// SPDX-License-Identifier: MIT
// The search across every model, on models of the whole Wine corpus (every
// library CORPUS.txt lists, made with the arbolith-cli beside this program
// and kept in <build>/search-corpus/Models for the next run):
//   - IndexBuild: the index made from nothing, every DAT file's key derived
//     afresh as in a new process (target: 3 s);
//   - WarmQuery: a search for "item" on a current index, the check for changed
//     models included (target: 30 ms);
//   - WholeProcess: `arbolith-cli search item` on a current index.
#include "platform/database.h"
#include "search/model_index.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace arbolith;

const fs::path kWineDir = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";

fs::path ProgramFolder()
{
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path();
}

// The models folder, made on first use; empty when there is no model.
const fs::path& CorpusModels()
{
    static const fs::path models = [] {
        const fs::path folder = ProgramFolder().parent_path() / "search-corpus" / "Models";
        fs::create_directories(folder);
        std::ifstream list(fs::path(ARBOLITH_TEST_DATA) / "typelib" / "oracle" / "CORPUS.txt");
        for (std::string line; std::getline(list, line);) {
            std::string name;
            if (line.empty() || line[0] == '#' || !(std::istringstream(line) >> name)) continue;
            const std::string base = name.substr(0, name.find('.'));
            if (fs::exists(folder / (base + ".DAT")) || !fs::exists(kWineDir / name)) continue;
            const std::string command = "'" + (ProgramFolder() / "arbolith-cli").string() + "' make '" +
                                        (kWineDir / name).string() + "' --top All --custom-top --models '" +
                                        folder.string() + "' > /dev/null 2>&1";
            (void)std::system(command.c_str());
        }
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder)) count += entry.path().extension() == ".DAT";
        return count ? folder : fs::path();
    }();
    return models;
}

void IndexBuild(benchmark::State& state)
{
    if (CorpusModels().empty()) return state.SkipWithError("no Wine corpus models: install wine64");
    std::size_t models = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ForgetDatabaseKeys();
        state.ResumeTiming();
        auto index = search::ModelIndex::Open(CorpusModels(), true);
        if (!index) return state.SkipWithError(index.error().description.c_str());
        auto r = index->Refresh();
        if (!r) return state.SkipWithError(r.error().description.c_str());
        models = r->read;
    }
    state.counters["models"] = static_cast<double>(models);
}
BENCHMARK(IndexBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

void WarmQuery(benchmark::State& state)
{
    if (CorpusModels().empty()) return state.SkipWithError("no Wine corpus models: install wine64");
    auto index = search::ModelIndex::Open(CorpusModels());
    if (!index || !index->Refresh()) return state.SkipWithError("the index cannot be made");
    std::size_t hits = 0;
    for (auto _ : state) {
        auto r = index->Refresh();
        auto found = index->Search("item");
        if (!r || !found) return state.SkipWithError("the search failed");
        hits = found->size();
    }
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(WarmQuery)->Unit(benchmark::kMillisecond);

void WholeProcess(benchmark::State& state)
{
    if (CorpusModels().empty()) return state.SkipWithError("no Wine corpus models: install wine64");
    const std::string command = "'" + (ProgramFolder() / "arbolith-cli").string() + "' search item --models '" +
                                CorpusModels().string() + "' > /dev/null 2>&1";
    (void)std::system(command.c_str());  // brings the index up to date
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) return state.SkipWithError("arbolith-cli search failed");
}
BENCHMARK(WholeProcess)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
