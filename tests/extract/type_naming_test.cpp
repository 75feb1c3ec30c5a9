// SPDX-License-Identifier: MIT
// The texts stored for type flags, variant types, invoke kinds and type
// descriptions where a table lookup or a bit test goes wrong: the first and
// last word, bits past the table, codes between entries, several bits at
// once. The corpus golden checks the ordinary codes of real libraries.
#include "extract/type_naming.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace arbolith {
namespace {

using namespace std::string_view_literals;

std::string Describe(std::uint16_t code, std::string_view name = "", bool known = true)
{
    TypeDescriptionInput input;
    input.code = code;
    input.referenceNameKnown = known && !name.empty();
    input.referenceName = name;
    return TypeDescription(input);
}

TEST(TypeNaming, FlagsVariantTypesAndInvokeKinds)
{
    EXPECT_EQ(CutAtNul("\0tail"sv), "");
    EXPECT_EQ(CutAtNul("Name\0junk\0more"sv), "Name");

    // Set bits in bit order; bits past the table are ignored.
    for (const auto& [flags, text] : std::vector<std::pair<std::uint16_t, std::string>>{
             {0, "/"},
             {0x0001, "/AppObj/"},
             {0x1000, "/Disp/"},
             {0xFFFF, "/AppObj/CanCre/Lic/Predef/Hid/Ctrl/Dual/NonExt/Auto/Rest/Agg/Repl/Disp/"},
             {0x8042, "/CanCre/Dual/"}})
        EXPECT_EQ(TypeFlagsString(flags), text);

    // Codes alone with their flag bit name the flag; gaps between entries,
    // codes past the table and a flag bit with a base are invalid.
    EXPECT_EQ(VariantTypeName(0x1000), "VECTOR");
    EXPECT_EQ(VariantTypeName(0x4000), "BYREF");
    EXPECT_EQ(VariantTypeName(72), "CLSID");  // the last entry
    for (std::uint16_t code : {15, 32, 35, 37, 63, 73, 0xFFF, 0x4003, 0x2008, 0x3000, 0xFFFF})
        EXPECT_EQ(VariantTypeName(code), "<invalid>") << code;

    EXPECT_EQ(InvokeKindName(0), "propget");
    EXPECT_EQ(InvokeKindName(32), "constant");
    for (int kind : {3, 6, 12, 64, -1, 0x10000 | 2}) EXPECT_EQ(InvokeKindName(kind), "<invalid>") << kind;
}

TEST(TypeNaming, TypeDescriptions)
{
    EXPECT_EQ(Describe(0x2008), "Array of String");
    EXPECT_EQ(Describe(0x1005), "Fixed size array of Double");
    EXPECT_EQ(Describe(9, "Font"), "Object");  // a name handed in for a base type is not used
    // A library type is its name alone, whichever array bit is set.
    EXPECT_EQ(Describe(0x2000, "Font"), "Font");
    EXPECT_EQ(Describe(0x1000, "GridPoint"), "GridPoint");
    EXPECT_EQ(Describe(0), kUnregisteredExternalType);
    EXPECT_EQ(Describe(0x2000, "Stale", false), kUnregisteredExternalType);
    EXPECT_EQ(Describe(0x4003), "<invalid>");
}

}  // namespace
}  // namespace arbolith
