// SPDX-License-Identifier: MIT
// Report speed, where a user waits for it:
//   - the object frequencies of a tree of a million nodes, unrolled from a
//     synthetic model of 10,000 objects;
//   - the All Members report of the mshtml model, read from its DAT file,
//     which is extracted once into a scratch folder (skipped when the
//     library is not installed).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "bench_support.h"
#include "browser/tree_builder.h"
#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "reports/reports.h"

using namespace arbolith;

namespace {

using bench::MshtmlDat;

// Six expansions of every object: 1 + 6 x 166,667 = 1,000,003 nodes.
struct MillionNodeTree {
    browser::ObjectModel model;
    std::vector<browser::NodeRecord> nodes;
};

const MillionNodeTree& Tree()
{
    static const MillionNodeTree tree = [] {
        MillionNodeTree t;
        std::mt19937 rng(11);
        constexpr int kObjects = 10'000;
        for (int i = 0; i < kObjects; ++i) {
            browser::ObjectRecord& o = t.model.objects.emplace_back();
            o.key = i;
            o.name = "Object" + std::to_string(rng() % 100'000);
            o.branchLimit = 6;
        }
        std::uniform_int_distribution<int> pick(0, kObjects - 1);
        for (int i = 0; i < 166'667; ++i) t.model.edges.push_back({pick(rng), pick(rng), ""});
        t.model.Reindex();
        const std::vector<browser::NodeRecord> seeds{browser::RootSeed(t.model, 0)};
        if (!browser::CreateNodes(t.model, seeds, browser::kMaxLevel, {}, t.nodes)) t.nodes.clear();
        return t;
    }();
    return tree;
}

void BM_ObjectFrequenciesMillionNodes(benchmark::State& state)
{
    const MillionNodeTree& tree = Tree();
    for (auto _ : state) {
        auto rows = reports::ObjectFrequencies(tree.model, tree.nodes);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["nodes"] = static_cast<double>(tree.nodes.size());
}
BENCHMARK(BM_ObjectFrequenciesMillionNodes)->Unit(benchmark::kMillisecond);

void BM_AllMembersMshtml(benchmark::State& state)
{
    if (MshtmlDat().empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto report = reports::MakeLineReport(reports::ReportKind::AllMembers, MshtmlDat(), "mshtml");
        if (report.error) state.SkipWithError(report.error->c_str());
        lines = report.lines.size();
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_AllMembersMshtml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
