// SPDX-License-Identifier: MIT
#include "app/window_layout.h"

#include <algorithm>
#include <cmath>

namespace arbolith {

namespace {

constexpr std::int32_t kMargin = 40;       // around the status box, above the labels, left of the tree
constexpr std::int32_t kPaneGap = 40;      // between the two member panes
constexpr std::int32_t kTreeToPanes = 80;  // from the tree's right edge to the property pane
constexpr std::int32_t kGripWidth = 100;
constexpr std::int32_t kBarNarrower = 20;  // the drag bar is this much narrower than the grip
constexpr std::int32_t kMinSplit = 1000;
constexpr std::int32_t kMinStatusWidth = 500;
constexpr std::int32_t kMinTreeHeight = 1000;
constexpr std::int32_t kMinPaneWidth = 500;
constexpr std::int32_t kDefaultLabelGap = 400;  // between the node count and the default member

double UsableDpi(double dpi)
{
    return dpi > 0 ? dpi : 96.0;
}

}  // namespace

std::int32_t TwipsToPixels(std::int32_t twips, double dpi)
{
    return static_cast<std::int32_t>(std::lround(twips * UsableDpi(dpi) / kTwipsPerInch));
}

std::int32_t PixelsToTwips(std::int32_t pixels, double dpi)
{
    return static_cast<std::int32_t>(std::lround(pixels * kTwipsPerInch / UsableDpi(dpi)));
}

std::int32_t MinimumSplitPosition(const LayoutMetrics& m)
{
    return std::max(kMinSplit, m.nodesLabelWidth);
}

ControlLayout SizeControls(const LayoutMetrics& m, std::int32_t p)
{
    if (p < kMinSplit) p = kMinSplit;
    if (p > m.innerWidth - kMinSplit) {
        p = m.innerWidth - kMinSplit;
        if (p < 0) p = kMinSplit;
    }
    // The tree's label wins over the room on the right: a window too narrow
    // for both pushes the member panes past its edge, never the panes'
    // labels onto the tree's.
    p = std::max(p, m.nodesLabelWidth);

    ControlLayout c;
    c.splitPosition = p;
    c.minimumGripLeft = kMargin + MinimumSplitPosition(m);
    c.txtStatus = {kMargin, kMargin, std::max(m.innerWidth - 2 * kMargin, kMinStatusWidth), m.statusHeight};

    const std::int32_t labelTop = c.txtStatus.Bottom() + kMargin;
    const std::int32_t treeTop = labelTop + m.labelHeight;
    const std::int32_t treeHeight =
        std::max(m.innerHeight - m.statusHeight - m.labelHeight - 2 * kMargin, kMinTreeHeight);
    c.trvObjects = {kMargin, treeTop, p, treeHeight};

    const std::int32_t paneWidth = std::max((m.innerWidth - c.trvObjects.Right() - 3 * kMargin) / 2, kMinPaneWidth);
    c.trvProps = {c.trvObjects.Right() + kTreeToPanes, treeTop, paneWidth, treeHeight};
    c.trvMethods = {c.trvProps.Right() + kPaneGap, treeTop, paneWidth, treeHeight};

    c.imgSplitter = {c.trvObjects.Right(), treeTop, kGripWidth, treeHeight};
    c.picSplitter = {c.imgSplitter.left, treeTop, kGripWidth - kBarNarrower, treeHeight};

    c.lblNodes = {c.trvObjects.left, labelTop, m.nodesLabelWidth, m.labelHeight};
    // The default member's label may use the room up to the property pane;
    // with none left it shrinks to nothing there rather than cover the
    // property pane's label.
    const std::int32_t defaultEnd = c.trvProps.left - kMargin;
    const std::int32_t defaultLeft = std::min(c.lblNodes.Right() + kDefaultLabelGap, defaultEnd);
    c.lblDefault = {defaultLeft, labelTop, defaultEnd - defaultLeft, m.labelHeight};
    c.lblProps = {c.trvProps.left, labelTop, c.trvProps.width, m.labelHeight};
    c.lblMethods = {c.trvMethods.left, labelTop, c.trvMethods.width, m.labelHeight};
    return c;
}

std::int32_t SplitPositionForGrip(const ControlLayout& layout, std::int32_t gripLeft)
{
    return gripLeft - layout.trvObjects.left;
}

std::int32_t DragBarLeft(std::int32_t gripLeft, std::int32_t mouseOffset, std::int32_t innerWidth,
                         std::int32_t minimumLeft)
{
    const std::int32_t left = gripLeft + mouseOffset;
    return std::max(std::min(left, innerWidth - kSplitterDragMargin), std::max(kSplitterDragMargin, minimumLeft));
}

}  // namespace arbolith
