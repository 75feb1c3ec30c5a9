// SPDX-License-Identifier: MIT
// Pieces of the WinHelp reader shared by its source files: a bounds-checked
// little-endian byte reader, LZ77 expansion, the B+ tree walk, phrase tables
// and the |TOPIC stream. Nothing here is used outside src/help/winhelp*.cpp.
#pragma once

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::help::winhelp {

// Largest text one topic may expand to; more is a damaged or hostile file.
inline constexpr std::size_t kMaxTopicText = 4u << 20;
// A compressed topic block expands into a buffer of this size.
inline constexpr std::size_t kCompressedBlockBuffer = 16384;
// Largest expanded phrase table (|Phrases, |PhrImage).
inline constexpr std::size_t kMaxPhraseBytes = 16u << 20;

// A format error; the caller adds the file's name in front.
inline Error Damaged(std::string cause)
{
    return Error::Model(std::move(cause));
}

// Little-endian reads over a byte range. Each read checks its range first
// and fails instead of reading past the end; no read computes off + len.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::string_view bytes) : m_b(bytes) {}

    std::size_t Size() const { return m_b.size(); }
    std::string_view View() const { return m_b; }
    bool Has(std::size_t off, std::size_t len) const { return off <= m_b.size() && len <= m_b.size() - off; }

    bool U8(std::size_t off, std::uint8_t& out) const;
    bool U16(std::size_t off, std::uint16_t& out) const;
    bool U32(std::size_t off, std::uint32_t& out) const;
    // The string from `off` up to its NUL; `next` is the offset after the
    // NUL. False when no NUL comes before the end.
    bool CString(std::size_t off, std::string_view& out, std::size_t& next) const;
    // [off, off+len) clipped to the range.
    Bytes Sub(std::size_t off, std::size_t len) const;

private:
    std::string_view m_b;
};

// Expands the help compiler's LZ77 (a control byte, LSB first: 0 = literal
// byte, 1 = a 16-bit {12-bit distance - 1, 4-bit length - 3} reference into
// the output so far) and appends to `out`. At most `limit` bytes are
// appended; when the input would go further, `overflow` says what happens:
// with `ignoreZeroTail` the rest of the input may be zero padding, anything
// else is an error. A reference before the output's start is an error.
Result<void> ExpandLz77(std::string_view in, std::size_t limit, std::string& out, bool ignoreZeroTail = false);

// Calls `entry` for every leaf entry of the B+ tree held in `tree` (the
// content of an internal file). `entry` reads one entry starting at `at`
// inside `page`, moves `at` past it, and returns false when the entry does
// not fit the page. Pages are visited once: loops, pages past the end and
// impossible levels are errors naming `what`.
Result<void> ForEachLeafEntry(Bytes tree, std::string_view what,
                              const std::function<bool(const Bytes& page, std::size_t& at)>& entry);

// A table of phrases the topic text refers to by number.
struct PhraseTable {
    enum class Kind { Old, Hall };
    Kind kind = Kind::Old;
    std::string bytes;                   // every phrase, back to back
    std::vector<std::uint32_t> offsets;  // phrase i = bytes[offsets[i], offsets[i+1])
    std::size_t Count() const { return offsets.empty() ? 0 : offsets.size() - 1; }
};

// |Phrases (the older scheme); `compressed` when the phrase bytes are LZ77
// (files from version 3.1 on).
Result<PhraseTable> ReadOldPhrases(Bytes file, bool compressed);
// |PhrIndex + |PhrImage (Hall's scheme).
Result<PhraseTable> ReadHallPhrases(Bytes index, Bytes image);
// Expands phrase-compressed text into `out`, at most `limit` bytes.
Result<void> ExpandPhrases(const PhraseTable& table, std::string_view in, std::size_t limit, std::string& out);

// Help text is in the Windows ANSI code page; callers get UTF-8.
std::string AnsiToUtf8(std::string_view ansi);

// One TOPICLINK record of the |TOPIC stream, with its text expanded.
struct TopicLink {
    std::uint32_t pos = 0;   // its TOPICPOS
    std::uint32_t next = 0;  // TOPICPOS of the next record; 0 or ~0 at the end
    std::uint32_t prev = 0;
    std::uint32_t end = 0;  // TOPICPOS just past its last byte; the next record starts there or later
    std::uint8_t type = 0;  // 2 topic header, 0x20 text, 0x23 table
    std::string data1;      // LinkData1 after the 21-byte record header
    std::string data2;      // LinkData2, phrase-expanded
};

inline constexpr std::uint8_t kTopicHeader = 0x02;
inline constexpr std::uint8_t kTextRecord = 0x20;
inline constexpr std::uint8_t kTableRecord = 0x23;

// |TOPIC: blocks of `blockSize` bytes, each a 12-byte header and data,
// LZ77-compressed when `compressed`.
class TopicStream {
public:
    TopicStream(Bytes file, std::uint32_t blockSize, bool compressed, const PhraseTable* phrases);

    std::uint32_t BlockCount() const { return m_blockCount; }
    // The record at `pos`.
    Result<TopicLink> Read(std::uint32_t pos) const;
    // TOPICPOS of the topic header that holds the topic offset `offset`
    // (17 bits of block number, 15 bits of characters into the block).
    Result<std::uint32_t> HeaderForOffset(std::uint32_t offset) const;
    // TOPICPOS of the first topic header in the file.
    Result<std::uint32_t> FirstHeader() const;

private:
    Result<const std::string*> Block(std::uint32_t block) const;
    Result<std::uint32_t> BlockHeaderField(std::uint32_t block, std::size_t field) const;
    bool Split(std::uint32_t pos, std::uint32_t& block, std::uint32_t& at) const;

    Bytes m_file;
    std::uint32_t m_blockSize;
    bool m_compressed;
    const PhraseTable* m_phrases;
    std::uint32_t m_bufferSize;  // the TOPICPOS unit per block
    std::uint32_t m_blockCount;
    mutable std::map<std::uint32_t, std::string> m_cache;
};

inline bool IsEndOfChain(std::uint32_t pos)
{
    return pos == 0 || pos == 0xFFFFFFFFu;
}

// An error when the record's successor starts before the record ends.
Result<void> CheckNext(const TopicLink& link);

// The text of a text or table record as paragraphs, appended to `out`;
// formatting is skipped. `total` counts the bytes given out so far, capped
// at kMaxTopicText.
Result<void> AppendParagraphs(const TopicLink& link, std::vector<std::string>& out, std::size_t& total);
// The displayed character count of a text or table record (its TopicLength).
std::optional<std::uint32_t> TextLength(const TopicLink& link);

}  // namespace arbolith::help::winhelp
