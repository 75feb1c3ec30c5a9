// SPDX-License-Identifier: MIT
// Bounds-checked little-endian reads over bytes held in memory. Every read of
// file content in src/typelib goes through ByteView::Slice or the checked
// getters here; nothing casts file bytes to structs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "platform/result.h"

namespace arbolith {

enum class ErrCode {
    Truncated,    // a structure runs past the end of its data
    BadMagic,     // not the format expected
    BadValue,     // a field holds an impossible value
    Cycle,        // a chain does not end within its bound
    NotFound,     // a resource or file is missing
    Unsupported,  // a known format this reader does not handle
    Io,           // the file could not be read
};

struct ReadError {
    ErrCode code = ErrCode::BadValue;
    std::uint64_t offset = 0;
    std::string what;  // "typeinfo 12: member block offset 0x1f40 past end of file (0x1e00)"

    ReadError In(std::string_view outer) const { return {code, offset, std::string(outer) + ": " + what}; }
    Error ToError() const { return Error::TypeLibrary(static_cast<int>(code) + 1, what); }
};

// Result type for the readers: a value or the first ReadError.
template <class T>
using Read = Result<T, ReadError>;

std::string Hex(std::uint64_t value);  // "0x1f40"

// A window on bytes owned elsewhere. `base` is the window's offset in the
// whole file, so errors name file offsets.
class ByteView {
public:
    ByteView() = default;
    ByteView(const std::uint8_t* data, std::size_t size, std::uint64_t base = 0)
        : m_data(data), m_size(size), m_base(base)
    {
    }
    explicit ByteView(std::string_view bytes)
        : m_data(reinterpret_cast<const std::uint8_t*>(bytes.data())), m_size(bytes.size())
    {
    }

    std::size_t Size() const { return m_size; }
    std::uint64_t Base() const { return m_base; }
    const std::uint8_t* Data() const { return m_data; }

    // The one range test: written so that off + len is never computed.
    bool Contains(std::uint64_t off, std::uint64_t len) const { return off <= m_size && len <= m_size - off; }

    // The bytes [off, off+len) or a Truncated error naming `what`.
    Read<ByteView> Slice(std::uint64_t off, std::uint64_t len, std::string_view what) const;

    // Checked reads relative to the window. Out of range gives nullopt-like
    // failure through the bool; the *At forms return 0 and are for fields
    // inside a slice already checked to be long enough.
    bool U16(std::uint64_t off, std::uint16_t& out) const;
    bool U32(std::uint64_t off, std::uint32_t& out) const;
    std::uint8_t U8At(std::uint64_t off) const { return Contains(off, 1) ? m_data[off] : 0; }
    std::uint16_t U16At(std::uint64_t off) const
    {
        std::uint16_t v = 0;
        return U16(off, v) ? v : 0;
    }
    std::uint32_t U32At(std::uint64_t off) const
    {
        std::uint32_t v = 0;
        return U32(off, v) ? v : 0;
    }
    std::int32_t I32At(std::uint64_t off) const { return static_cast<std::int32_t>(U32At(off)); }
    std::int16_t I16At(std::uint64_t off) const { return static_cast<std::int16_t>(U16At(off)); }

    ReadError Fail(ErrCode code, std::uint64_t off, std::string what) const
    {
        return {code, m_base + off, std::move(what)};
    }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_base = 0;
};

// How many records of `recordSize` bytes fit in `available` bytes; lets a
// caller refuse a count before multiplying.
inline bool CountFits(std::uint64_t count, std::uint64_t recordSize, std::uint64_t available)
{
    return recordSize == 0 || count <= available / recordSize;
}

}  // namespace arbolith
