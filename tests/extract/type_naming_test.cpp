// SPDX-License-Identifier: MIT
// The texts stored for type flags, variant types, invoke kinds and type
// descriptions. Cases sit where a table lookup or a bit test goes wrong:
// word order, the last word, bits past the table, codes between entries,
// several bits at once.
#include "extract/type_naming.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace arbolith {
namespace {

using namespace std::string_view_literals;

std::string Describe(std::uint16_t code)
{
    TypeDescriptionInput input;
    input.code = code;
    return TypeDescription(input);
}

std::string DescribeNamed(std::uint16_t code, std::string_view name, bool known = true)
{
    TypeDescriptionInput input;
    input.code = code;
    input.referenceNameKnown = known;
    input.referenceName = name;
    return TypeDescription(input);
}

TEST(TypeNaming, CutAtNulStopsAtTheFirstNul)
{
    EXPECT_EQ(CutAtNul("Scripting"), "Scripting");
    EXPECT_EQ(CutAtNul(""), "");
    EXPECT_EQ(CutAtNul("\0tail"sv), "");
    EXPECT_EQ(CutAtNul("Name\0junk\0more"sv), "Name");
}

TEST(TypeNaming, TypeFlagsListSetBitsInBitOrder)
{
    EXPECT_EQ(TypeFlagsString(0), "/");
    EXPECT_EQ(TypeFlagsString(0x1050), "/Hid/Dual/Disp/");
    EXPECT_EQ(TypeFlagsString(0x1FFF), "/AppObj/CanCre/Lic/Predef/Hid/Ctrl/Dual/NonExt/Auto/Rest/Agg/Repl/Disp/");
    // The first and last words alone: an off-by-one in the table shows here.
    EXPECT_EQ(TypeFlagsString(0x0001), "/AppObj/");
    EXPECT_EQ(TypeFlagsString(0x1000), "/Disp/");
}

TEST(TypeNaming, TypeFlagsIgnoreBitsAboveDisp)
{
    EXPECT_EQ(TypeFlagsString(0xE000), "/");
    EXPECT_EQ(TypeFlagsString(0xFFFF), TypeFlagsString(0x1FFF));
    EXPECT_EQ(TypeFlagsString(0x8042), "/CanCre/Dual/");
}

TEST(TypeNaming, VariantTypeNamesAreWholeCodes)
{
    EXPECT_EQ(VariantTypeName(0), "Void");
    EXPECT_EQ(VariantTypeName(3), "Long");
    EXPECT_EQ(VariantTypeName(8), "String");
    EXPECT_EQ(VariantTypeName(24), "Void");
    EXPECT_EQ(VariantTypeName(72), "CLSID");
    // Codes alone with their flag bit name the flag.
    EXPECT_EQ(VariantTypeName(0x1000), "VECTOR");
    EXPECT_EQ(VariantTypeName(0x2000), "ARRAY");
    EXPECT_EQ(VariantTypeName(0x4000), "BYREF");
}

TEST(TypeNaming, VariantTypeCodesWithoutANameAreInvalid)
{
    // 15 falls in the gap between Decimal (14) and Signed char (16); 32..35
    // and 37..63 between LPWSTR, RECORD and FILETIME.
    for (std::uint16_t code : {15, 32, 35, 37, 63, 73, 0xFFF}) EXPECT_EQ(VariantTypeName(code), "<invalid>") << code;
    // A flag bit combined with a base is not a name of its own.
    EXPECT_EQ(VariantTypeName(0x4003), "<invalid>");
    EXPECT_EQ(VariantTypeName(0x2008), "<invalid>");
    EXPECT_EQ(VariantTypeName(0x3000), "<invalid>");
    EXPECT_EQ(VariantTypeName(0xFFFF), "<invalid>");
}

TEST(TypeNaming, InvokeKindNames)
{
    EXPECT_EQ(InvokeKindName(0), "propget");
    EXPECT_EQ(InvokeKindName(1), "method");
    EXPECT_EQ(InvokeKindName(2), "propget");
    EXPECT_EQ(InvokeKindName(4), "propput");
    EXPECT_EQ(InvokeKindName(8), "propputref");
    EXPECT_EQ(InvokeKindName(16), "event");
    EXPECT_EQ(InvokeKindName(32), "constant");
    // Combinations and neighbours of the bits are not kinds.
    for (int kind : {3, 6, 12, 64, -1, 0x10000 | 2}) EXPECT_EQ(InvokeKindName(kind), "<invalid>") << kind;
}

TEST(TypeNaming, TypeDescriptionOfBaseAndArrayCodes)
{
    EXPECT_EQ(Describe(3), "Long");
    EXPECT_EQ(Describe(0x2008), "Array of String");
    EXPECT_EQ(Describe(0x1005), "Fixed size array of Double");
    EXPECT_EQ(Describe(0x200C), "Array of Variant");
    // A name handed in for a base type is not used.
    EXPECT_EQ(DescribeNamed(9, "Font"), "Object");
}

TEST(TypeNaming, TypeDescriptionOfLibraryTypesIsTheNameAlone)
{
    EXPECT_EQ(DescribeNamed(0, "Font"), "Font");
    // No "Array of" in front, whichever array bit is set.
    EXPECT_EQ(DescribeNamed(0x2000, "Font"), "Font");
    EXPECT_EQ(DescribeNamed(0x1000, "GridPoint"), "GridPoint");
    EXPECT_EQ(Describe(0), kUnregisteredExternalType);
    EXPECT_EQ(DescribeNamed(0x2000, "Stale", false), kUnregisteredExternalType);
}

TEST(TypeNaming, TypeDescriptionOfAnInvalidCode)
{
    EXPECT_EQ(Describe(0x4003), "<invalid>");
    EXPECT_EQ(Describe(15), "<invalid>");
}

}  // namespace
}  // namespace arbolith
