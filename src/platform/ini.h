// SPDX-License-Identifier: MIT
// The settings-file helpers every part of Arbolith reads and writes INI files
// with (ZV.INI, a model's INF file). Each helper reads or writes one key of
// one file given by its full path.
//
// Failures: a helper that fails goes on with its zero value (false, 0, "",
// an empty list; a writer reports false) and passes the message to `onError`
// when one is given. The message is the helper's text followed by the file
// path, ". " and the cause, e.g.
//   "Error getting integer from /home/u/.local/share/arbolith/ZV.INI. 70000 does not fit in 16 bits"
// The window layer routes it to the prompt interface; tests collect it.
//
// Unlike the fixed character buffers these helpers once read into, no value
// or list is ever cut: a text key of any length reads whole.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

using IniErrorSink = std::function<void(const std::string& message)>;

// "false" and "0" read False; "true", "1" and "-1" read True (any case);
// every other text, and an absent key, gives the default.
bool GetIniBoolean(std::string_view section, std::string_view key, bool defaultValue, const std::filesystem::path& file,
                   const IniErrorSink& onError = {});

// Integers as the Windows profile functions read them: an absent key or an
// empty value gives the default; otherwise optional white space, an optional
// sign and the leading decimal digits (none: 0). A value that does not fit
// the result type is a failure (zero value, message).
std::int16_t GetIniInteger(std::string_view section, std::string_view key, std::int16_t defaultValue,
                           const std::filesystem::path& file, const IniErrorSink& onError = {});
std::int32_t GetIniLong(std::string_view section, std::string_view key, std::int32_t defaultValue,
                        const std::filesystem::path& file, const IniErrorSink& onError = {});

std::string GetIniString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         const std::filesystem::path& file, const IniErrorSink& onError = {});

// The same readers on a document the caller has loaded already from `file`
// (named in messages): for a caller that reads many keys of one file, which
// would otherwise be read and parsed again for every key.
class ProfileDocument;
bool GetIniBoolean(const ProfileDocument& doc, std::string_view section, std::string_view key, bool defaultValue);
std::int16_t GetIniInteger(const ProfileDocument& doc, std::string_view section, std::string_view key,
                           std::int16_t defaultValue, const std::filesystem::path& file,
                           const IniErrorSink& onError = {});
std::int32_t GetIniLong(const ProfileDocument& doc, std::string_view section, std::string_view key,
                        std::int32_t defaultValue, const std::filesystem::path& file, const IniErrorSink& onError = {});
std::string GetIniString(const ProfileDocument& doc, std::string_view section, std::string_view key,
                         std::string_view defaultValue);

// Writers return true on success. A key name or value that a line of the
// file cannot hold (a line break; a key name with "=" or starting with "["
// or ";"; an empty key name) is refused: false, message, file unchanged.
bool PutIniString(std::string_view section, std::string_view key, std::string_view value,
                  const std::filesystem::path& file, const IniErrorSink& onError = {});
// Writes "True" or "False".
bool PutIniBoolean(std::string_view section, std::string_view key, bool value, const std::filesystem::path& file,
                   const IniErrorSink& onError = {});
bool DeleteIniSection(std::string_view section, const std::filesystem::path& file, const IniErrorSink& onError = {});
// Key names of a section in file order (see ProfileDocument::SectionKeys).
std::vector<std::string> GetIniSectionKeys(std::string_view section, const std::filesystem::path& file,
                                           const IniErrorSink& onError = {});

// Loads the file, applies `change` and writes the result as one atomic
// rewrite: for a caller that writes many keys at once (closing settings). A
// failure reports "Error writing string to <file>. <cause>" and returns false;
// the file is then unchanged.
bool UpdateIniFile(const std::filesystem::path& file, const std::function<void(ProfileDocument&)>& change,
                   const IniErrorSink& onError = {});

// The helpers' message: `what` (e.g. "Error getting string from "), the
// file, ". " and the cause of `error`.
std::string IniFailureMessage(std::string_view what, const std::filesystem::path& file, const Error& error);

// Reads a boolean text as GetIniBoolean does; shared with callers that hold a
// ProfileDocument already.
bool ParseIniBoolean(std::string_view text, bool defaultValue);

// "True" or "False", as booleans are written.
inline const char* IniBooleanText(bool value)
{
    return value ? "True" : "False";
}

// A value read as the Windows profile functions read integers: optional
// white space and sign, then the leading decimal digits (none: 0). Nothing
// for an empty value, which reads as the caller's default. Magnitudes past
// 2^40 are held at about that, beyond every 32-bit range.
std::optional<std::int64_t> ParseIniNumber(std::string_view text);

// Why `name` cannot be a key name of an INI line, or "" when it can.
std::string InvalidKeyNameReason(std::string_view name);

}  // namespace arbolith
