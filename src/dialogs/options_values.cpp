// SPDX-License-Identifier: MIT
#include "dialogs/options_values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace arbolith {

namespace {

// The leading decimal number of `text`: sign, digits, fraction, exponent.
double LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t start = i;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i > from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool any = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        any = digits() || any;
    }
    if (!any) return 0;
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits()) end = i;
    }
    // strtod on a copy that holds only the number: the view need not end in a zero.
    const std::string number(text.substr(start, end - start));
    return std::strtod(number.c_str(), nullptr);
}

std::int16_t FontSize(std::string_view text)
{
    const std::int64_t size = BoxNumber(text);
    return size >= 4 && size <= 36 ? static_cast<std::int16_t>(size) : std::int16_t{8};
}

}  // namespace

std::int64_t BoxNumber(std::string_view text)
{
    const double value = std::nearbyint(LeadingNumber(text));
    // Far past every range the window tests, and safe to convert.
    constexpr double kLimit = 1e15;
    if (std::isnan(value)) return 0;
    return static_cast<std::int64_t>(std::clamp(value, -kLimit, kLimit));
}

std::int16_t StepTreeIndent(std::int16_t indent, bool up)
{
    const int next = indent + (up ? kTreeIndentStep : -kTreeIndentStep);
    return static_cast<std::int16_t>(std::clamp<int>(next, kMinTreeIndent, kMaxTreeIndent));
}

OptionsUpdate EvaluateOptions(const OptionsBoxes& boxes, const OptionsState& current)
{
    OptionsUpdate u{current};
    OptionsState& s = u.state;
    s.compactDat = boxes.compactDat;
    s.openDlgAtTop = boxes.openDlgAtTop;
    s.fonts = FontSizes{FontSize(boxes.fontTextbox), FontSize(boxes.fontLabel), FontSize(boxes.fontTree),
                        FontSize(boxes.fontListbox)};

    const std::int64_t scale = BoxNumber(boxes.scaleFactor);
    if (scale >= 10 && scale <= 90)
        s.scaleFactor = static_cast<std::int16_t>(scale);
    else
        u.scaleRefused = true;

    const std::int64_t depth = BoxNumber(boxes.defaultDepth);
    s.defaultDepth = depth >= 1 && depth <= 100 ? static_cast<std::int16_t>(depth) : std::int16_t{6};
    u.depthChanged = s.defaultDepth != current.defaultDepth;
    return u;
}

}  // namespace arbolith
