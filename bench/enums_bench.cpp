// SPDX-License-Identifier: MIT
// The enum viewer's reads without a window: Find Constant over the VB/VBA
// enumerations and over a model of 5,000 constants (target 10 ms each), and
// what opening the viewer on mshtml reads (its enumeration names and the
// first enumeration's constants), and the viewer itself shown on mshtml.
#include "bench_support.h"
#include "enums/enum_source.h"
#include "enums/enums_window.h"
#include "platform/database.h"
#include "store/dat_schema.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>

namespace arbolith::bench {
namespace {

// A model whose Enums table holds 100 enumerations of 50 constants each.
const std::filesystem::path& LargeEnumsDat()
{
    static const std::filesystem::path dat = [] {
        const std::filesystem::path path = Scratch() / "enums5000.DAT";
        auto db = CreateDatFile(path);
        if (!db || !CreateDataTables(*db)) return std::filesystem::path();
        auto tx = db->Begin();
        auto ins = Inserter::Prepare(*db, "Enums", {"Enum", "cConstants", "Constant", "Value"});
        if (!tx || !ins) return std::filesystem::path();
        for (int e = 0; e < 100; ++e)
            for (int c = 0; c < 50; ++c)
                if (!ins->Insert(
                        {"Enum" + std::to_string(e), 50, "const" + std::to_string(e) + "_" + std::to_string(c), c}))
                    return std::filesystem::path();
        if (!tx->Commit()) return std::filesystem::path();
        return path;
    }();
    return dat;
}

void FindIn(benchmark::State& state, Result<enums::EnumSource> source, const std::string& text)
{
    if (!source) {
        state.SkipWithError(source.error().description.c_str());
        return;
    }
    std::size_t found = 0;
    for (auto _ : state) {
        auto matches = source->FindConstants(text);
        found = matches ? matches->size() : 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = static_cast<double>(found);
}

void BM_FindConstantVba(benchmark::State& state)
{
    FindIn(state, enums::EnumSource::OpenVba(ARBOLITH_SPECIAL_FILE), "vb");
}
BENCHMARK(BM_FindConstantVba)->Unit(benchmark::kMillisecond);

void BM_FindConstant5000(benchmark::State& state)
{
    if (LargeEnumsDat().empty()) {
        state.SkipWithError("the benchmark's model could not be made");
        return;
    }
    FindIn(state, enums::EnumSource::OpenModel(LargeEnumsDat()), "_1");
}
BENCHMARK(BM_FindConstant5000)->Unit(benchmark::kMillisecond);

// Opening the viewer on mshtml: the file, the enumeration names, the first
// enumeration's constants.
void BM_OpenMshtmlEnums(benchmark::State& state)
{
    if (MshtmlDat().empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    std::size_t names = 0;
    for (auto _ : state) {
        auto source = enums::EnumSource::OpenModel(MshtmlDat());
        if (!source) {
            state.SkipWithError(source.error().description.c_str());
            return;
        }
        auto enumNames = source->EnumNames();
        if (!enumNames || enumNames->empty()) {
            state.SkipWithError("mshtml has no enumerations");
            return;
        }
        names = enumNames->size();
        benchmark::DoNotOptimize(source->Constants(enumNames->front()));
    }
    state.counters["enums"] = static_cast<double>(names);
}
BENCHMARK(BM_OpenMshtmlEnums)->Unit(benchmark::kMillisecond);

// The same to the viewer on the screen with both panes filled, as a user
// waits for it after View > Enums.
void BM_ViewerOnMshtml(benchmark::State& state)
{
    if (MshtmlDat().empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    ScriptedPrompt prompt;
    int constants = 0;
    for (auto _ : state) {
        frmEnums viewer(prompt, Scratch() / "enums-bench.ini");
        auto source = enums::EnumSource::OpenModel(MshtmlDat());
        if (!source) {
            state.SkipWithError(source.error().description.c_str());
            return;
        }
        if (!viewer.Load("Enums for mshtml", TableOf(std::move(*source)))) {
            state.SkipWithError("the viewer did not load");
            return;
        }
        viewer.show();
        QApplication::processEvents();
        constants = viewer.lstConstants()->count();
    }
    state.counters["constants"] = constants;
}
BENCHMARK(BM_ViewerOnMshtml)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace arbolith::bench
