// SPDX-License-Identifier: MIT
// Decoding the 8-bit text of type libraries. A library stores no code page;
// its names and strings are in the ANSI code page of its LCID's language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "typelib/byte_reader.h"

namespace arbolith {

// 874, 1250-1258, 932, 936, 949 or 950 for the LCID's primary language;
// 1252 for 0 and anything else.
std::uint16_t AnsiCodePageOfLcid(std::uint32_t lcid);

// `bytes` in `codePage` as UTF-8; an unknown code page reads as 1252.
std::string DecodeCodePage(std::string_view bytes, std::uint16_t codePage);

// Text of `bytes` in the ANSI code page of the primary language of `lcid`,
// as UTF-8 (ASCII passes through unchanged).
std::string DecodeAnsi(std::string_view bytes, std::uint32_t lcid);

// Bounds on what one library may decode into, as a multiple of its file's
// size plus a floor. Names and doc strings may be shared (either format
// stores each text once and lets any number of members name it), and every
// dual's dispatch view copies its whole base chain, so neither is bounded by
// the file itself; among Wine's libraries text stays under 1x the file and
// dispatch views reach 12x (msxml2: deep chains). Without them a crafted
// file of a few hundred kilobytes, its members all naming one 64 KB doc
// string or its duals all on one wide base, grows into gigabytes.
inline constexpr std::uint64_t kDecodedFloor = 1u << 20;
inline std::uint64_t DispatchViewBound(std::uint64_t fileSize)
{
    return 128 * fileSize + kDecodedFloor;
}

// A library's names and strings decoded against that bound: past it every
// text decodes as "" and the reader fails the library.
class LibraryText {
public:
    explicit LibraryText(std::uint64_t fileSize) : m_limit(32 * fileSize + kDecodedFloor) {}

    std::string Decode(std::string_view bytes, std::uint32_t lcid)
    {
        m_used += bytes.size();
        return m_used > m_limit ? std::string() : DecodeAnsi(bytes, lcid);
    }
    bool Exceeded() const { return m_used > m_limit; }
    ReadError Failure() const
    {
        return {ErrCode::BadValue, 0,
                "names and strings decode to more than " + Hex(m_limit) + " bytes (shared text multiplied)"};
    }

private:
    std::uint64_t m_limit;
    std::uint64_t m_used = 0;
};

}  // namespace arbolith
