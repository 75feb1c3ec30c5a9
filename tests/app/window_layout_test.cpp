// SPDX-License-Identifier: MIT
#include "app/window_layout.h"
#include "app/settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace arbolith {
namespace {

// A 12000 x 8000 twip client area (800 x 533 pixels at 96 DPI).
constexpr LayoutMetrics kWindow{12000, 8000, 700, 300, 1500};

TEST(SizeControls, PlacesEveryControlAndRelayingFromTheGripKeepsIt)
{
    const ControlLayout c = SizeControls(kWindow, 3000);
    EXPECT_EQ(c.splitPosition, 3000);
    EXPECT_EQ(c.txtStatus, (TwipsRect{40, 40, 11920, 700}));
    // Labels one row 40 below the status box; the tree right below them,
    // reaching the bottom of the client area.
    EXPECT_EQ(c.lblNodes, (TwipsRect{40, 780, 1500, 300}));
    EXPECT_EQ(c.trvObjects, (TwipsRect{40, 1080, 3000, 6920}));
    // The panes share what is right of the tree: (12000 - 3040 - 120) / 2.
    EXPECT_EQ(c.trvProps, (TwipsRect{3120, 1080, 4420, 6920}));
    EXPECT_EQ(c.trvMethods, (TwipsRect{7580, 1080, 4420, 6920}));
    EXPECT_EQ(c.imgSplitter, (TwipsRect{3040, 1080, 100, 6920}));

    // Every resize lays out again from the grip's place; the tree must not
    // creep to the right by its margin each time.
    ControlLayout again = c;
    for (int i = 0; i < 3; ++i) again = SizeControls(kWindow, SplitPositionForGrip(again, again.imgSplitter.left));
    EXPECT_EQ(again.trvObjects.width, 3000);
}

TEST(SizeControls, SplitPositionAndSizesKeepTheirLimits)
{
    LayoutMetrics shortLabel = kWindow;
    shortLabel.nodesLabelWidth = 300;
    EXPECT_EQ(SizeControls(shortLabel, 200).splitPosition, 1000);
    EXPECT_EQ(SizeControls(kWindow, 11500).splitPosition, 11000);

    // Narrower than 1000 twips: inner width - 1000 is negative, so 1000 again.
    LayoutMetrics tiny = shortLabel;
    tiny.nodesLabelWidth = 800;  // no room left for the default member's label
    tiny.innerWidth = 500;
    tiny.innerHeight = 900;
    const ControlLayout t = SizeControls(tiny, 3000);
    EXPECT_EQ(t.splitPosition, 1000);
    EXPECT_EQ(t.txtStatus.width, 500);
    EXPECT_EQ(t.trvObjects.height, 1000);
    EXPECT_EQ(t.trvProps.width, 500);
    EXPECT_EQ(t.lblDefault.width, 0);

    // Between 1000 and 2000 twips wide the position may end below 1000,
    // but never below the node count's label.
    LayoutMetrics narrow = shortLabel;
    narrow.innerWidth = 1500;
    EXPECT_EQ(SizeControls(narrow, 3000).splitPosition, 500);
    narrow.nodesLabelWidth = 1500;
    EXPECT_EQ(SizeControls(narrow, 3000).splitPosition, 1500);
}

bool Overlap(const TwipsRect& a, const TwipsRect& b)
{
    return a.width > 0 && b.width > 0 && a.left < b.Right() && b.left < a.Right();
}

// The labels above the panes, for long node counts, narrow trees and narrow
// windows alike: none runs into another, and the tree is as wide as its label.
TEST(SizeControls, LabelsNeverOverlap)
{
    for (const std::int32_t labelWidth : {300, 1500, 2600, 5000}) {
        for (const std::int32_t innerWidth : {3000, 6000, 12000}) {
            for (const std::int32_t split : {0, 1000, 2000, 4000, 11000}) {
                LayoutMetrics m = kWindow;
                m.innerWidth = innerWidth;
                m.nodesLabelWidth = labelWidth;
                const ControlLayout c = SizeControls(m, split);
                SCOPED_TRACE(testing::Message() << labelWidth << " " << innerWidth << " " << split);
                const TwipsRect labels[] = {c.lblNodes, c.lblDefault, c.lblProps, c.lblMethods};
                for (std::size_t i = 0; i < 4; ++i)
                    for (std::size_t j = i + 1; j < 4; ++j) EXPECT_FALSE(Overlap(labels[i], labels[j])) << i << j;
                EXPECT_GE(c.trvObjects.width, labelWidth);
                EXPECT_EQ(c.minimumGripLeft, 40 + std::max(labelWidth, 1000));
            }
        }
    }
}

TEST(SplitterDrag, BarStaysHalfAnInchFromBothEdges)
{
    EXPECT_EQ(DragBarLeft(3040, -5000, 12000), 500);
    EXPECT_EQ(DragBarLeft(3040, 20000, 12000), 11500);
    EXPECT_EQ(DragBarLeft(3040, 300, 12000), 3340);
    EXPECT_EQ(DragBarLeft(3040, 0, 800), 500);  // a window too narrow for both limits
    // Not past the narrowest tree its label allows, even in a narrow window.
    EXPECT_EQ(DragBarLeft(3040, -2000, 12000, 2640), 2640);
    EXPECT_EQ(DragBarLeft(3040, 0, 2000, 2640), 2640);
}

// WindowRect is {top, left, width, height}.
TEST(BringOntoScreen, PlaceOnAScreenThatHasGoneComesBack)
{
    const ScreenArea primary{0, 0, 28800, 16200};
    const ScreenArea right{28800, 0, 28800, 16200};
    const std::vector<ScreenArea> two{primary, right};
    const std::vector<ScreenArea> onlyPrimary{primary};
    const WindowRect onRight{1000, 30000, 9000, 6000};
    EXPECT_EQ(BringOntoScreen(onRight, two), onRight);
    EXPECT_EQ(BringOntoScreen(onRight, onlyPrimary), (WindowRect{1000, 0, 9000, 6000}));
    // Up to an inch from the right and bottom edges is still on the screen.
    EXPECT_EQ(BringOntoScreen({14760, 27360, 9000, 6000}, onlyPrimary), (WindowRect{14760, 27360, 9000, 6000}));
    EXPECT_EQ(BringOntoScreen({14761, 27360, 9000, 6000}, onlyPrimary), (WindowRect{0, 27360, 9000, 6000}));

    // The second screen was below the first; now the primary one sits to the
    // right of a smaller one, away from the desktop's origin.
    const std::vector<ScreenArea> moved{{14400, 0, 19200, 10800}, {0, 0, 14400, 10800}};
    EXPECT_EQ(BringOntoScreen({500, 20000, 9000, 6000}, moved), (WindowRect{500, 20000, 9000, 6000}));
    EXPECT_EQ(BringOntoScreen({200, 12000, 9000, 6000}, moved), (WindowRect{200, 12000, 9000, 6000}));
    EXPECT_EQ(BringOntoScreen({12000, 32767, 9000, 6000}, moved), (WindowRect{0, 14400, 9000, 6000}));
}

}  // namespace
}  // namespace arbolith
