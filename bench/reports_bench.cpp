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

const bench::MillionNodeTree& Tree()
{
    static const bench::MillionNodeTree tree = bench::MakeMillionNodeTree(11, true);
    return tree;
}

void BM_ObjectFrequenciesMillionNodes(benchmark::State& state)
{
    const bench::MillionNodeTree& tree = Tree();
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
