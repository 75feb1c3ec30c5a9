// SPDX-License-Identifier: MIT
// The neighbourhood of one object in a model's object graph, and its DOT
// text. The window and arbolith-cli share this: both draw exactly what
// CollectNeighbourhood picks and WriteDot writes.
//
// The neighbourhood is the root, its children to `depth` edges down and its
// parents to `depth` edges up, following the Edges table as it is (no branch
// limits, no unrolling). Each object is visited at most once in each
// direction, so any depth costs at most one pass over the graph. Hidden and
// external objects are left out as the tree leaves them out; the root always
// stays.
#pragma once

#include "browser/object_model.h"
#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::diagram {

// More boxes than this make a picture nobody can read and a layout that
// takes seconds; a larger neighbourhood is cut to its nearest objects.
inline constexpr std::size_t kDefaultMaxNodes = 150;

struct GraphRequest {
    std::int32_t root = 0;  // a position in the model's object array
    std::int32_t depth = 2;
    bool showHidden = true;
    bool showExternal = true;
    std::size_t maxNodes = kDefaultMaxNodes;  // 0: no cap
    // Every object of the model: the root's neighbourhood at any depth
    // first, then the objects not connected to it (distance -1), in array
    // order, with every edge between them.
    bool wholeModel = false;
};

struct GraphNode {
    std::int32_t object = -1;   // position in the model's object array
    std::int32_t distance = 0;  // edges from the root, either way; -1: not connected to it
};

struct GraphEdge {
    std::int32_t from = -1;  // indexes into NeighbourhoodGraph::nodes
    std::int32_t to = -1;
    std::string label;  // the parent's member that returns the child, as the tree shows it
};

struct NeighbourhoodGraph {
    std::int32_t root = -1;  // object position
    std::int32_t depth = 0;  // -1 for the whole model
    // Root first, then by distance; nearer objects are the ones kept when capped.
    std::vector<GraphNode> nodes;
    // Sorted by source node, target node and label; no repeats.
    std::vector<GraphEdge> edges;
    bool capped = false;
    std::size_t reachable = 0;  // objects in the whole neighbourhood (== nodes.size() unless capped)
};

// The object of that name, compared without regard to case; the first in
// array order when several share it.
std::optional<std::int32_t> FindObjectByName(const browser::ObjectModel& model, std::string_view name);

// Fails for a root that is not an object of the model or a negative depth.
Result<NeighbourhoodGraph> CollectNeighbourhood(const browser::ObjectModel& model, const GraphRequest& request);

// The note shown under a capped graph; "" when it is whole.
std::string CapNote(const NeighbourhoodGraph& graph);

// DOT text of the graph: nodes by name (then position), each named
// "o<position>" and carrying that as its id so the rendered SVG and the
// layout can be traced back to the object;
// collections show their contained object, hidden objects are dashed and
// external ones grey. The same graph always gives the same bytes.
std::string WriteDot(const browser::ObjectModel& model, const NeighbourhoodGraph& graph);

// A text as the inside of a DOT double-quoted string: quotes and
// backslashes escaped, line breaks and other control characters made
// blanks, bytes that are not UTF-8 replaced.
std::string DotEscaped(std::string_view text);

}  // namespace arbolith::diagram
