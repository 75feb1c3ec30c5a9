// SPDX-License-Identifier: MIT
// Texts the DAT file stores for numbers and descriptors read from a type
// library: type flags, variant types, invoke kinds, type descriptions.
// Pure functions, no state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace arbolith {

// The part before the first NUL character; the whole text when it has none.
std::string CutAtNul(std::string_view text);

// "/" followed by one word and "/" per set type flag, in bit order:
// 0x1050 gives "/Hid/Dual/Disp/". Bits above 0x1000 are ignored.
std::string TypeFlagsString(std::uint16_t flags);

// The name of a whole variant type code ("Long", "Array" is 0x2000 alone);
// a code with several bits set, such as 0x4003, is "<invalid>".
std::string VariantTypeName(std::uint16_t code);

// "propget", "method", "propput", "propputref", "event", "constant"; 0 reads
// as "propget"; anything else "<invalid>".
std::string InvokeKindName(int invokeKind);

// The type description of a variable-type descriptor: "Long",
// "Array of String", "Fixed size array of Double", or for a library type
// (base code 0) the referenced type's name alone — "<Unregistered External
// Type>" when that name cannot be read.
struct TypeDescriptionInput {
    std::uint16_t code = 0;  // base code plus 0x2000 / 0x1000 array bits
    bool referenceNameKnown = false;
    std::string_view referenceName;
};
std::string TypeDescription(const TypeDescriptionInput& descriptor);

inline constexpr std::string_view kUnregisteredExternalType = "<Unregistered External Type>";

}  // namespace arbolith
