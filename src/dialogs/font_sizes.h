// SPDX-License-Identifier: MIT
// The four font sizes, in points, that the main window's controls take. Kept
// free of Qt so the settings file's reader can hold them.
#pragma once

#include <cstdint>

namespace arbolith {

struct FontSizes {
    std::int16_t textbox = 8;
    std::int16_t label = 8;
    std::int16_t tree = 8;
    std::int16_t listbox = 8;
    bool operator==(const FontSizes&) const = default;
};

}  // namespace arbolith
