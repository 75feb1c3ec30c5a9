// SPDX-License-Identifier: MIT
#include "diagram/object_graph.h"

#include "browser/image_codes.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace arbolith::diagram {

namespace {

using browser::ObjectModel;
using browser::ObjectRecord;

bool Linked(const browser::EdgeRecord& e, std::size_t n)
{
    return e.parent >= 0 && static_cast<std::size_t>(e.parent) < n && e.child >= 0 &&
           static_cast<std::size_t>(e.child) < n;
}

// Edges by child, as ObjectModel indexes them by parent.
struct IncomingEdges {
    std::vector<std::int32_t> start;  // per object, one extra at the end
    std::vector<std::int32_t> ids;

    explicit IncomingEdges(const ObjectModel& model)
    {
        const std::size_t n = model.objects.size();
        start.assign(n + 1, 0);
        for (const auto& e : model.edges)
            if (Linked(e, n)) ++start[static_cast<std::size_t>(e.child) + 1];
        for (std::size_t i = 0; i < n; ++i) start[i + 1] += start[i];
        ids.assign(static_cast<std::size_t>(start[n]), 0);
        std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
        for (std::size_t i = 0; i < model.edges.size(); ++i) {
            const auto& e = model.edges[i];
            if (Linked(e, n))
                ids[static_cast<std::size_t>(fill[static_cast<std::size_t>(e.child)]++)] = static_cast<std::int32_t>(i);
        }
    }
};

std::string CountText(std::size_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// An edge label escaped, broken into lines after a "; " once a line has
// reached `width` characters: a member list such as "(< P:a; M:b; ...)"
// otherwise stretches the drawing across the screen.
std::string WrappedEdgeLabel(std::string_view label, std::size_t width = 32)
{
    std::string out;
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at < label.size();) {
        const std::size_t next = label.find("; ", at);
        const std::size_t end = next == std::string_view::npos ? label.size() : next + 2;
        out += DotEscaped(label.substr(at, end - at));
        at = end;
        if (at < label.size() && at - lineStart >= width) {
            while (!out.empty() && out.back() == ' ') out.pop_back();
            out += "\\n";
            lineStart = at;
        }
    }
    return out;
}

}  // namespace

std::optional<std::int32_t> FindObjectByName(const ObjectModel& model, std::string_view name)
{
    for (std::size_t i = 0; i < model.objects.size(); ++i)
        if (EqualsNoCase(model.objects[i].name, name)) return static_cast<std::int32_t>(i);
    return std::nullopt;
}

Result<NeighbourhoodGraph> CollectNeighbourhood(const ObjectModel& model, const GraphRequest& request)
{
    const std::size_t n = model.objects.size();
    if (request.root < 0 || static_cast<std::size_t>(request.root) >= n)
        return Error::Model("the diagram's root is not an object of this model");
    if (request.depth < 0 && !request.wholeModel)
        return Error::Model("the depth of a diagram is a count of levels, 0 or more, not " +
                            std::to_string(request.depth));

    const auto leftOut = [&](std::int32_t k) {
        const ObjectRecord& o = model.objects[static_cast<std::size_t>(k)];
        return (!request.showHidden && IsHiddenObjectState(o.hiddenState)) || (!request.showExternal && o.isExternal);
    };
    const IncomingEdges incoming(model);

    NeighbourhoodGraph graph;
    graph.root = request.root;
    graph.depth = request.wholeModel ? -1 : request.depth;
    std::vector<std::int32_t> slot(n, -1);  // node index of each object kept
    std::vector<std::uint8_t> inNeighbourhood(n, 0);
    std::vector<std::uint8_t> seen(n, 0);  // bit 1: walked down from, bit 2: walked up from
    const auto reach = [&](std::int32_t k, std::int32_t distance) {
        const auto o = static_cast<std::size_t>(k);
        if (inNeighbourhood[o]) return;
        inNeighbourhood[o] = 1;
        ++graph.reachable;
        if (request.maxNodes == 0 || graph.nodes.size() < request.maxNodes) {
            slot[o] = static_cast<std::int32_t>(graph.nodes.size());
            graph.nodes.push_back({k, distance});
        } else {
            graph.capped = true;
        }
    };

    // One queue for both directions: every entry is at least as far from the
    // root as the ones before it, so the nodes come out nearest first.
    struct Visit {
        std::int32_t object;
        std::int32_t distance;
        bool down;
    };
    std::vector<Visit> queue{{request.root, 0, true}, {request.root, 0, false}};
    seen[static_cast<std::size_t>(request.root)] = 3;
    reach(request.root, 0);
    std::vector<std::int32_t> walked;  // edge indexes followed
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const Visit v = queue[head];
        if (v.distance >= request.depth && !request.wholeModel) continue;
        const auto follow = [&](std::int32_t e, std::int32_t k) {
            if (leftOut(k)) return;
            walked.push_back(e);
            reach(k, v.distance + 1);
            const std::uint8_t bit = v.down ? 1 : 2;
            auto& s = seen[static_cast<std::size_t>(k)];
            if (s & bit) return;
            s |= bit;
            queue.push_back({k, v.distance + 1, v.down});
        };
        if (v.down) {
            for (const std::int32_t e : model.EdgesFrom(v.object)) {
                const auto& edge = model.edges[static_cast<std::size_t>(e)];
                if (Linked(edge, n)) follow(e, edge.child);
            }
        } else {
            const auto o = static_cast<std::size_t>(v.object);
            for (auto i = incoming.start[o]; i < incoming.start[o + 1]; ++i) {
                const std::int32_t e = incoming.ids[static_cast<std::size_t>(i)];
                follow(e, model.edges[static_cast<std::size_t>(e)].parent);
            }
        }
    }

    if (request.wholeModel) {
        for (std::size_t k = 0; k < n; ++k)
            if (!inNeighbourhood[k] && !leftOut(static_cast<std::int32_t>(k))) reach(static_cast<std::int32_t>(k), -1);
        walked.clear();
        for (std::size_t e = 0; e < model.edges.size(); ++e)
            if (Linked(model.edges[e], n)) walked.push_back(static_cast<std::int32_t>(e));
    }
    for (const std::int32_t e : walked) {
        const auto& edge = model.edges[static_cast<std::size_t>(e)];
        const std::int32_t from = slot[static_cast<std::size_t>(edge.parent)];
        const std::int32_t to = slot[static_cast<std::size_t>(edge.child)];
        if (from >= 0 && to >= 0) graph.edges.push_back({from, to, edge.label});
    }
    const auto key = [](const GraphEdge& e) { return std::tie(e.from, e.to, e.label); };
    std::sort(graph.edges.begin(), graph.edges.end(), [&](const auto& a, const auto& b) { return key(a) < key(b); });
    graph.edges.erase(std::unique(graph.edges.begin(), graph.edges.end(),
                                  [&](const auto& a, const auto& b) { return key(a) == key(b); }),
                      graph.edges.end());
    return graph;
}

std::string CapNote(const NeighbourhoodGraph& graph)
{
    if (!graph.capped) return {};
    const std::string shown = "Showing the nearest " + CountText(graph.nodes.size(), "object", "objects") + " of " +
                              std::to_string(graph.reachable);
    if (graph.depth < 0) return shown + " in the model; draw the neighbourhood of one object to see the rest.";
    return shown + " within " + CountText(static_cast<std::size_t>(graph.depth), "level", "levels") +
           "; lower the depth or choose another object to see the rest.";
}

std::string DotEscaped(std::string_view text)
{
    const std::string utf8 = IsValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '"' || c == '\\')
            out += '\\', out += c;
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            out += ' ';
        else
            out += c;
    }
    return out;
}

std::string WriteDot(const ObjectModel& model, const NeighbourhoodGraph& graph)
{
    const auto objectOf = [&](std::int32_t node) -> const ObjectRecord& {
        return model.objects[static_cast<std::size_t>(graph.nodes[static_cast<std::size_t>(node)].object)];
    };
    // Nodes by name, then by position: the order does not depend on how the
    // walk happened to reach them.
    std::vector<std::int32_t> order(graph.nodes.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        const auto& na = objectOf(a).name;
        const auto& nb = objectOf(b).name;
        if (na != nb) return na < nb;
        return graph.nodes[static_cast<std::size_t>(a)].object < graph.nodes[static_cast<std::size_t>(b)].object;
    });
    std::vector<std::int32_t> rank(graph.nodes.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        rank[static_cast<std::size_t>(order[i])] = static_cast<std::int32_t>(i);
    const auto id = [&](std::int32_t node) {
        return "o" + std::to_string(graph.nodes[static_cast<std::size_t>(node)].object);
    };

    const std::string rootName = graph.root >= 0 && static_cast<std::size_t>(graph.root) < model.objects.size()
                                     ? model.objects[static_cast<std::size_t>(graph.root)].name
                                     : std::string();
    std::string dot = "digraph \"" + DotEscaped(rootName) + "\" {\n";
    dot += "  graph [rankdir=LR, fontname=\"Helvetica\", fontsize=10, nodesep=0.25, ranksep=0.6";
    if (graph.capped) dot += ", labelloc=t, labeljust=l, label=\"" + DotEscaped(CapNote(graph)) + "\"";
    dot += "];\n";
    dot +=
        "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#f4f7fb\", color=\"#4a6785\", "
        "fontname=\"Helvetica\", fontsize=10, height=0.3];\n";
    dot += "  edge [color=\"#6b7b8c\", fontname=\"Helvetica\", fontsize=8, fontcolor=\"#3b4a5a\", arrowsize=0.6];\n";
    for (const std::int32_t node : order) {
        const ObjectRecord& o = objectOf(node);
        const bool isRoot = graph.nodes[static_cast<std::size_t>(node)].object == graph.root;
        std::string label = DotEscaped(o.name);
        if (o.isCollection) label += "\\n{" + DotEscaped(o.memberName) + "}";
        dot += "  " + id(node) + " [id=\"" + id(node) + "\", label=\"" + label + "\"";
        if (isRoot) dot += ", penwidth=2, fillcolor=\"#fff3c4\"";
        std::string style = "rounded,filled";
        if (IsHiddenObjectState(o.hiddenState)) style += ",dashed";
        if (style != "rounded,filled") dot += ", style=\"" + style + "\"";
        if (o.isExternal) dot += ", fillcolor=\"#e6e6e6\", fontcolor=\"#555555\"";
        dot += "];\n";
    }
    std::vector<const GraphEdge*> edges;
    for (const GraphEdge& e : graph.edges) edges.push_back(&e);
    std::sort(edges.begin(), edges.end(), [&](const GraphEdge* a, const GraphEdge* b) {
        return std::tuple(rank[static_cast<std::size_t>(a->from)], rank[static_cast<std::size_t>(a->to)], a->label) <
               std::tuple(rank[static_cast<std::size_t>(b->from)], rank[static_cast<std::size_t>(b->to)], b->label);
    });
    for (const GraphEdge* e : edges) {
        dot += "  " + id(e->from) + " -> " + id(e->to);
        if (!e->label.empty()) dot += " [label=\"" + WrappedEdgeLabel(e->label) + "\"]";
        dot += ";\n";
    }
    dot += "}\n";
    return dot;
}

}  // namespace arbolith::diagram
