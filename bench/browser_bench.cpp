// SPDX-License-Identifier: MIT
// Object browser speed, where a user waits for it:
//   - opening the mshtml model (INF, objects, edges, global tree built and
//     labelled), the largest library Wine ships;
//   - building and displaying a tree of a million nodes from a synthetic model;
//   - a click on a node: both member panes and the status text, warm.
// The mshtml model is extracted once into a scratch folder when the library
// is installed; those benchmarks are skipped when it is not.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

#include "bench_support.h"
#include "browser/object_browser.h"
#include "browser/object_tree_model.h"
#include "extract/extraction.h"
#include "platform/progress.h"
#include "store/inf_file.h"
#include "support/temp_dir.h"

using namespace arbolith;
using namespace arbolith::browser;

namespace {

using bench::kMshtml;
using bench::Scratch;
constexpr std::int32_t kMshtmlTop = 229;  // HTMLDocument in the Wine 8 library

// The models folder holding mshtml.DAT and an INF naming HTMLDocument as top;
// empty when the library is not installed.
const std::filesystem::path& MshtmlModels()
{
    static const std::filesystem::path folder = []() -> std::filesystem::path {
        const auto models = Scratch().path();
        if (!bench::ExtractInto(kMshtml, models)) return {};
        InfData inf;
        inf.topIsCustom = false;
        inf.builtInTopObject = "HTMLDocument";
        const auto infFile = models / "mshtml.INF";
        if (!SaveDataToINF(infFile, inf) || !WriteInfTopObjectKey(infFile, kMshtmlTop)) return {};
        return models;
    }();
    return folder;
}

double ResidentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BM_OpenMshtmlModel(benchmark::State& state)
{
    if (MshtmlModels().empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    ScriptedPrompt prompt;
    ObjectBrowser browser(MshtmlModels(), prompt);
    for (auto _ : state) {
        if (!browser.LibraryMenuClicked("mshtml")) state.SkipWithError("the model did not open");
        benchmark::DoNotOptimize(browser.Display().NodeCount());
    }
    state.counters["nodes"] = static_cast<double>(browser.Nodes().size());
}
BENCHMARK(BM_OpenMshtmlModel)->Unit(benchmark::kMillisecond);

void BM_NodeClickMshtml(benchmark::State& state)
{
    if (MshtmlModels().empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    ScriptedPrompt prompt;
    ObjectBrowser browser(MshtmlModels(), prompt);
    if (!browser.LibraryMenuClicked("mshtml")) {
        state.SkipWithError("the model did not open");
        return;
    }
    std::size_t rows = 0;
    for (auto _ : state) {
        auto click = browser.ObjectNodeClicked(0);
        if (!click) {
            state.SkipWithError("the click failed");
            break;
        }
        rows = click->panes.properties.size() + click->panes.methods.size();
        benchmark::DoNotOptimize(click->status.data());
    }
    state.counters["members"] = static_cast<double>(rows);
}
BENCHMARK(BM_NodeClickMshtml)->Unit(benchmark::kMicrosecond);

// The same click on a connection opened for it alone (the file's key is
// cached): what a click would cost without the kept connection.
void BM_NodeClickMshtmlFreshConnection(benchmark::State& state)
{
    if (MshtmlModels().empty()) {
        state.SkipWithError("mshtml.tlb is not installed");
        return;
    }
    const auto dat = MshtmlModels() / "mshtml.DAT";
    for (auto _ : state) {
        MemberSource source;
        auto panes = source.Read(dat, kMshtmlTop, "");
        if (!panes) {
            state.SkipWithError("the read failed");
            break;
        }
        benchmark::DoNotOptimize(panes->methods.size());
    }
}
BENCHMARK(BM_NodeClickMshtmlFreshConnection)->Unit(benchmark::kMicrosecond);

// 10,000 objects with 166,667 edges between random objects and the default
// branch limit 6: every object is expanded six times, which gives
// 1 + 6 x 166,667 = 1,000,003 nodes.
const ObjectModel& SyntheticModel()
{
    static const ObjectModel model = [] {
        ObjectModel m;
        std::mt19937 rng(7);
        constexpr int kObjects = 10'000;
        constexpr int kEdges = 166'667;
        for (int i = 0; i < kObjects; ++i) {
            browser::ObjectRecord& o = m.objects.emplace_back();
            o.key = i;
            o.name = "Object" + std::to_string(rng() % 100'000);
            o.isCollection = i % 7 == 0;
            o.memberName = o.isCollection ? "Item" + std::to_string(i) : "";
            o.helpId = std::to_string(i % 3);
            o.branchLimit = 6;
        }
        std::uniform_int_distribution<int> pick(0, kObjects - 1);
        for (int i = 0; i < kEdges; ++i)
            m.edges.push_back({pick(rng), pick(rng), "(P:Member" + std::to_string(i % 50) + ")"});
        m.Reindex();
        return m;
    }();
    return model;
}

void BM_BuildMillionNodeTree(benchmark::State& state)
{
    const ObjectModel& model = SyntheticModel();
    const std::vector<NodeRecord> seeds{RootSeed(model, 0)};
    std::vector<NodeRecord> nodes;
    for (auto _ : state) {
        nodes.clear();
        nodes.shrink_to_fit();
        if (!CreateNodes(model, seeds, kMaxLevel, {}, nodes)) state.SkipWithError("the build failed");
        benchmark::DoNotOptimize(nodes.data());
    }
    state.counters["nodes"] = static_cast<double>(nodes.size());
    state.counters["node_MB"] = static_cast<double>(nodes.capacity() * sizeof(NodeRecord)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_BuildMillionNodeTree)->Unit(benchmark::kMillisecond);

// Labels, sibling order and a shown tree view: from the node array to the
// first screen, then a scroll to the last row.
void BM_DisplayMillionNodeTree(benchmark::State& state)
{
    const ObjectModel& model = SyntheticModel();
    std::vector<NodeRecord> nodes;
    if (!CreateNodes(model, std::vector<NodeRecord>{RootSeed(model, 0)}, kMaxLevel, {}, nodes)) {
        state.SkipWithError("the build failed");
        return;
    }
    ObjectTreeModel treeModel;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setHeaderHidden(true);
    view.resize(600, 800);
    view.setModel(&treeModel);
    view.show();
    const double before = ResidentMegabytes();
    double displayMegabytes = 0;
    for (auto _ : state) {
        treeModel.SetTree(nullptr);
        auto display = std::make_shared<const TreeDisplay>(
            TreeDisplay::Build(model, nodes, 1, DisplaySwitches{}, LabelStyle::Display));
        displayMegabytes = ResidentMegabytes() - before;
        treeModel.SetTree(std::move(display));
        view.expand(treeModel.index(0, 0));
        QApplication::processEvents();
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        QApplication::processEvents();
    }
    state.counters["display_MB"] = displayMegabytes;
}
BENCHMARK(BM_DisplayMillionNodeTree)->Unit(benchmark::kMillisecond);

}  // namespace
