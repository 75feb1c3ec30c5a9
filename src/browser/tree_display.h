// SPDX-License-Identifier: MIT
// What the object tree shows for a node array: each node's label and image,
// and each node's children in the order the tree lists them (by label). A
// plain value that the Qt item model (object_tree_model.h) presents and the
// command line prints; formed once per display or relabelling, so scrolling
// a tree of a million nodes only reads from it.
#pragma once

#include "browser/tree_builder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::browser {

// The Show* switches of the Tree menu that change labels only.
struct DisplaySwitches {
    bool showMember = true;       // " {Contained}" after a collection
    bool showOrigin = false;      // the edge label that led to the node
    bool showChildCount = false;  // " [n]": the object's child count
    bool showFlags = false;       // " [word/word]": the type flags
    bool operator==(const DisplaySwitches&) const = default;
};

// A freshly displayed tree brackets the path above a local view's chosen
// node and leaves out child counts of custom objects; relabelling after a
// switch changes neither.
enum class LabelStyle { Display, Relabel };

// The label of node `index`. `seedCount` is the number of seeds the nodes
// were built from (1 for the global view).
std::string NodeLabel(const ObjectModel& model, std::span<const NodeRecord> nodes, std::size_t index,
                      std::size_t seedCount, const DisplaySwitches& switches, LabelStyle style);

// The flags string between its leading and trailing "/" ("/a/b/" gives "a/b").
std::string_view InnerFlags(std::string_view flags);

// The caption of label lblNodes: "Nodes: 12" followed by "(Hid)" when hidden
// objects are shown and "(Ext)" when external ones are.
std::string NodesCaption(std::size_t nodeCount, bool showHidden, bool showExternal);

// Compares labels as the tree sorts them: ASCII letters without regard to
// case, other bytes by value.
bool LabelLess(std::string_view a, std::string_view b);

class TreeDisplay {
public:
    TreeDisplay() = default;
    static TreeDisplay Build(const ObjectModel& model, std::span<const NodeRecord> nodes, std::size_t seedCount,
                             const DisplaySwitches& switches, LabelStyle style);

    std::size_t NodeCount() const { return m_parent.size(); }
    std::string_view Label(std::int32_t node) const;
    NodeImage Image(std::int32_t node) const { return m_image[static_cast<std::size_t>(node)]; }
    std::int32_t Parent(std::int32_t node) const { return m_parent[static_cast<std::size_t>(node)]; }
    std::int32_t Level(std::int32_t node) const { return m_level[static_cast<std::size_t>(node)]; }
    std::int32_t ChildCount(std::int32_t node) const;
    // The child at `row` in label order.
    std::int32_t Child(std::int32_t node, std::int32_t row) const;
    // The node's position among its siblings (0 for the root).
    std::int32_t Row(std::int32_t node) const { return m_row[static_cast<std::size_t>(node)]; }
    bool IsNode(std::int32_t node) const { return node >= 0 && static_cast<std::size_t>(node) < NodeCount(); }

    // Every node, depth first, each node before its children and the
    // children in label order: the order the tree lists them when all are
    // expanded. Calls visit(node, depth); its children are visited when it
    // returns true.
    template <class Visit>
    void WalkInOrder(Visit visit) const;

private:
    std::vector<std::int32_t> m_parent;
    std::vector<std::int32_t> m_level;
    std::vector<NodeImage> m_image;
    std::string m_labels;                    // every label, one after the other
    std::vector<std::size_t> m_labelEnd;     // per node: end of its label in m_labels
    std::vector<std::int32_t> m_childStart;  // per node, plus one: first slot in m_children
    std::vector<std::int32_t> m_children;    // node ids grouped by parent, each group in label order
    std::vector<std::int32_t> m_row;
};

template <class Visit>
void TreeDisplay::WalkInOrder(Visit visit) const
{
    if (NodeCount() == 0) return;
    std::vector<std::pair<std::int32_t, std::int32_t>> stack{{0, 0}};  // node, depth
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        if (!visit(node, depth)) continue;
        for (std::int32_t row = ChildCount(node); row-- > 0;) stack.emplace_back(Child(node, row), depth + 1);
    }
}

// Expand Levels. The answer "x" expands every node at level x or above; "x<"
// also collapses every deeper node. x is the answer's leading digits.
struct ExpandLevels {
    std::int32_t level = 0;
    bool collapseDeeper = false;
};
// Nothing (the command does nothing) for 0, an empty answer or one without
// a leading number.
std::optional<ExpandLevels> ParseExpandLevels(std::string_view answer);
inline constexpr std::string_view kExpandLevelsQuestion =
    "Enter an integer x to expand all nodes at level x or below. Enter x< to expand all nodes at level x or "
    "below and collapse all other nodes. (Top node is level 0.)";

}  // namespace arbolith::browser
