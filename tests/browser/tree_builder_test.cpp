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
    bool operator==(const ScanNode&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ScanNode& n)
{
    return out << n.index << " object " << n.object << " parent " << n.parent << " level " << n.level << " \""
               << n.name << "\" \"" << n.origin << "\" " << n.image;
}

std::string ScanImage(const ObjectRecord& k)
{
    std::string key = (k.helpId.empty() || AsciiLower(k.helpId) == "0") ? "Off" : "On";
    key += k.isCollection ? "Col" : "Obj";
    if (k.hiddenState == "H")
        key += "Hid";
    return key;
}

// The fields a new record takes from its object.
void CopyObjectFields(ScanNode& n, const ObjectRecord& k)
{
    n.name = k.name;
    n.nameX = k.nameX;
    n.hiddenState = k.hiddenState;
    n.docString = k.docString;
    n.flags = k.flags;
    n.helpId = k.helpId;
    n.isCollection = k.isCollection;
    n.isCustom = k.isCustom;
    n.member = k.isCollection ? "{" + k.memberName + "}" : "";
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
            CopyObjectFields(n, k);
            n.origin = edges[e].label;
            n.image = ScanImage(k);
            nodes.push_back(n);
        }
        ++cursor;
    }
    return nodes;
}

// Our node as the scan's record: every text through the accessors.
ScanNode Describe(const ObjectModel& model, const NodeRecord& node, std::size_t index)
{
    ScanNode n;
    CopyObjectFields(n, model.objects[static_cast<std::size_t>(node.object)]);
    n.index = static_cast<std::int64_t>(index);
    n.object = node.object;
    n.parent = node.parent;
    n.level = node.level;
    n.name = NodeName(model, node);
    n.member = NodeMember(model, node);
    n.origin = std::string(NodeOrigin(model, node));
    n.image = std::string(NodeImageKey(node.image));
    return n;
}

std::vector<ScanNode> DescribeAll(const ObjectModel& model, const std::vector<NodeRecord>& nodes)
{
    std::vector<ScanNode> out;
    for (std::size_t i = 0; i < nodes.size(); ++i)
        out.push_back(Describe(model, nodes[i], i));
    return out;
}

void ExpectSameTree(const ObjectModel& model, const std::vector<NodeRecord>& ours, const std::vector<ScanNode>& scan,
                    const std::string& what)
{
    ASSERT_EQ(ours.size(), scan.size()) << what;
    for (std::size_t i = 0; i < ours.size(); ++i)
        ASSERT_EQ(Describe(model, ours[i], i), scan[i]) << what << ", node " << i;
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
        ExpectSameTree(model, global, ScanCreateNodes(model.objects, model.edges, DescribeAll(model, seeds), maxLevel, rules),
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
        ExpectSameTree(model, local, ScanCreateNodes(model.objects, model.edges, DescribeAll(model, path), kMaxLevel, rules),
                       what + " local");
    }
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
