// SPDX-License-Identifier: MIT
// Text inside Arbolith is UTF-8. Files made on other systems may be in
// Windows-1252; these helpers decide and convert.
#pragma once

#include <string>
#include <string_view>

namespace arbolith {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Appends a code point (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes Windows-1252 bytes to UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the
// same value, as Windows itself does, so nothing is lost.
std::string Cp1252ToUtf8(std::string_view bytes);

// The text of a file as UTF-8: a leading UTF-8 byte-order mark is dropped;
// bytes that are not valid UTF-8 are read as Windows-1252.
std::string DecodeFileText(std::string_view bytes);

// ASCII lower/upper case; other bytes (UTF-8 sequences among them) unchanged.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
// Order of the store's NOCASE collation: bytes compared with ASCII letters
// folded, a shorter text before a longer one it begins.
int CompareNoCase(std::string_view a, std::string_view b);

// Leading and trailing spaces, tabs and other ASCII white space removed.
std::string_view TrimView(std::string_view text);
inline std::string Trim(std::string_view text)
{
    return std::string(TrimView(text));
}

}  // namespace arbolith
