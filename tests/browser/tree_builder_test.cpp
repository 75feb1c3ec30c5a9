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

// A node as one line: object, parent, level, name, member, origin, image.
std::string Line(std::int32_t object, std::int32_t parent, std::int32_t level, std::string_view name,
                 std::string_view member, std::string_view origin, std::string_view image)
{
    return std::to_string(object) + " < " + std::to_string(parent) + " @" + std::to_string(level) + " \"" +
           std::string(name) + "\" \"" + std::string(member) + "\" \"" + std::string(origin) + "\" " +
           std::string(image);
}

// The reference: every expanded node scans the whole edge array.
std::vector<std::string> ScanCreateNodes(const ObjectModel& model, const std::vector<NodeRecord>& seeds,
                                         std::int32_t maxLevel, const BuildRules& r)
{
    struct Scanned {
        std::int32_t object, level;
    };
    std::vector<Scanned> nodes;
    std::vector<std::string> lines;
    for (const NodeRecord& seed : seeds) {
        nodes.push_back({seed.object, seed.level});
        lines.push_back(Line(seed.object, seed.parent, seed.level, NodeName(model, seed), NodeMember(model, seed),
                             NodeOrigin(model, seed), NodeImageKey(seed.image)));
    }
    std::vector<std::int32_t> expansionCount(model.objects.size(), 0);
    for (std::size_t cursor = seeds.size() - 1; cursor < nodes.size(); ++cursor) {
        if (nodes[cursor].level >= maxLevel) break;
        const auto o = static_cast<std::size_t>(nodes[cursor].object);
        if (expansionCount[o] == model.objects[o].branchLimit) continue;
        ++expansionCount[o];
        for (const EdgeRecord& edge : model.edges) {
            if (edge.parent != nodes[cursor].object) continue;
            const ObjectRecord& k = model.objects[static_cast<std::size_t>(edge.child)];
            if ((r.topOnlyOnce && AsciiLower(k.name) == AsciiLower(r.topObjectName)) ||
                (!r.showHidden && AsciiLower(k.hiddenState) == "h") || (!r.showExternal && k.isExternal))
                continue;
            std::string image = (k.helpId.empty() || AsciiLower(k.helpId) == "0") ? "Off" : "On";
            image += k.isCollection ? "Col" : "Obj";
            if (AsciiLower(k.hiddenState) == "h") image += "Hid";
            nodes.push_back({edge.child, nodes[cursor].level + 1});
            lines.push_back(Line(edge.child, static_cast<std::int32_t>(cursor), nodes[cursor].level + 1, k.name,
                                 k.isCollection ? "{" + k.memberName + "}" : "", edge.label, image));
        }
    }
    return lines;
}

// Our nodes as lines, every text through the accessors.
std::vector<std::string> Lines(const ObjectModel& model, const std::vector<NodeRecord>& nodes)
{
    std::vector<std::string> lines;
    for (const NodeRecord& n : nodes)
        lines.push_back(Line(n.object, n.parent, n.level, NodeName(model, n), NodeMember(model, n),
                             NodeOrigin(model, n), NodeImageKey(n.image)));
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
        ASSERT_EQ(Lines(model, global), ScanCreateNodes(model, seeds, maxLevel, rules)) << what << " global";

        // A local view of a random node: its path as seeds.
        std::vector<NodeRecord> path;
        for (auto at = static_cast<std::int32_t>(pick(0, static_cast<int>(global.size()) - 1)); at >= 0;
             at = global[static_cast<std::size_t>(at)].parent)
            path.insert(path.begin(), global[static_cast<std::size_t>(at)]);
        for (std::size_t k = 0; k < path.size(); ++k) path[k].parent = static_cast<std::int32_t>(k) - 1;
        std::vector<NodeRecord> local;
        ASSERT_TRUE(CreateNodes(model, path, kMaxLevel, rules, local).ok());
        ASSERT_EQ(Lines(model, local), ScanCreateNodes(model, path, kMaxLevel, rules)) << what << " local";
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
