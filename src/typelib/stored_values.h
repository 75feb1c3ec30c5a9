// SPDX-License-Identifier: MIT
// GUIDs, and a constant's value, as both type-library formats store numbers: little
// endian, 32 bits for the integer types of up to 32 bits (read at their own
// width and sign), 4 bytes for VT_R4, 8 bytes for reals, dates, currency and
// 64-bit integers. Strings differ between the formats; their readers decode
// those themselves.
#pragma once

#include <cstdint>
#include <optional>

#include "typelib/byte_reader.h"
#include "typelib/typelib.h"

namespace arbolith {

// The GUID stored at `at` of `bytes` (16 bytes, little endian as both formats
// store it); the null GUID when it runs past the end.
Guid ReadStoredGuid(ByteView bytes, std::uint64_t at);

// The value of type `vt` at `at` of `bytes`; nullopt when it runs past the
// end. A type that is not a number gives a value of that type holding 0.
std::optional<ConstantValue> ReadStoredNumber(ByteView bytes, std::uint64_t at, std::uint16_t vt);

}  // namespace arbolith
