// SPDX-License-Identifier: MIT
#include "browser/tree_display.h"

#include "platform/text_encoding.h"

#include <algorithm>
#include <limits>

namespace arbolith::browser {

namespace {

unsigned char LowerByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

}  // namespace

std::string_view InnerFlags(std::string_view flags)
{
    return flags.size() < 2 ? std::string_view() : flags.substr(1, flags.size() - 2);
}

std::string NodeLabel(const ObjectModel& model, std::span<const NodeRecord> nodes, std::size_t index,
                      std::size_t seedCount, const DisplaySwitches& switches, LabelStyle style)
{
    const NodeRecord& node = nodes[index];
    const ObjectRecord* o = NodeObject(model, node);
    std::string label = NodeName(model, node);
    if (style == LabelStyle::Display && seedCount > 1 && index + 1 < seedCount) label = "[" + label + "]";
    if (!o)  // the flat view's root has no object behind it
        return label;
    if (!o->nameX.empty()) label += " " + o->nameX;
    if (switches.showMember && o->isCollection) label += " {" + o->memberName + "}";
    if (const std::string_view origin = NodeOrigin(model, node); switches.showOrigin && !origin.empty()) {
        label += ' ';
        label += origin;
    }
    if (switches.showChildCount && (style == LabelStyle::Relabel || !o->isCustom))
        label += " [" + std::to_string(o->cChildObjects) + "]";
    if (switches.showFlags && !o->flags.empty()) {
        label += " [";
        label += InnerFlags(o->flags);
        label += "]";
    }
    return label;
}

std::string NodesCaption(std::size_t nodeCount, bool showHidden, bool showExternal)
{
    std::string caption = "Nodes: " + std::to_string(nodeCount);
    if (showHidden) caption += "(Hid)";
    if (showExternal) caption += "(Ext)";
    return caption;
}

bool LabelLess(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = LowerByte(a[i]), y = LowerByte(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

TreeDisplay TreeDisplay::Build(const ObjectModel& model, std::span<const NodeRecord> nodes, std::size_t seedCount,
                               const DisplaySwitches& switches, LabelStyle style)
{
    TreeDisplay d;
    const std::size_t n = nodes.size();
    d.m_parent.resize(n);
    d.m_level.resize(n);
    d.m_image.resize(n);
    d.m_labelEnd.resize(n);
    d.m_childStart.assign(n + 1, 0);
    d.m_row.assign(n, 0);

    for (std::size_t i = 0; i < n; ++i) {
        const NodeRecord& node = nodes[i];
        // A parent must come before its child; anything else is not part of
        // the tree and is shown as a leaf of nothing (never reached).
        const bool linked = node.parent >= 0 && static_cast<std::size_t>(node.parent) < i;
        d.m_parent[i] = i == 0 ? -1 : (linked ? node.parent : -2);
        d.m_level[i] = node.level;
        d.m_image[i] = node.image;
        d.m_labels += NodeLabel(model, nodes, i, seedCount, switches, style);
        d.m_labelEnd[i] = d.m_labels.size();
        if (i > 0 && linked) ++d.m_childStart[static_cast<std::size_t>(node.parent) + 1];
    }
    for (std::size_t i = 0; i < n; ++i) d.m_childStart[i + 1] += d.m_childStart[i];

    d.m_children.resize(static_cast<std::size_t>(d.m_childStart[n]));
    std::vector<std::int32_t> fill(d.m_childStart.begin(), d.m_childStart.end() - 1);
    for (std::size_t i = 1; i < n; ++i)
        if (d.m_parent[i] >= 0)
            d.m_children[static_cast<std::size_t>(fill[static_cast<std::size_t>(d.m_parent[i])]++)] =
                static_cast<std::int32_t>(i);

    // Children in label order; equal labels keep the order they were added in.
    for (std::size_t p = 0; p < n; ++p) {
        const auto first = d.m_children.begin() + d.m_childStart[p];
        const auto last = d.m_children.begin() + d.m_childStart[p + 1];
        if (last - first > 1)
            std::stable_sort(first, last,
                             [&d](std::int32_t a, std::int32_t b) { return LabelLess(d.Label(a), d.Label(b)); });
        std::int32_t row = 0;
        for (auto it = first; it != last; ++it) d.m_row[static_cast<std::size_t>(*it)] = row++;
    }
    return d;
}

std::string_view TreeDisplay::Label(std::int32_t node) const
{
    const auto i = static_cast<std::size_t>(node);
    const std::size_t begin = i == 0 ? 0 : m_labelEnd[i - 1];
    return std::string_view(m_labels).substr(begin, m_labelEnd[i] - begin);
}

std::int32_t TreeDisplay::ChildCount(std::int32_t node) const
{
    const auto i = static_cast<std::size_t>(node);
    return m_childStart[i + 1] - m_childStart[i];
}

std::int32_t TreeDisplay::Child(std::int32_t node, std::int32_t row) const
{
    return m_children[static_cast<std::size_t>(m_childStart[static_cast<std::size_t>(node)] + row)];
}

std::optional<ExpandLevels> ParseExpandLevels(std::string_view answer)
{
    answer = TrimView(answer);
    ExpandLevels result;
    result.collapseDeeper = !answer.empty() && answer.back() == '<';
    std::size_t i = 0;
    if (i < answer.size() && answer[i] == '+') ++i;
    std::int64_t level = 0;
    const std::size_t digits = i;
    for (; i < answer.size() && answer[i] >= '0' && answer[i] <= '9'; ++i)
        level = std::min<std::int64_t>(level * 10 + (answer[i] - '0'), std::numeric_limits<std::int32_t>::max());
    if (i == digits || level <= 0) return std::nullopt;
    result.level = static_cast<std::int32_t>(level);
    return result;
}

}  // namespace arbolith::browser
