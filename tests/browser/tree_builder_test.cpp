// SPDX-License-Identifier: MIT
// The index-based builder against a word-for-word walk that scans the whole
// edge array for every expanded node, on random graphs; then the rules one
// at a time on small hand-made graphs.
#include "browser/tree_builder.h"

#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <random>

namespace arbolith::browser {
namespace {

// ---------------------------------------------------------------------------
// The reference: node records with every text copied in, built by scanning.

struct ScanNode {
    std::int64_t index = 0;
    std::int32_t object = 0;
    std::int32_t parent = -1;
    std::string name, nameX, origin;
    bool isCollection = false;
    std::string member, helpId, image;
    std::int32_t level = 0;
    std::string hiddenState, docString, flags;
    bool isCustom = false;
};

std::string ScanImage(const ObjectRecord& k)
{
    std::string key = (k.helpId.empty() || AsciiLower(k.helpId) == "0") ? "Off" : "On";
    key += k.isCollection ? "Col" : "Obj";
    if (k.hiddenState == "H")
        key += "Hid";
    return key;
}

std::vector<ScanNode> ScanCreateNodes(const std::vector<ObjectRecord>& objects, const std::vector<EdgeRecord>& edges,
                                      const std::vector<ScanNode>& seeds, std::int32_t maxLevel, const BuildRules& r)
{
    std::vector<ScanNode> nodes = seeds;
    std::vector<std::int32_t> expansionCount(objects.size(), 0);
    std::size_t cursor = seeds.size() - 1;
    for (;;) {
        if (cursor == nodes.size())
            break;
        if (nodes[cursor].level >= maxLevel)
            break;
        const std::int32_t o = nodes[cursor].object;
        if (expansionCount[static_cast<std::size_t>(o)] == objects[static_cast<std::size_t>(o)].branchLimit) {
            ++cursor;
            continue;
        }
        ++expansionCount[static_cast<std::size_t>(o)];
        for (std::size_t e = 0; e < edges.size(); ++e) {
            if (edges[e].parent != o)
                continue;
            const ObjectRecord& k = objects[static_cast<std::size_t>(edges[e].child)];
            if (r.topOnlyOnce && AsciiLower(k.name) == AsciiLower(r.topObjectName))
                continue;
            if (!r.showHidden && AsciiLower(k.hiddenState) == "h")
                continue;
            if (!r.showExternal && k.isExternal)
                continue;
            ScanNode n;
            n.index = static_cast<std::int64_t>(nodes.size());
            n.object = edges[e].child;
            n.parent = static_cast<std::int32_t>(cursor);
            n.level = nodes[cursor].level + 1;
            n.name = k.name;
            n.nameX = k.nameX;
            n.hiddenState = k.hiddenState;
            n.docString = k.docString;
            n.flags = k.flags;
            n.helpId = k.helpId;
            n.isCollection = k.isCollection;
            n.isCustom = k.isCustom;
            n.member = k.isCollection ? "{" + k.memberName + "}" : "";
            n.origin = edges[e].label;
            n.image = ScanImage(k);
            nodes.push_back(n);
        }
        ++cursor;
    }
    return nodes;
}

// The seed list of a node's local view, as the scan would copy it.
std::vector<ScanNode> ScanSeeds(const ObjectModel& model, const std::vector<NodeRecord>& seeds)
{
    std::vector<ScanNode> out;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const NodeRecord& s = seeds[i];
        const ObjectRecord& k = model.objects[static_cast<std::size_t>(s.object)];
        ScanNode n;
        n.index = static_cast<std::int64_t>(i);
        n.object = s.object;
        n.parent = s.parent;
        n.level = s.level;
        n.name = k.name;
        n.nameX = k.nameX;
        n.hiddenState = k.hiddenState;
        n.docString = k.docString;
        n.flags = k.flags;
        n.helpId = k.helpId;
        n.isCollection = k.isCollection;
        n.isCustom = k.isCustom;
        n.member = k.isCollection ? "{" + k.memberName + "}" : "";
        n.origin = std::string(NodeOrigin(model, s));
        n.image = std::string(NodeImageKey(s.image));
        out.push_back(n);
    }
    return out;
}

void ExpectSameTree(const ObjectModel& model, const std::vector<NodeRecord>& ours, const std::vector<ScanNode>& scan,
                    const std::string& what)
{
    ASSERT_EQ(ours.size(), scan.size()) << what;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const NodeRecord& a = ours[i];
        const ScanNode& b = scan[i];
        const ObjectRecord& k = model.objects[static_cast<std::size_t>(a.object)];
        SCOPED_TRACE(what + ", node " + std::to_string(i));
        ASSERT_EQ(b.index, static_cast<std::int64_t>(i));
        ASSERT_EQ(a.object, b.object);
        ASSERT_EQ(a.parent, b.parent);
        ASSERT_EQ(a.level, b.level);
        ASSERT_EQ(NodeName(model, a), b.name);
        ASSERT_EQ(k.nameX, b.nameX);
        ASSERT_EQ(NodeOrigin(model, a), b.origin);
        ASSERT_EQ(k.isCollection, b.isCollection);
        ASSERT_EQ(NodeMember(model, a), b.member);
        ASSERT_EQ(k.helpId, b.helpId);
        ASSERT_EQ(NodeImageKey(a.image), b.image);
        ASSERT_EQ(k.hiddenState, b.hiddenState);
        ASSERT_EQ(k.docString, b.docString);
        ASSERT_EQ(k.flags, b.flags);
        ASSERT_EQ(k.isCustom, b.isCustom);
    }
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
        e.parent = pick(0, 15) == 0 ? -1 : pick(0, objectCount - 1);  // a Null parent never matches
        e.child = pick(0, 4) == 0 ? e.parent : pick(0, objectCount - 1);  // self-edges
        if (e.child < 0)
            e.child = 0;
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
        ExpectSameTree(model, global, ScanCreateNodes(model.objects, model.edges, ScanSeeds(model, seeds), maxLevel, rules),
                       what + " global");

        // A local view of a random node: its path as seeds.
        std::vector<NodeRecord> path;
        for (auto at = static_cast<std::int32_t>(pick(0, static_cast<int>(global.size()) - 1)); at >= 0;
             at = global[static_cast<std::size_t>(at)].parent)
            path.insert(path.begin(), global[static_cast<std::size_t>(at)]);
        for (std::size_t k = 0; k < path.size(); ++k)
            path[k].parent = static_cast<std::int32_t>(k) - 1;
        std::vector<NodeRecord> local;
        ASSERT_TRUE(CreateNodes(model, path, kMaxLevel, rules, local).ok());
        ExpectSameTree(model, local, ScanCreateNodes(model.objects, model.edges, ScanSeeds(model, path), kMaxLevel, rules),
                       what + " local");
    }
}

// ---------------------------------------------------------------------------
// The rules on small graphs.

ObjectModel Chain(std::vector<std::pair<int, int>> edges, int objectCount, std::int32_t limit)
{
    ObjectModel m;
    for (int i = 0; i < objectCount; ++i) {
        ObjectRecord& o = m.objects.emplace_back();
        o.key = i;
        o.name = "O" + std::to_string(i);
        o.branchLimit = limit;
    }
    for (const auto& [p, c] : edges)
        m.edges.push_back({p, c, ""});
    m.Reindex();
    return m;
}

std::vector<NodeRecord> Build(const ObjectModel& m, std::int32_t top = 0, BuildRules rules = {})
{
    std::vector<NodeRecord> nodes;
    EXPECT_TRUE(CreateNodes(m, std::vector<NodeRecord>{RootSeed(m, top)}, kMaxLevel, rules, nodes).ok());
    return nodes;
}

TEST(TreeBuilder, BranchLimitsDecideWhichNodesAreExpanded)
{
    // 0 -> 1, 1 -> 2; object 1 reached three times from 0.
    ObjectModel m = Chain({{0, 1}, {0, 1}, {0, 1}, {1, 2}}, 3, 2);
    std::vector<NodeRecord> nodes = Build(m);
    // Root, three 1s, 2 under the first two of them only.
    ASSERT_EQ(nodes.size(), 6u);
    EXPECT_EQ(nodes[4].parent, 1);
    EXPECT_EQ(nodes[5].parent, 2);

    // A limit of 0: never expanded, a leaf wherever it appears; the root too.
    m.objects[1].branchLimit = 0;
    EXPECT_EQ(Build(m).size(), 4u);
    m.objects[0].branchLimit = 0;
    EXPECT_EQ(Build(m).size(), 1u);

    // The root's own expansion counts against the top object's limit: with
    // a limit of 1 a self-edge shows the object once below the root, as a leaf.
    ObjectModel self = Chain({{0, 0}}, 1, 1);
    EXPECT_EQ(Build(self).size(), 2u);
}

TEST(TreeBuilder, DepthCapEndsACycle)
{
    ObjectModel m = Chain({{0, 0}}, 1, kMaxBranchLimit);
    const std::vector<NodeRecord> nodes = Build(m);
    ASSERT_EQ(nodes.size(), 101u);  // levels 0 to 100
    EXPECT_EQ(nodes.back().level, kMaxLevel);
}

TEST(TreeBuilder, RulesLeaveOutTopHiddenAndExternalChildren)
{
    ObjectModel m = Chain({{0, 1}, {0, 2}, {0, 3}, {1, 0}}, 4, 6);
    m.objects[0].name = "Application";
    m.objects[2].hiddenState = "h";
    m.objects[3].isExternal = true;

    BuildRules rules{"APPLICATION", true, true, true};
    std::vector<NodeRecord> nodes = Build(m, 0, rules);
    EXPECT_EQ(nodes.size(), 4u);  // the edge back to the top is dropped
    rules.showHidden = false;
    rules.showExternal = false;
    nodes = Build(m, 0, rules);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[1].object, 1);
    // Without the top rule the cycle App -> 1 -> App unrolls until both
    // branch limits are spent: six times each.
    rules.topOnlyOnce = false;
    EXPECT_EQ(Build(m, 0, rules).size(), 13u);
}

TEST(TreeBuilder, EdgesToNowhereAndAnEmptyModelAreHarmless)
{
    ObjectModel m = Chain({{0, 1}}, 2, 6);
    m.edges.push_back({0, -1, "dangling"});
    m.edges.push_back({-1, 1, "orphan"});
    m.edges.push_back({7, 1, "far"});
    m.Reindex();
    EXPECT_EQ(Build(m).size(), 2u);
    EXPECT_EQ(m.UnlinkedEdgeCount(), 3u);

    ObjectModel empty;
    empty.Reindex();
    std::vector<NodeRecord> nodes;
    EXPECT_TRUE(CreateNodes(empty, std::vector<NodeRecord>{RootSeed(empty, 0)}, kMaxLevel, {}, nodes).ok());
    EXPECT_EQ(nodes.size(), 1u);
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

TEST(TreeBuilder, FlatTreeListsEveryObjectOnceByName)
{
    ObjectModel m = Chain({{0, 1}}, 4, 6);
    m.objects[0].name = "b";
    m.objects[1].name = "B";
    m.objects[2].name = "a";
    m.objects[3].name = "a";
    m.objects[3].hiddenState = "H";
    m.objects[3].isCollection = true;
    m.objects[3].helpId = "3";
    const std::vector<NodeRecord> nodes = CreateFlatNodes(m);
    ASSERT_EQ(nodes.size(), 5u);
    EXPECT_EQ(NodeName(m, nodes[0]), "<<flat>>");
    EXPECT_EQ(NodeImageKey(nodes[0].image), "OffObj");
    std::vector<std::string> names;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        names.push_back(NodeName(m, nodes[i]));
        EXPECT_EQ(nodes[i].parent, 0);
        EXPECT_EQ(nodes[i].level, 1);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"B", "a", "a (H)", "b"}));
    EXPECT_EQ(NodeImageKey(nodes[3].image), "OnCol");  // no "Hid" images in the flat view
}

}  // namespace
}  // namespace arbolith::browser
