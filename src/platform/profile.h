// SPDX-License-Identifier: MIT
// Private-profile (INI) files with the semantics of the Windows profile
// functions that settings and model files were first written with:
//   - section and key names compare without regard to ASCII case;
//   - the first section of a name and, inside it, the first key of a name win;
//   - names and values are trimmed of surrounding white space, and a value
//     enclosed in a matching pair of double or single quotes loses them;
//   - a line starting with ";" is a comment; a line inside a section without
//     "=" is a key with an empty value; lines before the first section are
//     ignored;
//   - a missing "]" makes the line a section header all the same (its name is
//     the rest of the line), as the Windows functions read it.
// A file is read whole: UTF-8, or Windows-1252 when not valid UTF-8 (see
// DecodeFileText). Writes keep every other line as it was (comments and
// unknown keys included), keep the file's line ending (CRLF or LF; LF for a
// new file), and replace the file atomically: a temporary file in the same
// folder is written, flushed to disk and renamed over the old one, so a
// crash leaves either the old or the new file, never a mix.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace arbolith {

class ProfileDocument {
public:
    ProfileDocument() = default;

    // Reads and parses a file. A missing file is an empty document, as the
    // Windows functions read it; a file that exists but cannot be read (no
    // permission, a folder) is an error.
    static Result<ProfileDocument> Load(const std::filesystem::path& file);
    // Parses file bytes (any encoding DecodeFileText accepts).
    static ProfileDocument Parse(std::string_view bytes);

    // The value of a key, or nothing when the section or key is absent.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Key names of the first section of that name, in file order, as written
    // (trimmed); duplicates (same name in another case too) appear once.
    std::vector<std::string> SectionKeys(std::string_view section) const;
    // Each key of the first section of that name with its value, in file
    // order, read in one pass: the names SectionKeys lists, each with the
    // value Get gives for it. For sections of tens of thousands of keys,
    // where a Get per key would scan the section once per key.
    std::vector<std::pair<std::string, std::string>> SectionEntries(std::string_view section) const;
    bool HasSection(std::string_view section) const;

    // Changes in memory; Save writes them.
    // Set replaces the value of the first key of that name or, when absent,
    // adds the key after the last key line of the section; a missing section
    // is added at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    void DeleteKey(std::string_view section, std::string_view key);
    // Removes every section of that name with all its lines.
    void DeleteSection(std::string_view section);

    // UTF-8 text of the whole document.
    std::string Serialize() const;
    Result<void> Save(const std::filesystem::path& file) const;

private:
    // One line of the file. The name and value are ranges of `text` (both are
    // substrings of it once trimmed and unquoted), which keeps a line small:
    // list sections hold tens of thousands of them.
    struct Line {
        std::string text;  // the line as read, without its line ending
        enum class Kind : std::uint8_t { Other, Section, Key } kind = Kind::Other;
        // Only the last line of a file can lack an ending.
        enum class Ending : std::uint8_t { None, Lf, CrLf } ending = Ending::None;
        // The trimmed section or key name, and for keys the trimmed, unquoted value.
        std::uint32_t nameStart = 0, nameSize = 0;
        std::uint32_t valueStart = 0, valueSize = 0;

        std::string_view Name() const { return std::string_view(text).substr(nameStart, nameSize); }
        std::string_view Value() const { return std::string_view(text).substr(valueStart, valueSize); }
    };
    std::vector<Line> m_lines;
    bool m_crlf = false;  // ending for lines this document adds
    bool m_bom = false;   // the file began with a UTF-8 byte-order mark; Serialize keeps it

    // The section Set last wrote to: its keys (ASCII-lowered name -> line)
    // and where its next new key goes. List sections are written as tens of
    // thousands of Set calls; this spares each one a scan of the section.
    // Set keeps it exact (it only inserts at insertAt, after every indexed
    // line); every other change drops it.
    struct SetIndex {
        std::size_t header = 0;
        std::size_t insertAt = 0;
        std::unordered_map<std::string, std::size_t> keys;
    };
    std::optional<SetIndex> m_setIndex;

    // Index of the header line of the first section of that name, or npos.
    std::size_t FindSection(std::string_view section) const;
    // End of the section whose header is at `header` (index of next header or size()).
    std::size_t SectionEnd(std::size_t header) const;
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    static Line ParseLine(std::string text);
    void IndexSection(std::size_t header);
    // Inserts a line at `index` with the document's ending, giving the line
    // before it an ending when it had none (the old last line).
    void InsertLine(std::size_t index, std::string text);
};

}  // namespace arbolith
