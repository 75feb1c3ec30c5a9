// SPDX-License-Identifier: MIT
// Helpers every window shares: centring a window on the screen or a control
// in its container, applying the font-size settings to the main window, and
// short flash messages. The arithmetic is in small pure functions that tests
// check without a screen.
#pragma once

#include "dialogs/font_sizes.h"

#include <QPoint>
#include <QSize>

#include <cstdint>
#include <string_view>

class QWidget;

namespace arbolith {

// The screen's resolution in pixels, recorded once at start-up. Zero means
// it could not be read.
struct ScreenPixels {
    std::int16_t width = 0;
    std::int16_t height = 0;
};

// Where a window of `windowSize` (pixels, frame included) goes to sit in the
// middle of the screen: the top-left corner when the screen size is
// unknown. A window larger than the screen keeps its title bar on it.
QPoint CenteredOnScreen(ScreenPixels screen, QSize windowSize);
void CenterForm(QWidget& window, ScreenPixels screen);

// Which way CenterControl moves a control: "both", "vertically" or
// "horizontally", in any case; any other text moves nothing.
struct CenterDirection {
    bool vertically = false;
    bool horizontally = false;
};
CenterDirection ParseCenterDirection(std::string_view direction);
// The control's new top-left corner inside a container of `containerSize`.
QPoint CenteredInContainer(QPoint controlPos, QSize controlSize, QSize containerSize, CenterDirection direction);
// Centres `control` inside its parent widget, the container.
void CenterControl(QWidget& control, std::string_view direction);

// Font sizes below 4 or above 36 points become 8.
FontSizes CheckedFontSizes(FontSizes sizes);

// The controls of the main window that take the font-size settings.
struct FontTargets {
    QWidget* form = nullptr;          // the window's client area: text-box size
    QWidget* statusBox = nullptr;     // text-box size
    QWidget* objectTree = nullptr;    // tree size
    QWidget* propertyTree = nullptr;  // list-box size
    QWidget* methodTree = nullptr;    // list-box size
    // Every label inside `form` takes the label size.
};
// Checks `sizes` (the settings in memory keep the checked values, so they
// are written back that way) and applies them. Only the point size of each
// font changes; the family stays the desktop's.
void ApplyFontSizes(FontSizes& sizes, const FontTargets& targets);

// Shows `message` in bold on the window's hidden "cmdFlash" button, centred,
// for `seconds`, then hides it again. The button is as wide as the message's
// length plus twenty letters E and two lines high, in the window's font. Events keep running meanwhile, so the
// window stays responsive; the wait is measured on a monotonic clock, so it
// ends on time also across midnight or a change of the system time. Does
// nothing when the window has no such button.
void FlashMessage(QWidget& window, std::string_view message, double seconds);

}  // namespace arbolith
