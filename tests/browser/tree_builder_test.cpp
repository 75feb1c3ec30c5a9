// SPDX-License-Identifier: MIT
// The index-based builder against a word-for-word walk that scans the whole
// edge array for every expanded node, on random graphs (cycles, self-edges,
// branch limits 0 to 100, the top, hidden and external rules, the depth
// cap); then keys that are not running numbers, which that walk never meets.
#include "browser/tree_builder.h"

#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <random>

namespace arbolith::browser {
namespace {

// The reference: every expanded node scans the whole edge array.
std::vector<NodeRecord> ScanCreateNodes(const ObjectModel& model, const std::vector<NodeRecord>& seeds,
                                        std::int32_t maxLevel, const BuildRules& r)
{
    std::vector<NodeRecord> nodes = seeds;
    std::vector<std::int32_t> expansionCount(model.objects.size(), 0);
    for (std::size_t cursor = seeds.size() - 1; cursor < nodes.size(); ++cursor) {
        const NodeRecord at = nodes[cursor];
        if (at.level >= maxLevel) break;
        const auto o = static_cast<std::size_t>(at.object);
        if (expansionCount[o] == model.objects[o].branchLimit) continue;
        ++expansionCount[o];
        for (std::size_t e = 0; e < model.edges.size(); ++e) {
            if (model.edges[e].parent != at.object) continue;
            const ObjectRecord& k = model.objects[static_cast<std::size_t>(model.edges[e].child)];
            const bool hidden = AsciiLower(k.hiddenState) == "h";
            if ((r.topOnlyOnce && AsciiLower(k.name) == AsciiLower(r.topObjectName)) || (!r.showHidden && hidden) ||
                (!r.showExternal && k.isExternal))
                continue;
            std::string image = (k.helpId.empty() || AsciiLower(k.helpId) == "0") ? "Off" : "On";
            image += std::string(k.isCollection ? "Col" : "Obj") + (hidden ? "Hid" : "");
            nodes.push_back({model.edges[e].child, static_cast<std::int32_t>(cursor), at.level + 1,
                             static_cast<std::int32_t>(e), *ParseNodeImageKey(image)});
        }
    }
    return nodes;
}

// Nodes as lines (object < parent @level, edge, image), for readable differences.
std::vector<std::string> Lines(const std::vector<NodeRecord>& nodes)
{
    std::vector<std::string> lines;
    for (const NodeRecord& n : nodes)
        lines.push_back(std::to_string(n.object) + " < " + std::to_string(n.parent) + " @" + std::to_string(n.level) +
                        " e" + std::to_string(n.edge) + " " + NodeImageKey(n.image));
    return lines;
}

ObjectModel RandomModel(std::mt19937& rng)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    ObjectModel m;
    const int objectCount = pick(1, 30);
    const char* names[] = {"App", "app", "Doc", "Docs", "Window", "Item", "Range", "Cell"};
    for (int i = 0; i < objectCount; ++i) {
        ObjectRecord& o = m.objects.emplace_back();
        o.key = i;
        o.name = std::string(names[pick(0, 7)]) + (pick(0, 2) ? std::to_string(i) : "");
        o.nameX = pick(0, 5) == 0 ? "x" : "";
        o.isCollection = pick(0, 3) == 0;
        o.memberName = o.isCollection ? "Item" : "";
        o.helpId = std::vector<std::string>{"", "0", "12", "7"}[static_cast<std::size_t>(pick(0, 3))];
        o.hiddenState = std::vector<std::string>{"", "", "H", "h"}[static_cast<std::size_t>(pick(0, 3))];
        o.isExternal = pick(0, 6) == 0;
        o.isCustom = pick(0, 6) == 0;
        o.flags = pick(0, 1) ? "/dual/" : "";
        o.docString = "d" + std::to_string(i);
        const int kind = pick(0, 9);
        o.branchLimit = kind == 0 ? 0 : kind == 1 ? 100 : kind == 2 ? pick(0, 100) : pick(1, 6);
    }
    const int edgeCount = pick(0, 80);
    for (int i = 0; i < edgeCount; ++i) {
        EdgeRecord& e = m.edges.emplace_back();
        e.parent = pick(0, 15) == 0 ? -1 : pick(0, objectCount - 1);      // a Null parent never matches
        e.child = pick(0, 4) == 0 ? e.parent : pick(0, objectCount - 1);  // self-edges
        if (e.child < 0) e.child = 0;
        e.label = "(P:m" + std::to_string(i) + ")";
    }
    m.Reindex();
    return m;
}

TEST(TreeBuilder, IndexedWalkMatchesFullScanOnRandomGraphs)
{
    std::mt19937 rng(20240607);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 400; ++round) {
        const ObjectModel model = RandomModel(rng);
        const auto top = static_cast<std::int32_t>(pick(0, static_cast<int>(model.objects.size()) - 1));
        BuildRules rules;
        rules.topObjectName = pick(0, 1) ? AsciiUpper(model.objects[static_cast<std::size_t>(top)].name) : "Doc";
        rules.topOnlyOnce = pick(0, 1);
        rules.showHidden = pick(0, 1);
        rules.showExternal = pick(0, 1);
        const std::int32_t maxLevel = pick(0, 3) == 0 ? pick(0, 5) : kMaxLevel;
        const std::string what = "round " + std::to_string(round);

        // The global tree.
        const std::vector<NodeRecord> seeds{RootSeed(model, top)};
        std::vector<NodeRecord> global;
        ASSERT_TRUE(CreateNodes(model, seeds, maxLevel, rules, global).ok());
        ASSERT_EQ(Lines(global), Lines(ScanCreateNodes(model, seeds, maxLevel, rules))) << what << " global";

        // A local view of a random node: its path as seeds.
        std::vector<NodeRecord> path;
        for (auto at = static_cast<std::int32_t>(pick(0, static_cast<int>(global.size()) - 1)); at >= 0;
             at = global[static_cast<std::size_t>(at)].parent)
            path.insert(path.begin(), global[static_cast<std::size_t>(at)]);
        for (std::size_t k = 0; k < path.size(); ++k) path[k].parent = static_cast<std::int32_t>(k) - 1;
        std::vector<NodeRecord> local;
        ASSERT_TRUE(CreateNodes(model, path, kMaxLevel, rules, local).ok());
        ASSERT_EQ(Lines(local), Lines(ScanCreateNodes(model, path, kMaxLevel, rules))) << what << " local";
    }
}

// "h" is as hidden as "H": the filter, the image and the flat view's mark
// all agree, in either case.
TEST(TreeBuilder, HiddenStateInEitherCaseIsHiddenEverywhere)
{
    ObjectModel m;
    for (const char* state : {"", "H", "h", "N"}) {
        ObjectRecord& o = m.objects.emplace_back();
        o.key = static_cast<std::int64_t>(m.objects.size()) - 1;
        o.name = std::string("O") + state;
        o.hiddenState = state;
        o.branchLimit = 1;
    }
    for (std::int32_t child = 1; child < 4; ++child) m.edges.push_back({0, child, ""});
    m.Reindex();

    std::vector<NodeRecord> nodes;
    ASSERT_TRUE(CreateNodes(m, {{RootSeed(m, 0)}}, kMaxLevel, BuildRules{}, nodes).ok());
    std::vector<std::string> images;
    for (const NodeRecord& n : nodes) images.push_back(NodeName(m, n) + " " + NodeImageKey(n.image));
    EXPECT_EQ(images, (std::vector<std::string>{"O OffObj", "OH OffObjHid", "Oh OffObjHid", "ON OffObj"}));

    BuildRules noHidden;
    noHidden.showHidden = false;
    ASSERT_TRUE(CreateNodes(m, {{RootSeed(m, 0)}}, kMaxLevel, noHidden, nodes).ok());
    EXPECT_EQ(nodes.size(), 2u);

    std::vector<std::string> flat;
    for (const NodeRecord& n : CreateFlatNodes(m)) flat.push_back(NodeName(m, n));
    EXPECT_EQ(flat, (std::vector<std::string>{"<<flat>>", "O", "OH (H)", "ON", "Oh (H)"}));
}

TEST(TreeBuilder, KeysWithGapsStillLinkEdgesToTheirObjects)
{
    ObjectModel m;
    for (const std::int64_t key : {5, 9, 9, 40}) {
        ObjectRecord& o = m.objects.emplace_back();
        o.key = key;
    }
    m.Reindex();
    EXPECT_EQ(m.PositionOfKey(9), 1);  // the first of equal keys
    EXPECT_EQ(m.PositionOfKey(40), 3);
    EXPECT_FALSE(m.PositionOfKey(0));
    EXPECT_FALSE(m.PositionOfKey(-1));
}

}  // namespace
}  // namespace arbolith::browser
