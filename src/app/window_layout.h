// SPDX-License-Identifier: MIT
// Geometry of the main window in twips (1/1440 inch), without Qt: where each
// control goes for a window size and a splitter position, and how far the
// splitter may be dragged. The window converts to pixels with the logical
// DPI of its screen; tests check the numbers here.
#pragma once

#include "app/settings.h"

#include <cstdint>

namespace arbolith {

// The narrowest a window in the normal state may become.
inline constexpr std::int32_t kMinimumWindowWidth = 3000;
// How close to either edge of the window the splitter may be dragged.
inline constexpr std::int32_t kSplitterDragMargin = 500;

// Rounded to the nearest whole unit; a DPI of 0 or less counts as 96.
std::int32_t TwipsToPixels(std::int32_t twips, double dpi);
std::int32_t PixelsToTwips(std::int32_t pixels, double dpi);

struct TwipsRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t Right() const { return left + width; }
    std::int32_t Bottom() const { return top + height; }
    bool operator==(const TwipsRect&) const = default;
};

// What the layout needs to know about the window, all in twips.
struct LayoutMetrics {
    std::int32_t innerWidth = 0;  // the window's client area below the menu bar
    std::int32_t innerHeight = 0;
    std::int32_t statusHeight = 0;     // three lines of the status box's font, with its frame
    std::int32_t labelHeight = 0;      // one line of the labels' font
    std::int32_t nodesLabelWidth = 0;  // "Nodes: XXXX (Hid)" in the labels' font
};

struct ControlLayout {
    // The splitter position actually used: the width of the object tree.
    std::int32_t splitPosition = 0;
    TwipsRect txtStatus;
    TwipsRect lblNodes, lblDefault, lblProps, lblMethods;
    TwipsRect trvObjects, trvProps, trvMethods;
    TwipsRect imgSplitter;  // the grip, at the tree's right edge
    TwipsRect picSplitter;  // the bar shown while dragging
    // The grip's place for the narrowest tree: the drag bar stops there.
    std::int32_t minimumGripLeft = 0;
};

// The narrowest the object tree may be: 1000, or as wide as the node count's
// label when that is wider, so that the labels above the panes never overlap.
std::int32_t MinimumSplitPosition(const LayoutMetrics& metrics);

// Lays out every control of the main window for a splitter position, which
// is the width of the object tree. The position is kept at least 1000 and at
// most the inner width - 1000 (1000 when that is negative), and in any case
// at least as wide as the node count's label; the panes keep their minimum
// sizes even when the window is too small to show them whole. No two labels
// overlap.
ControlLayout SizeControls(const LayoutMetrics& metrics, std::int32_t splitPosition);

// The splitter position that puts the grip (or the drag bar) at `gripLeft`:
// the tree starts 40 twips in, so the tree width is 40 less than the grip's
// left edge. Laying out again from the grip's place therefore keeps the tree
// as wide as it was.
std::int32_t SplitPositionForGrip(const ControlLayout& layout, std::int32_t gripLeft);

// Where the drag bar goes while the splitter is dragged: the grip's left edge
// plus the mouse's offset, kept 500 twips from both edges of the window and
// not left of `minimumLeft` (ControlLayout::minimumGripLeft), which wins.
std::int32_t DragBarLeft(std::int32_t gripLeft, std::int32_t mouseOffset, std::int32_t innerWidth,
                         std::int32_t minimumLeft = 0);

}  // namespace arbolith
