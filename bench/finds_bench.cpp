// SPDX-License-Identifier: MIT
// Find menu speed on the mshtml model (HTMLDocument at the top), the largest
// library Wine ships, extracted once into a scratch folder; skipped when the
// library is not installed:
//   - Find Paths to Object for the object of the deepest node of the tree;
//   - Find Objects with Member for the name part "item" (DAT file opened,
//     queried and closed, as the menu does);
//   - Find Object in Tree for a text no label holds: every label read.
// The mshtml tree is small (a few hundred nodes), so both node searches are
// timed on a synthetic tree of a million nodes as well.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "bench_support.h"
#include "browser/finds.h"
#include "browser/object_browser.h"
#include "platform/prompt.h"
#include "store/inf_file.h"

using namespace arbolith;
using namespace arbolith::browser;

namespace {

using bench::MshtmlDat;

struct OpenModel {
    ScriptedPrompt prompt;
    std::unique_ptr<ObjectBrowser> browser;
};

// The mshtml model opened as the window opens it; null when the library is
// not installed or the model does not open.
ObjectBrowser* Mshtml()
{
    static OpenModel open = [] {
        OpenModel m;
        if (MshtmlDat().empty()) return m;
        ObjectModel objects;
        if (!objects.FillObjectsArray(MshtmlDat())) return m;
        const auto top = std::find_if(objects.objects.begin(), objects.objects.end(),
                                      [](const browser::ObjectRecord& o) { return o.name == "HTMLDocument"; });
        if (top == objects.objects.end()) return m;
        InfData inf;
        inf.topIsCustom = false;
        inf.builtInTopObject = "HTMLDocument";
        const auto infFile = MshtmlDat().parent_path() / "mshtml.INF";
        if (!SaveDataToINF(infFile, inf) || !WriteInfTopObjectKey(infFile, static_cast<std::int32_t>(top->key)))
            return m;
        m.browser = std::make_unique<ObjectBrowser>(MshtmlDat().parent_path(), m.prompt);
        if (!m.browser->LibraryMenuClicked("mshtml")) m.browser.reset();
        return m;
    }();
    return open.browser.get();
}

void BM_FindPathsDeepestMshtml(benchmark::State& state)
{
    const ObjectBrowser* b = Mshtml();
    if (!b) {
        state.SkipWithError("the mshtml model is not available (mshtml.tlb not installed?)");
        return;
    }
    const auto nodes = b->Nodes();
    const auto deepest = std::max_element(nodes.begin(), nodes.end(),
                                          [](const NodeRecord& x, const NodeRecord& y) { return x.level < y.level; });
    const std::string name = b->Model().objects[static_cast<std::size_t>(deepest->object)].name;
    std::size_t paths = 0;
    for (auto _ : state) {
        const FindResults found = FindPaths(b->Model(), nodes, b->Display(), name);
        paths = found.lines.size();
        benchmark::DoNotOptimize(found.lines.data());
    }
    state.counters["nodes"] = static_cast<double>(nodes.size());
    state.counters["level"] = static_cast<double>(deepest->level);
    state.counters["paths"] = static_cast<double>(paths);
}
BENCHMARK(BM_FindPathsDeepestMshtml)->Unit(benchmark::kMillisecond);

void BM_FindObjectsWithMemberItemMshtml(benchmark::State& state)
{
    if (MshtmlDat().empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    std::size_t lines = 0;
    for (auto _ : state) {
        const FindResults found = FindObjectsWithMember(MshtmlDat(), "item", false);
        if (found.failed) state.SkipWithError(found.message.c_str());
        lines = found.lines.size();
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_FindObjectsWithMemberItemMshtml)->Unit(benchmark::kMillisecond);

void BM_FindNodeNoMatchMshtml(benchmark::State& state)
{
    const ObjectBrowser* b = Mshtml();
    if (!b) {
        state.SkipWithError("the mshtml model is not available (mshtml.tlb not installed?)");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(FindNextNode(b->Display(), "no such label", false, 0));
    state.counters["nodes"] = static_cast<double>(b->Display().NodeCount());
}
BENCHMARK(BM_FindNodeNoMatchMshtml)->Unit(benchmark::kMillisecond);

// The shared million-node tree, with unique names, and its display.
struct MillionNodeTree : bench::MillionNodeTree {
    TreeDisplay display;
};

const MillionNodeTree& Million()
{
    static const MillionNodeTree tree = [] {
        MillionNodeTree t{bench::MakeMillionNodeTree(7, false), {}};
        t.display = TreeDisplay::Build(t.model, t.nodes, 1, {}, LabelStyle::Display);
        return t;
    }();
    return tree;
}

void BM_FindPathsMillionNodes(benchmark::State& state)
{
    const MillionNodeTree& t = Million();
    const auto deepest = std::max_element(t.nodes.begin(), t.nodes.end(),
                                          [](const NodeRecord& x, const NodeRecord& y) { return x.level < y.level; });
    const std::string name = t.model.objects[static_cast<std::size_t>(deepest->object)].name;
    std::size_t paths = 0;
    for (auto _ : state) {
        const FindResults found = FindPaths(t.model, t.nodes, t.display, name);
        paths = found.lines.size();
        benchmark::DoNotOptimize(found.lines.data());
    }
    state.counters["nodes"] = static_cast<double>(t.nodes.size());
    state.counters["level"] = static_cast<double>(deepest->level);
    state.counters["paths"] = static_cast<double>(paths);
}
BENCHMARK(BM_FindPathsMillionNodes)->Unit(benchmark::kMillisecond);

void BM_FindNodeNoMatchMillionNodes(benchmark::State& state)
{
    const MillionNodeTree& t = Million();
    for (auto _ : state) benchmark::DoNotOptimize(FindNextNode(t.display, "no such label", true, 0));
    state.counters["nodes"] = static_cast<double>(t.display.NodeCount());
}
BENCHMARK(BM_FindNodeNoMatchMillionNodes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
