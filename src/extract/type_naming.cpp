// SPDX-License-Identifier: MIT
#include "extract/type_naming.h"

#include <array>
#include <utility>

namespace arbolith {

namespace {

constexpr std::uint16_t kArrayBit = 0x2000;
constexpr std::uint16_t kFixedArrayBit = 0x1000;

}  // namespace

std::string CutAtNul(std::string_view text)
{
    return std::string(text.substr(0, text.find('\0')));
}

std::string TypeFlagsString(std::uint16_t flags)
{
    static constexpr std::array<const char*, 13> kWords = {"AppObj", "CanCre", "Lic",  "Predef", "Hid",  "Ctrl", "Dual",
                                                           "NonExt", "Auto",   "Rest", "Agg",    "Repl", "Disp"};
    std::string text = "/";
    for (std::size_t bit = 0; bit < kWords.size(); ++bit)
        if (flags & (1u << bit)) {
            text += kWords[bit];
            text += '/';
        }
    return text;
}

std::string VariantTypeName(std::uint16_t code)
{
    static constexpr std::array<std::pair<std::uint16_t, const char*>, 45> kNames = {{
        {0, "Void"},
        {1, "Null"},
        {2, "Integer"},
        {3, "Long"},
        {4, "Single"},
        {5, "Double"},
        {6, "Currency"},
        {7, "Date"},
        {8, "String"},
        {9, "Object"},
        {10, "SCODE"},
        {11, "Boolean"},
        {12, "Variant"},
        {13, "IUnknown"},
        {14, "Decimal"},
        {16, "Signed char"},
        {17, "Byte"},
        {18, "Unsigned short2"},
        {19, "Unsigned short4"},
        {20, "Signed 64-bit int"},
        {21, "Unsigned 64-bit int"},
        {22, "Signed machine int"},
        {23, "Unsigned machine int"},
        {24, "Void"},
        {25, "HRESULT"},
        {26, "*"},
        {27, "Safearray"},
        {28, "C-style array"},
        {29, "Userdefined"},
        {30, "LPSTR"},
        {31, "LPWSTR"},
        {36, "RECORD"},
        {64, "FILETIME"},
        {65, "BLOB"},
        {66, "STREAM"},
        {67, "STORAGE"},
        {68, "STREAMED_OBJECT"},
        {69, "STORED_OBJECT"},
        {70, "BLOB_OBJECT"},
        {71, "CF"},
        {72, "CLSID"},
        {0x1000, "VECTOR"},
        {0x2000, "ARRAY"},
        {0x4000, "BYREF"},
        {0x8000, "VT_RESERVED"},
    }};
    for (const auto& [value, name] : kNames)
        if (value == code) return name;
    return "<invalid>";
}

std::string InvokeKindName(int invokeKind)
{
    switch (invokeKind) {
        case 0:
        case 2:
            return "propget";
        case 1:
            return "method";
        case 4:
            return "propput";
        case 8:
            return "propputref";
        case 16:
            return "event";
        case 32:
            return "constant";
        default:
            return "<invalid>";
    }
}

std::string TypeDescription(const TypeDescriptionInput& descriptor)
{
    const std::uint16_t code = descriptor.code;
    const std::uint16_t base = code & ~(kArrayBit | kFixedArrayBit);
    if (base == 0)
        return descriptor.referenceNameKnown ? std::string(descriptor.referenceName)
                                             : std::string(kUnregisteredExternalType);
    const char* prefix = (code & kArrayBit) ? "Array of " : (code & kFixedArrayBit) ? "Fixed size array of " : "";
    return prefix + VariantTypeName(base);
}

}  // namespace arbolith
