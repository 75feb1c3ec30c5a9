// SPDX-License-Identifier: MIT
// The |TOPIC stream: topic blocks, their TOPICLINK records, and the text of
// a record as paragraphs (the formatting in LinkData1 is read only to know
// where one paragraph ends and the next begins).
#include "help/winhelp_internal.h"

namespace arbolith::help::winhelp {

namespace {

// More records than this in one walk is a damaged file, whatever the
// positions say.
constexpr std::size_t kMaxSteps = 1u << 20;
constexpr std::size_t kLinkHeader = 21;
constexpr std::size_t kMaxCachedBlocks = 64;

}  // namespace

TopicStream::TopicStream(Bytes file, std::uint32_t blockSize, bool compressed, const PhraseTable* phrases)
    : m_file(file),
      m_blockSize(blockSize),
      m_compressed(compressed),
      m_phrases(phrases),
      m_bufferSize(compressed ? static_cast<std::uint32_t>(kCompressedBlockBuffer) : blockSize - 12),
      m_blockCount(static_cast<std::uint32_t>((file.Size() + blockSize - 1) / blockSize))
{
}

Result<void> CheckNext(const TopicLink& link)
{
    // Records follow one another without overlapping, so a walk along them
    // reads every byte of the stream at most once.
    if (!IsEndOfChain(link.next) && link.next < link.end)
        return Damaged("|TOPIC: the record at " + std::to_string(link.pos) + " overlaps the next one");
    return Ok();
}

bool TopicStream::Split(std::uint32_t pos, std::uint32_t& block, std::uint32_t& at) const
{
    if (pos < 12) return false;
    block = (pos - 12) / m_bufferSize;
    at = (pos - 12) % m_bufferSize;
    return block < m_blockCount;
}

Result<std::uint32_t> TopicStream::BlockHeaderField(std::uint32_t block, std::size_t field) const
{
    std::uint32_t value = 0;
    if (block >= m_blockCount || !m_file.U32(std::size_t{block} * m_blockSize + field, value))
        return Damaged("|TOPIC: block " + std::to_string(block) + " is cut short");
    return value;
}

Result<const std::string*> TopicStream::Block(std::uint32_t block) const
{
    if (auto it = m_cache.find(block); it != m_cache.end()) return &it->second;
    if (block >= m_blockCount) return Damaged("|TOPIC: block " + std::to_string(block) + " lies past the end");
    Bytes raw = m_file.Sub(std::size_t{block} * m_blockSize, m_blockSize);
    if (raw.Size() < 12) return Damaged("|TOPIC: block " + std::to_string(block) + " is cut short");
    std::string data;
    if (m_compressed) {
        if (auto r = ExpandLz77(raw.View().substr(12), kCompressedBlockBuffer, data, true); !r)
            return r.error().In("|TOPIC block " + std::to_string(block));
    } else {
        data.assign(raw.View().substr(12));
    }
    if (m_cache.size() >= kMaxCachedBlocks) m_cache.clear();
    return &m_cache.emplace(block, std::move(data)).first->second;
}

Result<TopicLink> TopicStream::Read(std::uint32_t pos) const
{
    std::uint32_t block = 0, at = 0;
    if (!Split(pos, block, at))
        return Damaged("|TOPIC: record position " + std::to_string(pos) + " lies outside the topic blocks");
    // A record may run on into the following blocks; `end` is where it stops.
    std::uint32_t end = pos;
    auto gather = [&](std::size_t length, std::string& out) -> Result<void> {
        std::uint32_t b = block;
        std::size_t from = at;
        while (out.size() < length) {
            auto data = Block(b);
            if (!data) return data.error();
            if (from > data.value()->size())
                return Damaged("|TOPIC: record position " + std::to_string(pos) + " lies past its block's data");
            const std::size_t take = std::min(length - out.size(), data.value()->size() - from);
            out.append(*data.value(), from, take);
            end = b * m_bufferSize + static_cast<std::uint32_t>(from + take) + 12;
            if (out.size() == length) break;
            if (++b >= m_blockCount) return Damaged("|TOPIC: record at " + std::to_string(pos) + " runs past the end");
            from = 0;
        }
        return Ok();
    };
    std::string head;
    if (auto r = gather(kLinkHeader, head); !r) return r.error();
    Bytes h(head);
    std::uint32_t size = 0, length2 = 0, length1 = 0;
    TopicLink link;
    link.pos = pos;
    h.U32(0, size);
    h.U32(4, length2);
    h.U32(8, link.prev);
    h.U32(12, link.next);
    h.U32(16, length1);
    h.U8(20, link.type);
    const std::string where = "|TOPIC: record at " + std::to_string(pos);
    if (length1 < kLinkHeader || size < length1) return Damaged(where + " has impossible sizes");
    if (size > kMaxTopicText || length2 > kMaxTopicText) return Damaged(where + " is larger than a topic may be");
    std::string whole;
    if (auto r = gather(size, whole); !r) return r.error();
    link.end = end;
    link.data1 = whole.substr(kLinkHeader, length1 - kLinkHeader);
    std::string_view stored = std::string_view(whole).substr(length1);
    if (length2 <= stored.size()) {
        link.data2.assign(stored.substr(0, length2));
    } else if (m_phrases != nullptr) {
        if (auto r = ExpandPhrases(*m_phrases, stored, length2, link.data2); !r) return r.error().In(where);
    } else {
        return Damaged(where + " is phrase-compressed, but the file has no phrase table");
    }
    return link;
}

Result<std::uint32_t> TopicStream::FirstHeader() const
{
    auto first = BlockHeaderField(0, 4);
    if (!first) return first;
    std::uint32_t pos = first.value();
    for (std::size_t step = 0; step < kMaxSteps; ++step) {
        if (IsEndOfChain(pos)) break;
        auto link = Read(pos);
        if (!link) return link.error();
        if (link->type == kTopicHeader) return pos;
        if (auto r = CheckNext(link.value()); !r) return r.error();
        pos = link->next;
    }
    return Damaged("|TOPIC: the file holds no topic");
}

Result<std::uint32_t> TopicStream::HeaderForOffset(std::uint32_t offset) const
{
    const std::uint32_t block = offset >> 15;
    const std::uint32_t chars = offset & 0x7FFFu;
    const std::string where = "topic offset " + std::to_string(offset);
    if (block >= m_blockCount) return Damaged(where + " lies past the topic blocks");
    auto first = BlockHeaderField(block, 4);
    if (!first) return first;

    // Forward through the records that start in the block, counting the
    // characters shown, up to the one that holds the offset.
    std::optional<std::uint32_t> header;
    std::uint32_t count = 0;
    std::uint32_t pos = first.value();
    for (std::size_t step = 0; step < kMaxSteps; ++step) {
        std::uint32_t b = 0, at = 0;
        if (IsEndOfChain(pos) || !Split(pos, b, at) || b != block) break;
        auto link = Read(pos);
        if (!link) return link.error().In(where);
        if (link->type == kTopicHeader) {
            if (count > chars) break;
            header = pos;
            if (count == chars) return pos;
        } else if (link->type == kTextRecord || link->type == kTableRecord) {
            const std::uint32_t length = TextLength(link.value()).value_or(0);
            if (std::uint64_t{count} + length > chars) break;
            count += length;
        }
        if (auto r = CheckNext(link.value()); !r) return r.error();
        pos = link->next;
    }
    if (header) return *header;

    // The topic began in an earlier block: back from the last record
    // before this block to the nearest topic header.
    auto last = BlockHeaderField(block, 0);
    if (!last) return last;
    pos = last.value();
    std::optional<std::uint32_t> after;  // the record read before, which this one must end before
    for (std::size_t step = 0; step < kMaxSteps; ++step) {
        if (IsEndOfChain(pos)) break;
        auto link = Read(pos);
        if (!link) return link.error().In(where);
        if (after && link->end > *after)
            return Damaged("|TOPIC: records overlap walking back from " + std::to_string(*after));
        if (link->type == kTopicHeader) return pos;
        after = pos;
        pos = link->prev;
        if (!IsEndOfChain(pos) && pos >= *after)
            return Damaged("|TOPIC: records overlap walking back from " + std::to_string(*after));
    }
    return Damaged(where + " is in no topic");
}

namespace {

// LinkData1 as the text formatting reads it: plain and compressed numbers.
class Formatting {
public:
    explicit Formatting(std::string_view bytes) : m_b(bytes) {}

    bool AtEnd() const { return m_at >= m_b.Size(); }
    bool Skip(std::size_t n)
    {
        if (!m_b.Has(m_at, n)) return false;
        m_at += n;
        return true;
    }
    bool U8(std::uint8_t& out) { return m_b.U8(m_at, out) && Skip(1); }
    bool U16(std::uint16_t& out) { return m_b.U16(m_at, out) && Skip(2); }
    // One byte when even, two when odd; the value is unsigned, or less
    // `bias` (64 or 16384) when signed.
    bool CompressedShort(std::int32_t& out, bool isSigned)
    {
        std::uint8_t low = 0;
        if (!m_b.U8(m_at, low)) return false;
        if (!(low & 1u)) {
            out = low / 2 - (isSigned ? 64 : 0);
            return Skip(1);
        }
        std::uint16_t word = 0;
        if (!U16(word)) return false;
        out = word / 2 - (isSigned ? 16384 : 0);
        return true;
    }
    // Two bytes when even, four when odd.
    bool CompressedLong(std::uint32_t& out)
    {
        std::uint8_t low = 0;
        if (!m_b.U8(m_at, low)) return false;
        std::uint16_t word = 0;
        if (!(low & 1u)) {
            if (!U16(word)) return false;
            out = word / 2u;
            return true;
        }
        std::uint32_t value = 0;
        if (!m_b.U32(m_at, value)) return false;
        out = value / 2u;
        return Skip(4);
    }

private:
    Bytes m_b;
    std::size_t m_at = 0;
};

// Reads the fields before a text record's paragraphs: the sizes and, for a
// table, its columns.
bool ReadRecordStart(Formatting& f, std::uint8_t type, std::uint32_t* length)
{
    std::uint32_t topicSize = 0;
    if (!f.CompressedLong(topicSize)) return false;
    std::int32_t topicLength = 0;
    if (!f.CompressedShort(topicLength, false)) return false;
    if (length) *length = static_cast<std::uint32_t>(topicLength);
    if (type != kTableRecord) return true;
    std::uint8_t columns = 0, tableType = 0;
    if (!f.U8(columns) || !f.U8(tableType)) return false;
    if ((tableType == 0 || tableType == 2) && !f.Skip(2)) return false;
    return f.Skip(std::size_t{columns} * 4);
}

// The paragraph settings: which optional fields follow is in a bit set.
bool SkipParagraphInfo(Formatting& f)
{
    std::uint16_t bits = 0;
    if (!f.Skip(4) || !f.U16(bits)) return false;
    std::uint32_t ignoredLong = 0;
    std::int32_t ignored = 0;
    if ((bits & 0x0001u) && !f.CompressedLong(ignoredLong)) return false;
    for (std::uint16_t bit = 0x0002; bit <= 0x0040; bit <<= 1)
        if ((bits & bit) && !f.CompressedShort(ignored, true)) return false;
    if ((bits & 0x0100u) && !f.Skip(3)) return false;
    if (bits & 0x0200u) {
        std::int32_t stops = 0;
        if (!f.CompressedShort(stops, true) || stops < 0) return false;
        for (std::int32_t i = 0; i < stops; ++i) {
            std::int32_t stop = 0;
            if (!f.CompressedShort(stop, false)) return false;
            if ((stop & 0x4000) && !f.CompressedShort(ignored, false)) return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::uint32_t> TextLength(const TopicLink& link)
{
    Formatting f(link.data1);
    std::uint32_t length = 0;
    if (!ReadRecordStart(f, link.type, &length)) return std::nullopt;
    return length;
}

Result<void> AppendParagraphs(const TopicLink& link, std::vector<std::string>& out, std::size_t& total)
{
    const std::string where = "|TOPIC: text record at " + std::to_string(link.pos);
    const std::string_view text = link.data2;
    std::size_t textAt = 0;
    auto nextString = [&]() {
        if (textAt >= text.size()) return std::string_view();
        std::size_t nul = text.find('\0', textAt);
        if (nul == std::string_view::npos) nul = text.size();
        std::string_view s = text.substr(textAt, nul - textAt);
        textAt = nul + 1;
        return s;
    };
    std::string current;
    auto flush = [&]() -> Result<void> {
        if (current.find_first_not_of(" \t\n") != std::string::npos) {
            std::string paragraph = AnsiToUtf8(current);
            total += paragraph.size();
            if (total > kMaxTopicText)
                return Damaged(where + ": the topic's text is longer than " + std::to_string(kMaxTopicText) + " bytes");
            out.push_back(std::move(paragraph));
        }
        current.clear();
        return Ok();
    };
    auto cut = [&]() { return Damaged(where + ": its formatting runs past its end"); };

    Formatting f(link.data1);
    if (!ReadRecordStart(f, link.type, nullptr)) return cut();
    while (true) {
        if (link.type == kTableRecord) {
            std::uint16_t column = 0;
            if (!f.U16(column)) return cut();
            if (column == 0xFFFF) break;
            if (!f.Skip(3)) return cut();
        }
        if (!SkipParagraphInfo(f)) return cut();
        bool endOfFormatting = false;
        while (!endOfFormatting) {
            current += nextString();
            std::uint8_t op = 0;
            if (!f.U8(op)) return cut();
            std::uint16_t size = 0;
            std::uint32_t longSize = 0;
            std::int32_t ignored = 0;
            switch (op) {
                case 0xFF:
                    endOfFormatting = true;
                    break;
                case 0x20:
                case 0xE0:
                case 0xE1:
                case 0xE2:
                case 0xE3:
                case 0xE4:
                case 0xE5:
                case 0xE6:
                case 0xE7:
                    if (!f.Skip(4)) return cut();
                    break;
                case 0x21:
                case 0x80:
                    if (!f.Skip(2)) return cut();
                    break;
                case 0x81:
                    current += '\n';
                    break;
                case 0x82:
                    if (auto r = flush(); !r) return r;
                    break;
                case 0x83:
                    current += '\t';
                    break;
                case 0x86:
                case 0x87:
                case 0x88: {
                    std::uint8_t kind = 0;
                    if (!f.U8(kind) || !f.CompressedLong(longSize)) return cut();
                    if (kind == 0x22 && !f.CompressedShort(ignored, false)) return cut();
                    if (!f.Skip(longSize)) return cut();
                    break;
                }
                case 0x89:
                case 0x8C:
                    break;
                case 0x8B:
                    current += ' ';
                    break;
                case 0xC8:
                case 0xCC:
                    if (!f.U16(size) || size < 3 || !f.Skip(size - 3u)) return cut();
                    break;
                case 0xEA:
                case 0xEB:
                case 0xEE:
                case 0xEF:
                    if (!f.U16(size) || !f.Skip(size)) return cut();
                    break;
                default:
                    // Formatting this reader does not know: the rest of
                    // the text is kept, one paragraph per string.
                    if (auto r = flush(); !r) return r;
                    while (textAt < text.size()) {
                        current = nextString();
                        if (auto r = flush(); !r) return r;
                    }
                    return Ok();
            }
        }
        if (auto r = flush(); !r) return r;
        if (link.type != kTableRecord) break;
    }
    return Ok();
}

}  // namespace arbolith::help::winhelp
