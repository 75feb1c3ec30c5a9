// SPDX-License-Identifier: MIT
// Decoding the 8-bit text of type libraries. A library stores no code page;
// its names and strings are in the ANSI code page of its LCID's language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace arbolith {

// 874, 1250-1258, 932, 936, 949 or 950 for the LCID's primary language;
// 1252 for 0 and anything else.
std::uint16_t AnsiCodePageOfLcid(std::uint32_t lcid);

// `bytes` in `codePage` as UTF-8; an unknown code page reads as 1252.
std::string DecodeCodePage(std::string_view bytes, std::uint16_t codePage);

}  // namespace arbolith
