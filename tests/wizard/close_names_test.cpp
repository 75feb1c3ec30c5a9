// SPDX-License-Identifier: MIT
// The names offered for a top object that is not in the library.
#include "wizard/close_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arbolith {
namespace {

using Names = std::vector<std::string>;

TEST(CloseNames, RanksEqualThenPrefixThenInsideThenNear)
{
    const Names library{"Application", "ApplicationEvents", "Document", "Documents", "DocumentEvents",
                        "Window",      "Windows",           "Item",     "IDocument", "Font"};
    const struct {
        const char* wanted;
        Names expected;
    } cases[] = {
        {"application", {"Application", "ApplicationEvents"}},
        {"Applicatio", {"Application", "ApplicationEvents"}},
        {"doc", {"Document", "Documents", "DocumentEvents", "IDocument"}},
        {"Events", {"DocumentEvents", "ApplicationEvents"}},
        {"Widnow", {"Window", "Windows"}},  // two edits
        {"Fnot", {"Font"}},
        {"Itm", {"Item"}},
        {"Zebra", {}},
        {"", {}},
        {"  ", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(CloseNames(c.wanted, library), c.expected) << c.wanted;
}

TEST(CloseNames, KeepsToTheLimitAndOffersEachNameOnce)
{
    const Names library{"Item1", "Item2", "Item1", "Item3", "Item4", "Item5", "Item6", "item"};
    EXPECT_EQ(CloseNames("Item", library), (Names{"item", "Item1", "Item2", "Item3", "Item4"}));
    EXPECT_EQ(CloseNames("Item", library, 2), (Names{"item", "Item1"}));
    EXPECT_EQ(CloseNames("Item", library, 0), Names{});
}

TEST(CloseNames, LongNamesAllowMoreEditsShortOnesOne)
{
    const Names library{"HTMLDocumentEvents2", "Ab", "Cd"};
    EXPECT_EQ(CloseNames("HTMLDocumentEventz3", library), Names{"HTMLDocumentEvents2"});
    EXPECT_EQ(CloseNames("Xb", library), Names{"Ab"});
    EXPECT_EQ(CloseNames("Xy", library), Names{});
}

}  // namespace
}  // namespace arbolith
