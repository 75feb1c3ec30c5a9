// SPDX-License-Identifier: MIT
// DOT text laid out and drawn as SVG by Graphviz's library, in this process.
//
// Graphviz keeps global state (its context, its error hook, the cgraph
// allocator) and is not safe to call from two threads at once; every call
// into it goes through this file, one at a time. The plugins it needs (the
// dot layout and the SVG renderer) are loaded here by name, so neither the
// `dot` program nor its plugin configuration file is needed.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::diagram {

// Where a node was placed, in the SVG's own units (points), y downwards,
// the rectangle around its shape.
struct NodeBox {
    std::int32_t object = -1;  // from the node's name "o<position>"; -1 for any other name
    double left = 0, top = 0, width = 0, height = 0;

    bool Contains(double x, double y) const { return x >= left && x <= left + width && y >= top && y <= top + height; }
};

struct LaidOutDiagram {
    std::string svg;
    std::vector<NodeBox> boxes;
    double width = 0, height = 0;  // the SVG's size in points
};

// Fails with Graphviz's own message for DOT text it cannot read, and when
// its plugins are missing (the message names the folder looked in).
Result<LaidOutDiagram> LayOutDot(std::string_view dot);

// The object whose box holds that point of the SVG, or -1.
std::int32_t ObjectAt(const std::vector<NodeBox>& boxes, double x, double y);

}  // namespace arbolith::diagram
