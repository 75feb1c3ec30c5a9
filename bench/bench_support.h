// SPDX-License-Identifier: MIT
// What several benchmarks share: a scratch folder for the whole run and
// mshtml.tlb, the largest Wine library, extracted into a models folder.
#pragma once

#include "browser/tree_builder.h"
#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace arbolith::bench {

inline const std::filesystem::path kMshtml = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/mshtml.tlb";

// Removed when the run ends.
inline test::TempDir& Scratch()
{
    static test::TempDir dir;
    return dir;
}

// Extracts a library into `models` (made when missing); false when the
// library is not installed or does not extract.
inline bool ExtractInto(const std::filesystem::path& library, const std::filesystem::path& models,
                        ExtractOptions options = {})
{
    if (!std::filesystem::exists(library)) return false;
    std::filesystem::create_directories(models);
    options.modelsFolder = models;
    options.errorLog = models / "errorlog.txt";
    std::string resource = "1";
    SilentProgress progress;
    ScriptedPrompt prompt;
    return ExtractFromTypeLib(library.string(), resource, options, progress, prompt).ok;
}

// mshtml.DAT, extracted once into the scratch folder; empty when the
// library is not installed.
inline const std::filesystem::path& MshtmlDat()
{
    static const std::filesystem::path dat = [] {
        const std::filesystem::path models = Scratch() / "mshtml-model";
        return ExtractInto(kMshtml, models) ? models / "mshtml.DAT" : std::filesystem::path();
    }();
    return dat;
}

// A model of 10,000 objects and 166,667 random edges, each object expanded
// six times: a global tree of 1 + 6 x 166,667 = 1,000,003 nodes. With
// `repeatNames` objects share names at random (counting must go by key).
struct MillionNodeTree {
    browser::ObjectModel model;
    std::vector<browser::NodeRecord> nodes;
};
inline MillionNodeTree MakeMillionNodeTree(unsigned seed, bool repeatNames)
{
    MillionNodeTree t;
    std::mt19937 rng(seed);
    constexpr int kObjects = 10'000;
    for (int i = 0; i < kObjects; ++i) {
        browser::ObjectRecord& o = t.model.objects.emplace_back();
        o.key = i;
        o.name = "Object" + std::to_string(repeatNames ? static_cast<int>(rng() % 100'000) : i);
        o.branchLimit = 6;
    }
    std::uniform_int_distribution<int> pick(0, kObjects - 1);
    for (int i = 0; i < 166'667; ++i) t.model.edges.push_back({pick(rng), pick(rng), ""});
    t.model.Reindex();
    const std::vector<browser::NodeRecord> seeds{browser::RootSeed(t.model, 0)};
    if (!browser::CreateNodes(t.model, seeds, browser::kMaxLevel, {}, t.nodes)) t.nodes.clear();
    return t;
}

}  // namespace arbolith::bench
