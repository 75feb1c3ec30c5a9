// SPDX-License-Identifier: MIT
// Load View, where a user waits for it: a saved view whose tree has about
// 100,000 nodes, every node with children open.
//   - BM_LoadView: reading and checking the file, opening the model (INF,
//     objects, edges), building the tree with the stored branch limits and
//     forming its display;
//   - BM_LoadViewShown: the same, then the tree handed to a shown tree view
//     with the saved nodes expanded and the chosen node scrolled to.
// Each runs on two models:
//   - "synthetic": a DAT file of 2,000 objects and 17,000 random edges; with
//     the default branch limit 6 its global tree has 1 + 6 x 17,000 nodes.
//   - "mshtml": the largest library Wine ships (289 objects, 683 edges) with
//     every branch limit at 100 and the top object allowed everywhere. Its
//     graph below HTMLDocument has no cycles, so this whole unrolled tree
//     (about 3,900 nodes) is the largest view it gives. Skipped when the
//     library is not installed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeView>

#include <random>

#include "bench_support.h"
#include "browser/object_browser.h"
#include "browser/object_tree_model.h"
#include "browser/views.h"
#include "platform/database.h"
#include "store/dat_schema.h"
#include "store/inf_file.h"

using namespace arbolith;
using namespace arbolith::browser;

namespace {

struct SavedView {
    std::filesystem::path models;
    std::filesystem::path file;
};

bool WriteInf(const std::filesystem::path& file, const std::string& top, std::int32_t topKey, bool topOnlyOnce)
{
    InfData inf;
    inf.topIsCustom = false;
    inf.builtInTopObject = top;
    inf.topOnlyOnce = topOnlyOnce;
    return SaveDataToINF(file, inf) && WriteInfTopObjectKey(file, topKey);
}

bool WriteSyntheticDat(const std::filesystem::path& file)
{
    constexpr int kObjects = 2'000;
    constexpr int kEdges = 17'000;
    auto db = CreateDatFile(file);
    if (!db || !CreateDataTables(*db)) return false;
    auto transaction = db->Begin();
    if (!transaction) return false;
    auto objects =
        Inserter::Prepare(*db, "Objects", {"Key", "Name", "RawName", "IsCollection", "MemberName", "HelpID"});
    auto edges = Inserter::Prepare(*db, "Edges", {"ParentObjectKey", "ChildObjectKey", "Label"});
    if (!objects || !edges) return false;
    std::mt19937 rng(11);
    for (int i = 0; i < kObjects; ++i) {
        const std::string name = i == 0 ? "Top" : "Object" + std::to_string(rng() % 100'000);
        const bool collection = i % 7 == 0;
        if (!objects->Insert({i, name, name, collection, collection ? "Item" : "", std::to_string(i % 3)}))
            return false;
    }
    std::uniform_int_distribution<int> pick(0, kObjects - 1);
    for (int i = 0; i < kEdges; ++i)
        if (!edges->Insert({pick(rng), pick(rng), "(P:Member" + std::to_string(i % 50) + ")"})) return false;
    return transaction->Commit().ok();
}

// Opens the model's global tree, gives every object `limit` (when set) and
// saves the view with every node that has children open.
bool SaveView(const std::filesystem::path& models, const std::string& key, std::optional<std::int32_t> limit,
              const std::filesystem::path& file)
{
    ScriptedPrompt prompt;
    ObjectBrowser browser(models, prompt);
    if (!browser.LibraryMenuClicked(key)) return false;
    auto view = browser.CurrentView({});
    if (!view) return false;
    if (limit) {
        std::fill(view->branchLimits.begin(), view->branchLimits.end(), *limit);
        if (!browser.LoadView(*view)) return false;
    }
    const TreeDisplay& display = browser.Display();
    view->expanded.assign(browser.Nodes().size(), false);
    for (std::int32_t n = 0; n < static_cast<std::int32_t>(display.NodeCount()); ++n)
        view->expanded[static_cast<std::size_t>(n)] = display.ChildCount(n) > 0;
    return WriteViewFile(file, *view).ok();
}

const SavedView& SyntheticView()
{
    static const SavedView saved = []() -> SavedView {
        const auto models = bench::Scratch() / "synthetic-models";
        std::filesystem::create_directories(models);
        const auto file = bench::Scratch() / "VIEWS" / "Synthetic.zvv";
        if (!WriteSyntheticDat(models / "synthetic.DAT") || !WriteInf(models / "synthetic.INF", "Top", 0, true) ||
            !SaveView(models, "synthetic", std::nullopt, file))
            return {};
        return {models, file};
    }();
    return saved;
}

const SavedView& MshtmlView()
{
    static const SavedView saved = []() -> SavedView {
        constexpr std::int32_t kMshtmlTop = 229;  // HTMLDocument in the Wine 8 library
        const auto models = bench::Scratch() / "mshtml-view-models";
        const auto file = bench::Scratch() / "VIEWS" / "Mshtml.zvv";
        if (!bench::ExtractInto(bench::kMshtml, models) ||
            !WriteInf(models / "mshtml.INF", "HTMLDocument", kMshtmlTop, false) ||
            !SaveView(models, "mshtml", kMaxBranchLimit, file))
            return {};
        return {models, file};
    }();
    return saved;
}

const SavedView& ViewOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? SyntheticView() : MshtmlView();
}

bool LoadFromFile(ObjectBrowser& browser, const std::filesystem::path& file)
{
    auto view = ReadViewFile(file);
    if (!view) return false;
    auto loaded = browser.LoadView(*view);
    return loaded && *loaded == TreeChange::Rebuilt;
}

void BM_LoadView(benchmark::State& state)
{
    const SavedView& saved = ViewOf(state);
    if (saved.file.empty()) {
        state.SkipWithError("the view could not be made (is mshtml.tlb installed?)");
        return;
    }
    ScriptedPrompt prompt;
    ObjectBrowser browser(saved.models, prompt);
    for (auto _ : state) {
        if (!LoadFromFile(browser, saved.file)) state.SkipWithError("the view did not load");
        benchmark::DoNotOptimize(browser.Display().NodeCount());
    }
    state.counters["nodes"] = static_cast<double>(browser.Nodes().size());
    state.counters["open"] = static_cast<double>(browser.DisplayExpanded().size());
}
BENCHMARK(BM_LoadView)->ArgName("mshtml")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadViewShown(benchmark::State& state)
{
    const SavedView& saved = ViewOf(state);
    if (saved.file.empty()) {
        state.SkipWithError("the view could not be made (is mshtml.tlb installed?)");
        return;
    }
    ScriptedPrompt prompt;
    ObjectBrowser browser(saved.models, prompt);
    ObjectTreeModel treeModel;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setHeaderHidden(true);
    view.resize(600, 800);
    view.setModel(&treeModel);
    view.show();
    for (auto _ : state) {
        if (!LoadFromFile(browser, saved.file)) state.SkipWithError("the view did not load");
        // What the window does with a rebuilt tree.
        treeModel.SetTree(browser.SharedDisplay());
        for (const std::int32_t node : browser.DisplayExpanded()) view.expand(treeModel.IndexOfNode(node));
        const QModelIndex selected = treeModel.IndexOfNode(browser.DisplaySelection());
        view.setCurrentIndex(selected);
        view.scrollTo(selected);
        QApplication::processEvents();
    }
    state.counters["nodes"] = static_cast<double>(browser.Nodes().size());
}
BENCHMARK(BM_LoadViewShown)->ArgName("mshtml")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
