// SPDX-License-Identifier: MIT
#include "typelib/byte_reader.h"

#include <cstdio>

namespace arbolith {

std::string Hex(std::uint64_t value)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
    return buf;
}

Read<ByteView> ByteView::Slice(std::uint64_t off, std::uint64_t len, std::string_view what) const
{
    if (!Contains(off, len)) {
        return Fail(ErrCode::Truncated, off,
                    std::string(what) + " at " + Hex(m_base + off) + " (" + Hex(len) + " bytes) past end of data (" +
                        Hex(m_base + m_size) + ")");
    }
    return ByteView(m_data + off, static_cast<std::size_t>(len), m_base + off);
}

bool ByteView::U16(std::uint64_t off, std::uint16_t& out) const
{
    if (!Contains(off, 2)) return false;
    out = static_cast<std::uint16_t>(m_data[off] | (m_data[off + 1] << 8));
    return true;
}

bool ByteView::U32(std::uint64_t off, std::uint32_t& out) const
{
    if (!Contains(off, 4)) return false;
    out = static_cast<std::uint32_t>(m_data[off]) | (static_cast<std::uint32_t>(m_data[off + 1]) << 8) |
          (static_cast<std::uint32_t>(m_data[off + 2]) << 16) | (static_cast<std::uint32_t>(m_data[off + 3]) << 24);
    return true;
}

}  // namespace arbolith
