// SPDX-License-Identifier: MIT
#include "browser/tree_builder.h"

#include "platform/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <numeric>

namespace arbolith::browser {

namespace {

bool IsHidden(const ObjectRecord& o)
{
    return IsHiddenObjectState(o.hiddenState);
}

NodeImage NodeImageOf(const ObjectRecord& o, bool hiddenVariants)
{
    return NodeImageFor(o.helpId, o.isCollection, o.hiddenState, hiddenVariants);
}

// Yielding costs a round of the event loop; once per few thousand nodes keeps
// the window responsive without slowing the walk.
constexpr std::size_t kYieldEvery = 4096;

}  // namespace

Result<void> CreateNodes(const ObjectModel& model, std::span<const NodeRecord> seeds, std::int32_t maxLevel,
                         const BuildRules& rules, std::vector<NodeRecord>& nodes, ProgressSink* progress)
{
    nodes.assign(seeds.begin(), seeds.end());
    if (seeds.empty()) return Ok();

    // Which objects an edge may lead to under these rules, decided once per build.
    const std::size_t objectCount = model.objects.size();
    std::vector<std::uint8_t> leftOut(objectCount, 0);
    for (std::size_t i = 0; i < objectCount; ++i) {
        const ObjectRecord& k = model.objects[i];
        leftOut[i] = (rules.topOnlyOnce && EqualsNoCase(k.name, rules.topObjectName)) ||
                     (!rules.showHidden && IsHidden(k)) || (!rules.showExternal && k.isExternal);
    }
    std::vector<std::int32_t> expansions(objectCount, 0);

    for (std::size_t cursor = seeds.size() - 1; cursor < nodes.size(); ++cursor) {
        if (progress && cursor % kYieldEvery == 0) progress->Yield();
        const NodeRecord at = nodes[cursor];  // a copy: appending moves the array
        // Breadth-first: every later node is at least as deep.
        if (at.level >= maxLevel) break;
        if (at.object < 0 || static_cast<std::size_t>(at.object) >= objectCount) continue;
        const auto o = static_cast<std::size_t>(at.object);
        if (expansions[o] >= model.objects[o].branchLimit) continue;
        ++expansions[o];
        for (const std::int32_t e : model.EdgesFrom(at.object)) {
            const std::int32_t k = model.edges[static_cast<std::size_t>(e)].child;
            if (leftOut[static_cast<std::size_t>(k)]) continue;
            if (nodes.size() >= kMaxTreeNodes)
                return Error::Model("the tree has reached " + std::to_string(kMaxTreeNodes) +
                                    " nodes; lower the branch counts of this model");
            NodeRecord& child = nodes.emplace_back();
            child.object = k;
            child.parent = static_cast<std::int32_t>(cursor);
            child.level = at.level + 1;
            child.edge = e;
            child.image = NodeImageOf(model.objects[static_cast<std::size_t>(k)], true);
        }
    }
    return Ok();
}

NodeRecord RootSeed(const ObjectModel& model, std::int32_t topObject)
{
    NodeRecord root;
    root.object = topObject;
    if (topObject >= 0 && static_cast<std::size_t>(topObject) < model.objects.size())
        root.image = NodeImageOf(model.objects[static_cast<std::size_t>(topObject)], false);
    return root;
}

std::vector<NodeRecord> CreateFlatNodes(const ObjectModel& model)
{
    const std::size_t n = model.objects.size();
    std::vector<std::int32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        return model.objects[static_cast<std::size_t>(a)].name < model.objects[static_cast<std::size_t>(b)].name;
    });

    std::vector<NodeRecord> nodes;
    nodes.reserve(n + 1);
    nodes.push_back(NodeRecord{});  // the root: no object, image "OffObj"
    for (const std::int32_t i : order) {
        const ObjectRecord& o = model.objects[static_cast<std::size_t>(i)];
        NodeRecord& node = nodes.emplace_back();
        node.object = i;
        node.parent = 0;
        node.level = 1;
        node.image = NodeImageOf(o, false);
        node.hiddenMark = IsHidden(o);
    }
    return nodes;
}

const ObjectRecord* NodeObject(const ObjectModel& model, const NodeRecord& node)
{
    if (node.object < 0 || static_cast<std::size_t>(node.object) >= model.objects.size()) return nullptr;
    return &model.objects[static_cast<std::size_t>(node.object)];
}

std::string NodeName(const ObjectModel& model, const NodeRecord& node)
{
    const ObjectRecord* o = NodeObject(model, node);
    if (!o) return std::string(kFlatRootName);
    return node.hiddenMark ? o->name + " (H)" : o->name;
}

std::string_view NodeOrigin(const ObjectModel& model, const NodeRecord& node)
{
    if (node.edge < 0 || static_cast<std::size_t>(node.edge) >= model.edges.size()) return {};
    return model.edges[static_cast<std::size_t>(node.edge)].label;
}

std::string NodeMember(const ObjectModel& model, const NodeRecord& node)
{
    const ObjectRecord* o = NodeObject(model, node);
    return o && o->isCollection ? "{" + o->memberName + "}" : std::string();
}

}  // namespace arbolith::browser
