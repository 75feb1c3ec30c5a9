// SPDX-License-Identifier: MIT
// The Options window's value rules without the window: how the text of its
// boxes becomes settings, the indentation steps, and the checks of Update.
#pragma once

#include "dialogs/font_sizes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith {

// The application-wide values the Options window edits.
struct OptionsState {
    FontSizes fonts;
    std::int16_t treeIndent = 400;  // twips
    std::int16_t defaultDepth = 6;  // global default max branch count
    std::int16_t scaleFactor = 50;  // split-mode height, percent of the screen
    bool compactDat = true;
    bool openDlgAtTop = false;
    bool operator==(const OptionsState&) const = default;
};

inline constexpr std::int16_t kMinTreeIndent = 200;
inline constexpr std::int16_t kMaxTreeIndent = 1400;
inline constexpr std::int16_t kTreeIndentStep = 50;

// The number a box holds, rounded to an integer (halves to even): the
// leading number of the text after white space, as a decimal with an
// optional sign, fraction and exponent; text that is not a number counts as
// 0. Parsed wide, so a huge value stays huge for the range tests instead of
// wrapping into range.
std::int64_t BoxNumber(std::string_view text);

// One step of the indentation buttons: up or down by 50 twips, held within
// 200 to 1400.
std::int16_t StepTreeIndent(std::int16_t indent, bool up);

// The text of the window's boxes.
struct OptionsBoxes {
    std::string fontTextbox, fontLabel, fontTree, fontListbox;
    std::string scaleFactor;
    std::string defaultDepth;
    bool compactDat = true;
    bool openDlgAtTop = false;
};

// What Update makes of the boxes, given the values in force.
struct OptionsUpdate {
    OptionsState state;         // the values to store
    bool scaleRefused = false;  // the scale factor was out of range; the old one stays
    bool depthChanged = false;  // the global default branch count differs from before
};
OptionsUpdate EvaluateOptions(const OptionsBoxes& boxes, const OptionsState& current);

}  // namespace arbolith
