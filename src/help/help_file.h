// SPDX-License-Identifier: MIT
// A library's help file, read by Arbolith itself: HTML Help (.chm) through
// chmlib (in a reader process of its own, so a damaged file cannot bring
// Arbolith down) and the older WinHelp format (.hlp) through our own reader. A help
// id of a type library names a topic by context number ("1234") or by
// keyword ("_word"); the viewer and `arbolith-cli help` show what these
// return. No help program of another system is involved.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith::help {

enum class HelpFormat { Chm, WinHelp };

// By the file name's extension, "chm" or "hlp" in any case; nothing for
// any other file.
std::optional<HelpFormat> HelpFormatOf(std::string_view fileName);

// What a help id asks for: "0" and "" ask for nothing, "_word" for the
// keyword "word", digits for that context number. Anything else asks for
// nothing.
struct HelpId {
    enum class Kind { None, Context, Keyword };
    Kind kind = Kind::None;
    std::uint32_t context = 0;
    std::string keyword;
    bool operator==(const HelpId&) const = default;
};
HelpId ParseHelpId(std::string_view id);

// One topic, ready to show.
struct HelpTopic {
    std::string title;  // may be empty
    // CHM: the page's HTML as stored. WinHelp: the topic's title and
    // paragraphs as simple, escaped HTML.
    std::string html;
    // Plain text: the page without its markup (CHM), or the paragraphs
    // joined by line breaks (WinHelp).
    std::string text;
    // CHM: the page's path inside the file ("/first.htm"), against which its
    // links and pictures resolve. WinHelp: "".
    std::string path;
};

class HelpFile {
public:
    // Opens a help file; its format comes from its extension. A file that
    // cannot be read or is no help file of that format is an error that
    // names the file and the reason.
    static Result<HelpFile> Open(const std::filesystem::path& file);

    HelpFile(HelpFile&&) noexcept;
    HelpFile& operator=(HelpFile&&) noexcept;
    ~HelpFile();

    HelpFormat Format() const;
    const std::filesystem::path& Path() const;

    // The topic a help id asks for; an error says why there is none (no
    // such context in the file, a damaged file, ...). Kind::None is an error
    // too: callers ask only for ids that name something.
    Result<HelpTopic> Topic(const HelpId& id);
    // The topic a help file opens at as a whole: the CHM's default topic,
    // the WinHelp file's contents topic (or its first topic).
    Result<HelpTopic> DefaultTopic();
    // CHM only: an entry of the file by its path inside it ("/a/b.htm",
    // "pic.gif" relative to nothing), for the links and pictures of a page
    // shown. WinHelp files have none: an error.
    Result<std::string> ReadEntry(std::string_view path);

private:
    class Impl;
    explicit HelpFile(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace arbolith::help
