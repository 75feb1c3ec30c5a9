// SPDX-License-Identifier: MIT
#include "typelib/stored_values.h"

#include <cstring>

#include "typelib/msft_layout.h"

namespace arbolith {

using namespace msft;

Guid ReadStoredGuid(ByteView bytes, std::uint64_t at)
{
    Guid g;
    auto stored = bytes.Slice(at, 16, "GUID");
    if (!stored) return g;
    g.data1 = stored->U32At(0);
    g.data2 = stored->U16At(4);
    g.data3 = stored->U16At(6);
    for (int i = 0; i < 8; ++i) g.data4[i] = stored->U8At(8 + i);
    return g;
}

std::optional<ConstantValue> ReadStoredNumber(ByteView bytes, std::uint64_t at, std::uint16_t vt)
{
    ConstantValue v;
    v.vt = vt;
    std::uint32_t lo = 0, hi = 0;
    switch (vt) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_INT:
        case VT_ERROR:
        case VT_HRESULT:
            if (!bytes.U32(at, lo)) return std::nullopt;
            v.integer = vt == VT_I1   ? static_cast<std::int8_t>(lo)
                        : vt == VT_I2 ? static_cast<std::int16_t>(lo)
                                      : static_cast<std::int32_t>(lo);
            return v;
        case VT_BOOL:
            if (!bytes.U32(at, lo)) return std::nullopt;
            v.integer = static_cast<std::int16_t>(lo);
            return v;
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UINT:
            if (!bytes.U32(at, lo)) return std::nullopt;
            v.integer = vt == VT_UI1 ? (lo & 0xFF) : vt == VT_UI2 ? (lo & 0xFFFF) : lo;
            return v;
        case VT_R4: {
            if (!bytes.U32(at, lo)) return std::nullopt;
            float f;
            static_assert(sizeof f == 4);
            std::memcpy(&f, &lo, 4);
            v.real = f;
            return v;
        }
        case VT_R8:
        case VT_DATE:
        case VT_CY:
        case VT_I8:
        case VT_UI8: {
            if (!bytes.U32(at, lo) || !bytes.U32(at + 4, hi)) return std::nullopt;
            std::uint64_t q = (std::uint64_t{hi} << 32) | lo;
            if (vt == VT_R8 || vt == VT_DATE)
                std::memcpy(&v.real, &q, 8);
            else
                v.integer = static_cast<std::int64_t>(q);
            return v;
        }
        default:
            return v;
    }
}

}  // namespace arbolith
