// SPDX-License-Identifier: MIT
// Diagram speed, where a user waits for it: View > Diagram at depth 3 around
// HTMLDocument in mshtml (the largest library Wine ships), from the window
// opening to the drawing laid out and painted offscreen; the same graph's
// walk, DOT text and Graphviz layout alone; and the whole mshtml model,
// capped. Skipped when mshtml.tlb is not installed.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench_support.h"
#include "diagram/diagram_window.h"
#include "diagram/graphviz_layout.h"
#include "diagram/object_graph.h"

using namespace arbolith;

namespace {

struct Mshtml {
    std::shared_ptr<const browser::ObjectModel> model;
    std::int32_t htmlDocument = -1;
};

const Mshtml& LoadMshtml()
{
    static const Mshtml loaded = [] {
        Mshtml m;
        const auto& dat = bench::MshtmlDat();
        if (dat.empty()) return m;
        auto model = std::make_shared<browser::ObjectModel>();
        if (!model->FillObjectsArray(dat) || !model->FillEdgesArray(dat)) return m;
        m.htmlDocument = diagram::FindObjectByName(*model, "HTMLDocument").value_or(-1);
        m.model = std::move(model);
        return m;
    }();
    return loaded;
}

void LayOut(benchmark::State& state, bool wholeModel)
{
    const Mshtml& m = LoadMshtml();
    if (!m.model || m.htmlDocument < 0) return state.SkipWithError("mshtml.tlb is not installed");
    diagram::GraphRequest request{.root = m.htmlDocument, .depth = 3, .wholeModel = wholeModel};
    for (auto _ : state) {
        auto graph = diagram::CollectNeighbourhood(*m.model, request);
        auto laidOut = diagram::LayOutDot(diagram::WriteDot(*m.model, *graph));
        if (!laidOut) return state.SkipWithError(laidOut.error().description.c_str());
        benchmark::DoNotOptimize(laidOut->boxes.data());
        state.counters["nodes"] = static_cast<double>(graph->nodes.size());
        state.counters["edges"] = static_cast<double>(graph->edges.size());
    }
}

void BM_LayOutHtmlDocumentDepth3(benchmark::State& state)
{
    LayOut(state, false);
}
BENCHMARK(BM_LayOutHtmlDocumentDepth3)->Unit(benchmark::kMillisecond);

void BM_LayOutWholeMshtmlCapped(benchmark::State& state)
{
    LayOut(state, true);
}
BENCHMARK(BM_LayOutWholeMshtmlCapped)->Unit(benchmark::kMillisecond);

// The window made, shown, laid out on its worker and painted: what View >
// Diagram costs until the user sees the drawing.
void BM_DiagramWindowHtmlDocumentDepth3(benchmark::State& state)
{
    const Mshtml& m = LoadMshtml();
    if (!m.model || m.htmlDocument < 0) return state.SkipWithError("mshtml.tlb is not installed");
    ScriptedPrompt prompt;
    for (auto _ : state) {
        diagram::frmDiagram::Source source{m.model, "mshtml", m.htmlDocument, true, true, 3};
        diagram::frmDiagram window(source, prompt);
        window.show();
        if (!window.WaitForLayout() || !window.Shown()) return state.SkipWithError("no diagram was shown");
        window.View()->viewport()->repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DiagramWindowHtmlDocumentDepth3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
