// SPDX-License-Identifier: MIT
// The names offered for a top object that is not in the library.
#include "wizard/close_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arbolith {
namespace {

using Names = std::vector<std::string>;

TEST(CloseNames, RanksEqualThenPrefixThenInsideThenNearWithinTheLimit)
{
    const Names library{"Application", "ApplicationEvents", "Document", "Documents", "DocumentEvents",
                        "Window",      "Windows",           "Item",     "IDocument", "Font"};
    const Names items{"Item1", "Item2", "Item1", "Item3", "Item4", "Item5", "Item6", "item"};
    const Names longShort{"HTMLDocumentEvents2", "Ab", "Cd"};
    const struct {
        const char* wanted;
        const Names& names;
        std::size_t limit;
        Names expected;
    } cases[] = {
        {"application", library, 5, {"Application", "ApplicationEvents"}},
        {"Applicatio", library, 5, {"Application", "ApplicationEvents"}},
        {"doc", library, 5, {"Document", "Documents", "DocumentEvents", "IDocument"}},
        {"Events", library, 5, {"DocumentEvents", "ApplicationEvents"}},
        {"Widnow", library, 5, {"Window", "Windows"}},  // two edits
        {"Fnot", library, 5, {"Font"}},
        {"Itm", library, 5, {"Item"}},
        {"Zebra", library, 5, {}},
        {"", library, 5, {}},
        {"  ", library, 5, {}},
        // Each name once, up to the limit.
        {"Item", items, 5, {"item", "Item1", "Item2", "Item3", "Item4"}},
        {"Item", items, 2, {"item", "Item1"}},
        {"Item", items, 0, {}},
        // Long names allow more edits, short ones one.
        {"HTMLDocumentEventz3", longShort, 5, {"HTMLDocumentEvents2"}},
        {"Xb", longShort, 5, {"Ab"}},
        {"Xy", longShort, 5, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CloseNames(c.wanted, c.names, c.limit), c.expected) << c.wanted << " limit " << c.limit;
}

}  // namespace
}  // namespace arbolith
