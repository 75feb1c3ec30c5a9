// SPDX-License-Identifier: MIT
// The WinHelp reader's building blocks: byte reads, LZ77, the B+ tree walk,
// phrase tables and the ANSI to UTF-8 step.
#include "help/winhelp_internal.h"

#include <set>

namespace arbolith::help::winhelp {

bool Bytes::U8(std::size_t off, std::uint8_t& out) const
{
    if (!Has(off, 1)) return false;
    out = static_cast<std::uint8_t>(m_b[off]);
    return true;
}

bool Bytes::U16(std::size_t off, std::uint16_t& out) const
{
    if (!Has(off, 2)) return false;
    out =
        static_cast<std::uint16_t>(static_cast<std::uint8_t>(m_b[off]) | static_cast<std::uint8_t>(m_b[off + 1]) << 8);
    return true;
}

bool Bytes::U32(std::size_t off, std::uint32_t& out) const
{
    if (!Has(off, 4)) return false;
    out = 0;
    for (int i = 3; i >= 0; --i) out = out << 8 | static_cast<std::uint8_t>(m_b[off + static_cast<std::size_t>(i)]);
    return true;
}

bool Bytes::CString(std::size_t off, std::string_view& out, std::size_t& next) const
{
    if (off >= m_b.size()) return false;
    std::size_t nul = m_b.find('\0', off);
    if (nul == std::string_view::npos) return false;
    out = m_b.substr(off, nul - off);
    next = nul + 1;
    return true;
}

Bytes Bytes::Sub(std::size_t off, std::size_t len) const
{
    if (off > m_b.size()) return Bytes();
    return Bytes(m_b.substr(off, len));
}

Result<void> ExpandLz77(std::string_view in, std::size_t limit, std::string& out, bool ignoreZeroTail)
{
    const std::size_t start = out.size();
    std::size_t i = 0;
    auto full = [&](std::size_t from) -> Result<void> {
        if (ignoreZeroTail && in.find_first_not_of('\0', from) == std::string_view::npos) return Ok();
        return Damaged("compressed data expands past its " + std::to_string(limit) + "-byte buffer");
    };
    while (i < in.size()) {
        const auto control = static_cast<std::uint8_t>(in[i++]);
        for (int bit = 0; bit < 8 && i < in.size(); ++bit) {
            const std::size_t produced = out.size() - start;
            if (!(control & (1u << bit))) {
                if (produced >= limit) return full(i);
                out.push_back(in[i++]);
                continue;
            }
            if (in.size() - i < 2) return Damaged("compressed data ends inside a back-reference");
            const std::uint16_t word = static_cast<std::uint16_t>(static_cast<std::uint8_t>(in[i]) |
                                                                  static_cast<std::uint8_t>(in[i + 1]) << 8);
            i += 2;
            const std::size_t distance = (word & 0x0FFFu) + 1u;
            const std::size_t length = (word >> 12) + 3u;
            if (distance > produced) return Damaged("compressed data refers back before its start");
            if (length > limit - std::min(limit, produced)) return full(i - 2);
            // Byte by byte: a reference may overlap the bytes it produces.
            std::size_t from = out.size() - distance;
            for (std::size_t n = 0; n < length; ++n) out.push_back(out[from + n]);
        }
    }
    return Ok();
}

Result<void> ForEachLeafEntry(Bytes tree, std::string_view what,
                              const std::function<bool(const Bytes& page, std::size_t& at)>& entry)
{
    const std::string name(what);
    std::uint16_t magic = 0, pageSize = 0, root = 0, levels = 0;
    std::uint32_t entries = 0;
    if (!tree.U16(0, magic) || !tree.U16(4, pageSize) || !tree.U16(26, root) || !tree.U16(32, levels) ||
        !tree.U32(34, entries))
        return Damaged(name + ": B+ tree header is cut short");
    if (magic != 0x293B) return Damaged(name + ": not a B+ tree (wrong magic)");
    if (pageSize < 16) return Damaged(name + ": B+ tree page size " + std::to_string(pageSize) + " is too small");
    const auto signedLevels = static_cast<std::int16_t>(levels);
    if (signedLevels <= 0 || entries == 0) return Ok();  // an empty tree
    if (signedLevels > 16) return Damaged(name + ": B+ tree claims " + std::to_string(signedLevels) + " levels");
    const std::size_t pageCount = (tree.Size() - std::min<std::size_t>(tree.Size(), 38)) / pageSize;
    auto page = [&](std::uint16_t number, Bytes& out) -> Result<void> {
        if (static_cast<std::int16_t>(number) < 0 || number >= pageCount)
            return Damaged(name + ": B+ tree page " + std::to_string(static_cast<std::int16_t>(number)) +
                           " lies past the end of the tree");
        out = tree.Sub(38 + std::size_t{number} * pageSize, pageSize);
        return Ok();
    };

    // Down the leftmost children to the first leaf.
    std::uint16_t current = root;
    std::set<std::uint16_t> seen;
    for (int level = 1; level < signedLevels; ++level) {
        Bytes index;
        if (auto r = page(current, index); !r) return r;
        if (!seen.insert(current).second) return Damaged(name + ": B+ tree index pages form a loop");
        index.U16(4, current);
    }
    // Along the chain of leaves.
    seen.clear();
    while (true) {
        Bytes leaf;
        if (auto r = page(current, leaf); !r) return r;
        if (!seen.insert(current).second) return Damaged(name + ": B+ tree leaf pages form a loop");
        std::uint16_t count = 0, next = 0;
        leaf.U16(2, count);
        leaf.U16(6, next);
        if (static_cast<std::int16_t>(count) < 0) return Damaged(name + ": B+ tree page has a negative entry count");
        std::size_t at = 8;
        for (std::uint16_t n = 0; n < count; ++n) {
            const std::size_t before = at;
            if (!entry(leaf, at) || at <= before)
                return Damaged(name + ": B+ tree entry " + std::to_string(n) + " of page " + std::to_string(current) +
                               " runs past its page");
        }
        if (static_cast<std::int16_t>(next) == -1) return Ok();
        current = next;
    }
}

Result<PhraseTable> ReadOldPhrases(Bytes file, bool compressed)
{
    std::uint16_t count = 0, hundred = 0;
    if (!file.U16(0, count) || !file.U16(2, hundred)) return Damaged("|Phrases: header is cut short");
    if (hundred != 0x0100) return Damaged("|Phrases: unknown layout (this help file's phrase table is not supported)");
    std::size_t at = 4;
    std::uint32_t expandedSize = 0;
    if (compressed) {
        if (!file.U32(4, expandedSize)) return Damaged("|Phrases: header is cut short");
        at = 8;
    }
    const std::size_t tableBytes = (std::size_t{count} + 1) * 2;
    if (!file.Has(at, tableBytes))
        return Damaged("|Phrases: " + std::to_string(count) + " phrases do not fit the file");
    PhraseTable table;
    table.kind = PhraseTable::Kind::Old;
    std::uint16_t first = 0;
    file.U16(at, first);
    for (std::size_t i = 0; i <= count; ++i) {
        std::uint16_t offset = 0;
        file.U16(at + 2 * i, offset);
        if (offset < first || (i > 0 && static_cast<std::uint32_t>(offset - first) < table.offsets.back()))
            return Damaged("|Phrases: phrase offsets are out of order");
        table.offsets.push_back(offset - first);
    }
    std::string_view rest = file.View().substr(at + tableBytes);
    if (compressed) {
        // LZ77 gives at most 18 bytes for every 2 it reads (plus control bytes).
        if (expandedSize > kMaxPhraseBytes || expandedSize > rest.size() * 9 + 16)
            return Damaged("|Phrases: expanded size " + std::to_string(expandedSize) + " is impossible");
        if (auto r = ExpandLz77(rest, expandedSize, table.bytes); !r) return r.error().In("|Phrases");
    } else {
        table.bytes.assign(rest);
    }
    if (table.offsets.back() > table.bytes.size()) return Damaged("|Phrases: phrases run past the phrase text");
    return table;
}

namespace {

// Bits taken least significant first from consecutive bytes (which is the
// same as 32-bit little-endian words read from their low bit).
class BitReader {
public:
    explicit BitReader(std::string_view bytes) : m_bytes(bytes) {}
    bool Next(bool& bit)
    {
        if (m_bit / 8 >= m_bytes.size()) return false;
        bit = (static_cast<std::uint8_t>(m_bytes[m_bit / 8]) >> (m_bit % 8)) & 1u;
        ++m_bit;
        return true;
    }

private:
    std::string_view m_bytes;
    std::size_t m_bit = 0;
};

}  // namespace

Result<PhraseTable> ReadHallPhrases(Bytes index, Bytes image)
{
    std::uint32_t magic = 0, count = 0, compressedSize = 0, imageSize = 0, imageCompressed = 0;
    std::uint16_t bitsField = 0;
    if (!index.U32(0, magic) || !index.U32(4, count) || !index.U32(8, compressedSize) || !index.U32(12, imageSize) ||
        !index.U32(16, imageCompressed) || !index.U16(24, bitsField) || !index.Has(26, 2))
        return Damaged("|PhrIndex: header is cut short");
    if (magic != 1) return Damaged("|PhrIndex: wrong magic");
    const unsigned bitCount = bitsField & 0x0Fu;
    if (bitCount > 5) return Damaged("|PhrIndex: unknown length coding");
    std::string_view bits = index.View().substr(28);
    // Each phrase length takes at least one bit.
    if (count > bits.size() * 8) return Damaged("|PhrIndex: " + std::to_string(count) + " phrases do not fit the file");

    PhraseTable table;
    table.kind = PhraseTable::Kind::Hall;
    table.offsets.reserve(std::size_t{count} + 1);
    table.offsets.push_back(0);
    BitReader reader(bits);
    std::uint64_t offset = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint64_t length = 1;
        bool bit = false;
        while (true) {
            if (!reader.Next(bit)) return Damaged("|PhrIndex: phrase lengths are cut short");
            if (!bit) break;
            length += 1u << bitCount;
            if (length > imageSize) return Damaged("|PhrIndex: a phrase is longer than all phrases together");
        }
        for (unsigned b = 0; b < bitCount; ++b) {
            if (!reader.Next(bit)) return Damaged("|PhrIndex: phrase lengths are cut short");
            if (bit) length += 1u << b;
        }
        offset += length;
        if (offset > imageSize) return Damaged("|PhrIndex: phrases run past the phrase image");
        table.offsets.push_back(static_cast<std::uint32_t>(offset));
    }

    if (imageSize > kMaxPhraseBytes) return Damaged("|PhrImage: size " + std::to_string(imageSize) + " is too large");
    if (imageCompressed == imageSize) {
        if (image.Size() < imageSize) return Damaged("|PhrImage: cut short");
        table.bytes.assign(image.View().substr(0, imageSize));
    } else {
        std::string_view packed = image.View().substr(0, std::min<std::size_t>(image.Size(), imageCompressed));
        if (imageSize > packed.size() * 9 + 16)
            return Damaged("|PhrImage: expanded size " + std::to_string(imageSize) + " is impossible");
        if (auto r = ExpandLz77(packed, imageSize, table.bytes); !r) return r.error().In("|PhrImage");
        if (table.bytes.size() < imageSize) return Damaged("|PhrImage: expands to less than its stated size");
    }
    return table;
}

Result<void> ExpandPhrases(const PhraseTable& table, std::string_view in, std::size_t limit, std::string& out)
{
    auto emit = [&](std::string_view text) -> Result<void> {
        if (text.size() > limit - std::min(limit, out.size()))
            return Damaged("phrase-compressed text expands past its stated length");
        out.append(text);
        return Ok();
    };
    auto phrase = [&](std::size_t number, std::string_view& text) -> Result<void> {
        if (number >= table.Count())
            return Damaged("text refers to phrase " + std::to_string(number) + " of " + std::to_string(table.Count()));
        // The readers build tables in order and within their bytes; a
        // table that is not stays an error, never a read outside it.
        if (table.offsets[number] > table.offsets[number + 1] || table.offsets[number + 1] > table.bytes.size())
            return Damaged("phrase " + std::to_string(number) + " lies outside the phrase table");
        text = std::string_view(table.bytes)
                   .substr(table.offsets[number], table.offsets[number + 1] - table.offsets[number]);
        return Ok();
    };
    std::size_t i = 0;
    while (i < in.size()) {
        const auto ch = static_cast<std::uint8_t>(in[i++]);
        std::string_view text;
        if (table.kind == PhraseTable::Kind::Old) {
            if (ch == 0 || ch > 15) {
                if (auto r = emit(std::string_view(&in[i - 1], 1)); !r) return r;
                continue;
            }
            if (i >= in.size()) return Damaged("phrase reference is cut short");
            const std::size_t code = (std::size_t{ch} - 1) * 256 + static_cast<std::uint8_t>(in[i++]);
            if (auto r = phrase(code / 2, text); !r) return r;
            if (auto r = emit(text); !r) return r;
            if (code & 1u)
                if (auto r = emit(" "); !r) return r;
            continue;
        }
        if ((ch & 1u) == 0) {
            if (auto r = phrase(ch / 2u, text); !r) return r;
            if (auto r = emit(text); !r) return r;
        } else if ((ch & 3u) == 1) {
            if (i >= in.size()) return Damaged("phrase reference is cut short");
            const std::size_t number = (std::size_t{ch} >> 2) * 256 + 128 + static_cast<std::uint8_t>(in[i++]);
            if (auto r = phrase(number, text); !r) return r;
            if (auto r = emit(text); !r) return r;
        } else if ((ch & 7u) == 3) {
            const std::size_t n = (ch >> 3) + 1u;
            if (in.size() - i < n) return Damaged("literal run is cut short");
            if (auto r = emit(in.substr(i, n)); !r) return r;
            i += n;
        } else {
            const char fill = (ch & 15u) == 7 ? ' ' : '\0';
            if (auto r = emit(std::string((ch >> 4) + 1u, fill)); !r) return r;
        }
    }
    return Ok();
}

std::string AnsiToUtf8(std::string_view ansi)
{
    // Windows-1252 0x80..0x9F; the five unassigned bytes stay U+FFFD.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out.push_back(c);
            continue;
        }
        const unsigned code = b < 0xA0 ? kHigh[b - 0x80] : b;
        if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code >> 6));
        } else {
            out.push_back(static_cast<char>(0xE0 | code >> 12));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        }
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
    return out;
}

}  // namespace arbolith::help::winhelp
