// SPDX-License-Identifier: MIT
// Our own reader of WinHelp (.hlp) files, the help format of older
// libraries, for which Linux has no reader at all. It finds a topic by its
// context number (|CTXOMAP) or keyword (|KWBTREE), its title (|TTLBTREE) and
// its text (|TOPIC: LZ77 and phrase decompression), and gives the text as
// plain paragraphs; formatting, pictures and hotspots are skipped. Every read
// is bounds-checked and every allocation bounded: a damaged or hostile file
// gives an error naming the cause, never a crash.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::help {

// Text is given in UTF-8 (the file holds the Windows ANSI code page).
struct WinHelpTopic {
    std::string title;                    // "" when the file has no title for it
    std::vector<std::string> paragraphs;  // in order, without formatting
};

class WinHelpFile {
public:
    // Reads the whole file.
    static Result<WinHelpFile> Open(const std::filesystem::path& file);
    // The same over bytes already in memory; `name` is used in messages.
    static Result<WinHelpFile> FromBytes(std::string bytes, std::string name);

    WinHelpFile(WinHelpFile&&) noexcept;
    WinHelpFile& operator=(WinHelpFile&&) noexcept;
    ~WinHelpFile();

    // The help file's own title (|SYSTEM); may be empty.
    const std::string& Title() const;
    // The context numbers the file maps to topics (|CTXOMAP), in its order.
    std::vector<std::uint32_t> ContextNumbers() const;
    Result<WinHelpTopic> TopicForContext(std::uint32_t contextNumber) const;
    Result<WinHelpTopic> TopicForKeyword(std::string_view keyword) const;
    // The contents topic the file names, else its first topic.
    Result<WinHelpTopic> FirstTopic() const;

private:
    class Impl;
    explicit WinHelpFile(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace arbolith::help
