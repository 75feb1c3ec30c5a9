// SPDX-License-Identifier: MIT
// An HTML Help (.chm) file opened through chmlib (in a process of its own,
// see chm_reader.h), and the parsers of the
// internal files that name its topics: /#IVB (context number -> offset of
// the topic's path in /#STRINGS), /#STRINGS, and /#SYSTEM (default topic
// and title). The parsers take bytes, so a damaged or hostile table can be
// tested without a file; every offset and length in them is checked.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::help {

// The most bytes read from one entry of a help file: more is a damaged or
// hostile file, not a help page.
inline constexpr std::uint64_t kMaxChmEntrySize = 32u << 20;

// /#IVB: a u32 byte count, then that many bytes of {u32 context; u32
// offset into /#STRINGS} pairs, little endian. A count that is no multiple
// of 8 or runs past the end is an error. The first pair of a context
// wins when one is mapped twice.
Result<std::map<std::uint32_t, std::uint32_t>> ParseContextTable(std::string_view ivb);

// The NUL-terminated string at `offset` of /#STRINGS; an error when the
// offset is past the end, the string is empty or runs off the end.
Result<std::string> StringAt(std::string_view strings, std::uint32_t offset);

// /#SYSTEM: a u32 version, then records {u16 code; u16 length; bytes} to
// the end. A record that runs past the end ends the reading; what came
// before it is kept.
struct ChmSystem {
    std::string defaultTopic;  // code 2
    std::string title;         // code 3
};
ChmSystem ParseSystem(std::string_view system);

class ChmFile {
public:
    // Opens the file; an error names it and says why (missing, not a file,
    // not an HTML Help file).
    static Result<ChmFile> Open(const std::filesystem::path& file);

    ChmFile(ChmFile&&) noexcept;
    ChmFile& operator=(ChmFile&&) noexcept;
    ~ChmFile();

    // The help file's title (/#SYSTEM); may be empty.
    const std::string& Title() const;

    // The stored path ("/Methods/Open.htm") of an entry named by `path`:
    // "x.htm", "/x.htm", "a\\b.htm", "other.chm::/x.htm", "x.htm#part",
    // without regard to case.
    Result<std::string> Resolve(std::string_view path);
    // The bytes of the entry a path names (as Resolve), at most
    // kMaxChmEntrySize of them.
    Result<std::string> Read(std::string_view path);

    // The stored path of the topic a context number is mapped to. A mapped
    // path that names no entry (compilers store the path the topic was
    // compiled from) is matched by its longest trailing part that does.
    Result<std::string> ContextTopic(std::uint32_t context);
    // A keyword as a topic: the path of an entry, else an entry of that file
    // name ("open.htm"), else a page named by it ("open" -> "open.htm").
    Result<std::string> KeywordTopic(std::string_view keyword);
    // The default topic of /#SYSTEM, else the first page (.htm, .html) by path.
    Result<std::string> DefaultTopic();

private:
    class Impl;
    explicit ChmFile(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace arbolith::help
