// SPDX-License-Identifier: MIT
#include "help/hlp_writer.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>
#include <unordered_map>

namespace arbolith::test {

namespace {

void Put16(std::string& out, std::uint32_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Set32(std::string& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Compressed unsigned short: one byte for values below 128.
void PutShortC(std::string& out, std::uint32_t v)
{
    if (v < 128)
        out.push_back(static_cast<char>(v * 2));
    else
        Put16(out, std::min<std::uint32_t>(v, 32767) * 2 + 1);
}

// Compressed unsigned long: always the four-byte form.
void PutLongC(std::string& out, std::uint32_t v)
{
    Put32(out, v * 2 + 1);
}

std::string InternalFile(const std::string& content)
{
    std::string out;
    Put32(out, static_cast<std::uint32_t>(content.size() + 9));
    Put32(out, static_cast<std::uint32_t>(content.size()));
    out.push_back(4);
    return out + content;
}

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::string EncodeOld(std::string_view text, const std::vector<std::string>& phrases)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t best = phrases.size();
        for (std::size_t p = 0; p < phrases.size(); ++p)
            if (text.substr(i, phrases[p].size()) == phrases[p] &&
                (best == phrases.size() || phrases[p].size() > phrases[best].size()))
                best = p;
        if (best == phrases.size()) {
            assert(static_cast<unsigned char>(text[i]) == 0 || static_cast<unsigned char>(text[i]) > 15);
            out.push_back(text[i++]);
            continue;
        }
        i += phrases[best].size();
        std::uint32_t code = static_cast<std::uint32_t>(best) * 2;
        if (i < text.size() && text[i] == ' ') {
            ++code;
            ++i;
        }
        out.push_back(static_cast<char>((code >> 8) + 1));
        out.push_back(static_cast<char>(code & 0xFF));
    }
    return out;
}

std::string EncodeHall(std::string_view text, const std::vector<std::string>& phrases)
{
    std::string out, literal;
    auto flushLiteral = [&]() {
        for (std::size_t at = 0; at < literal.size(); at += 32) {
            std::size_t n = std::min<std::size_t>(32, literal.size() - at);
            out.push_back(static_cast<char>(((n - 1) << 3) | 3));
            out.append(literal, at, n);
        }
        literal.clear();
    };
    for (std::size_t i = 0; i < text.size();) {
        std::size_t best = phrases.size();
        for (std::size_t p = 0; p < phrases.size(); ++p)
            if (text.substr(i, phrases[p].size()) == phrases[p] &&
                (best == phrases.size() || phrases[p].size() > phrases[best].size()))
                best = p;
        if (best != phrases.size()) {
            flushLiteral();
            if (best < 128) {
                out.push_back(static_cast<char>(best * 2));
            } else {
                std::size_t n = best - 128;
                out.push_back(static_cast<char>(((n >> 8) << 2) | 1));
                out.push_back(static_cast<char>(n & 0xFF));
            }
            i += phrases[best].size();
        } else if (text[i] == '\0' || (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ')) {
            flushLiteral();
            const char fill = text[i];
            std::size_t n = 0;
            while (i < text.size() && text[i] == fill && n < 16) ++n, ++i;
            out.push_back(static_cast<char>(((n - 1) << 4) | (fill == ' ' ? 7 : 15)));
        } else {
            literal.push_back(text[i++]);
        }
    }
    flushLiteral();
    return out;
}

struct Link {
    std::uint8_t type = 0;
    std::string data1;  // after the 21-byte header
    std::string text;   // LinkData2 as shown
    std::string stored;
    std::size_t at = 0;  // offset in the uncompressed stream
    std::size_t topic = 0;
    std::size_t Size() const { return 21 + data1.size() + stored.size(); }
};

// One text record holding all of a topic's paragraphs with one paragraph
// format: strings in LinkData2, the commands between them in LinkData1.
Link TextRecord(const std::vector<std::string>& paragraphs)
{
    std::string commands, text;
    for (const std::string& paragraph : paragraphs) {
        std::string piece;
        for (char c : paragraph) {
            if (c == '\n' || c == '\t' || c == '\x01') {
                text += piece;
                text.push_back('\0');
                piece.clear();
                if (c == '\n') commands.push_back(static_cast<char>(0x81));
                if (c == '\t') commands.push_back(static_cast<char>(0x83));
                if (c == '\x01') commands += std::string("\x80\x01\x00", 3);  // font 1
            } else {
                piece.push_back(c);
            }
        }
        text += piece;
        text.push_back('\0');
        commands.push_back(static_cast<char>(0x82));
    }
    text.push_back('\0');
    commands.push_back(static_cast<char>(0xFF));

    Link link;
    link.type = 0x20;
    link.text = text;
    PutLongC(link.data1, static_cast<std::uint32_t>(text.size()));
    PutShortC(link.data1, static_cast<std::uint32_t>(text.size()));
    // Paragraph settings: spacing above and one right-aligned tab stop, so
    // a reader has optional fields to step over.
    link.data1 += std::string("\x00\x80\x00\x00", 4);
    Put16(link.data1, 0x0002 | 0x0200);
    link.data1.push_back(static_cast<char>((64 + 6) * 2));  // spacing above 6, signed
    link.data1.push_back(static_cast<char>((64 + 1) * 2));  // one tab stop
    Put16(link.data1, (0x4000 | 720) * 2 + 1);
    link.data1.push_back(static_cast<char>(1 * 2));  // right-aligned
    link.data1 += commands;
    return link;
}

std::string LittleTree(const std::vector<std::pair<std::string, std::string>>& entries, std::uint16_t pageSize)
{
    return BuildBTree(entries, pageSize, false);
}

}  // namespace

std::string CompressLz77(std::string_view data)
{
    std::string out;
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> seen;
    auto key = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(data[i + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(data[i + 2])) << 16;
    };
    std::size_t i = 0;
    while (i < data.size()) {
        const std::size_t control = out.size();
        out.push_back(0);
        for (int bit = 0; bit < 8 && i < data.size(); ++bit) {
            std::size_t bestLength = 0, bestDistance = 0;
            if (i + 3 <= data.size()) {
                auto it = seen.find(key(i));
                if (it != seen.end()) {
                    const auto& candidates = it->second;
                    std::size_t tries = 0;
                    for (auto c = candidates.rbegin(); c != candidates.rend() && tries < 64; ++c, ++tries) {
                        if (i - *c > 4096) break;
                        std::size_t n = 0;
                        while (n < 18 && i + n < data.size() && data[*c + n] == data[i + n]) ++n;
                        if (n > bestLength) bestLength = n, bestDistance = i - *c;
                    }
                }
            }
            const std::size_t step = bestLength >= 3 ? bestLength : 1;
            if (bestLength >= 3) {
                out[control] = static_cast<char>(out[control] | (1 << bit));
                Put16(out, static_cast<std::uint32_t>(((bestLength - 3) << 12) | (bestDistance - 1)));
            } else {
                out.push_back(data[i]);
            }
            for (std::size_t k = 0; k < step; ++k, ++i)
                if (i + 3 <= data.size()) seen[key(i)].push_back(i);
        }
    }
    return out;
}

std::string BuildBTree(const std::vector<std::pair<std::string, std::string>>& entries, std::uint16_t pageSize,
                       bool directory)
{
    struct Page {
        std::string body;
        std::uint16_t count = 0;
        std::string firstKey;
    };
    std::vector<std::string> pages;
    // Leaves.
    std::vector<Page> leaves(1);
    for (const auto& [key, rest] : entries) {
        const std::string entry = key + rest;
        if (8 + leaves.back().body.size() + entry.size() > pageSize) leaves.emplace_back();
        if (leaves.back().count == 0) leaves.back().firstKey = key;
        leaves.back().body += entry;
        ++leaves.back().count;
    }
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        std::string page;
        Put16(page, static_cast<std::uint32_t>(pageSize - 8 - leaves[i].body.size()));
        Put16(page, leaves[i].count);
        Put16(page, i == 0 ? 0xFFFF : static_cast<std::uint32_t>(i - 1));
        Put16(page, i + 1 == leaves.size() ? 0xFFFF : static_cast<std::uint32_t>(i + 1));
        page += leaves[i].body;
        page.resize(pageSize, '\0');
        pages.push_back(page);
    }
    // Index levels over them, until one page is left.
    std::vector<std::pair<std::string, std::size_t>> level;  // first key, page number
    for (std::size_t i = 0; i < leaves.size(); ++i) level.emplace_back(leaves[i].firstKey, i);
    int levels = 1;
    while (level.size() > 1) {
        std::vector<std::pair<std::string, std::size_t>> up;
        std::size_t i = 0;
        while (i < level.size()) {
            std::string body;
            std::uint16_t count = 0;
            const std::size_t first = i++;
            while (i < level.size() && 6 + body.size() + level[i].first.size() + 2 <= pageSize) {
                body += level[i].first;
                Put16(body, static_cast<std::uint32_t>(level[i].second));
                ++count, ++i;
            }
            std::string page;
            Put16(page, static_cast<std::uint32_t>(pageSize - 6 - body.size()));
            Put16(page, count);
            Put16(page, static_cast<std::uint32_t>(level[first].second));
            page += body;
            page.resize(pageSize, '\0');
            up.emplace_back(level[first].first, pages.size());
            pages.push_back(page);
        }
        level = up;
        ++levels;
    }
    std::string out;
    Put16(out, 0x293B);
    Put16(out, directory ? 0x0402 : 0x0002);
    Put16(out, pageSize);
    std::string structure = directory ? "z4" : "L4";
    structure.resize(16, '\0');
    out += structure;
    Put16(out, 0);                                            // must be zero
    Put16(out, 0);                                            // page splits
    Put16(out, static_cast<std::uint32_t>(level[0].second));  // root
    Put16(out, 0xFFFF);
    Put16(out, static_cast<std::uint32_t>(pages.size()));
    Put16(out, static_cast<std::uint32_t>(levels));
    Put32(out, static_cast<std::uint32_t>(entries.size()));
    for (const std::string& page : pages) out += page;
    return out;
}

HlpImage WriteHlp(const std::vector<HlpTopic>& topics, const HlpOptions& options)
{
    const bool compressed = options.compression != HlpCompression::None;
    const std::uint32_t blockSize = options.compression == HlpCompression::Lz77SmallBlocks ? 2048 : 4096;
    // Uncompressed bytes per block: all of it when stored, or little enough
    // that LZ77 (at worst 9 bytes for 8) still fits the block.
    const std::size_t perBlock = compressed ? (blockSize - 12) * 8 / 9 - 16 : blockSize - 12;
    const std::size_t unit = compressed ? 16384 : blockSize - 12;  // TOPICPOS per block
    auto topicPos = [&](std::size_t at) {
        return static_cast<std::uint32_t>(at / perBlock * unit + at % perBlock + 12);
    };
    for (const std::string& phrase : options.phraseList)
        if (phrase.size() < 3) throw std::invalid_argument("phrases are at least 3 bytes long");

    // The records, laid out one after the other. Stored blocks are exact,
    // so records run on from one block into the next; a compressed block
    // may end in zero padding (it expands to zero bytes nobody reads), so
    // there a record that does not fit what is left starts the next block
    // and long texts are split over several records.
    const std::size_t recordLimit = compressed ? perBlock : ~std::size_t{0};
    std::vector<Link> links;
    for (std::size_t t = 0; t < topics.size(); ++t) {
        Link header;
        header.type = 0x02;
        header.text = topics[t].title + std::string(1, '\0');
        header.data1.assign(28, '\0');
        header.topic = t;
        links.push_back(header);
        std::vector<std::string> chunk;
        std::size_t chunkSize = 0;
        auto flushChunk = [&](bool always) {
            if (chunk.empty() && !always) return;
            links.push_back(TextRecord(chunk));
            links.back().topic = t;
            chunk.clear();
            chunkSize = 0;
        };
        for (const std::string& paragraph : topics[t].paragraphs) {
            if (chunkSize + paragraph.size() + 64 > recordLimit / 2) flushChunk(false);
            chunk.push_back(paragraph);
            chunkSize += paragraph.size() + 8;
        }
        flushChunk(true);  // every topic has a text record, so each has its own offset
    }
    std::size_t at = 0;
    for (Link& link : links) {
        if (options.phrases == HlpPhrases::Old)
            link.stored = EncodeOld(link.text, options.phraseList);
        else if (options.phrases == HlpPhrases::Hall)
            link.stored = EncodeHall(link.text, options.phraseList);
        if (link.stored.empty() || link.stored.size() >= link.text.size()) link.stored = link.text;
        if (link.Size() > recordLimit) throw std::invalid_argument("a paragraph is too long for a compressed block");
        if (compressed && at % perBlock + link.Size() > perBlock) at += perBlock - at % perBlock;
        link.at = at;
        at += link.Size();
    }
    const std::size_t streamSize = at;

    // Topic offsets: the block of the header and the characters shown
    // before it in that block.
    HlpImage image;
    std::vector<std::uint32_t> headerPos(topics.size());
    {
        std::size_t block = ~std::size_t{0};
        std::uint32_t chars = 0;
        for (const Link& link : links) {
            if (link.at / perBlock != block) block = link.at / perBlock, chars = 0;
            if (link.type == 0x02) {
                image.topicOffsets.push_back(static_cast<std::uint32_t>(block << 15 | chars));
                headerPos[link.topic] = topicPos(link.at);
            } else {
                chars += static_cast<std::uint32_t>(link.text.size());
            }
        }
    }
    std::string stream;
    for (std::size_t i = 0; i < links.size(); ++i) {
        Link& link = links[i];
        if (link.type == 0x02) {
            std::size_t nextHeader = link.topic + 1;
            Set32(link.data1, 0, static_cast<std::uint32_t>(link.Size()));
            Set32(link.data1, 4, kNone);
            Set32(link.data1, 8, kNone);
            Set32(link.data1, 12, static_cast<std::uint32_t>(link.topic));
            Set32(link.data1, 16, kNone);
            Set32(link.data1, 20, i + 1 < links.size() ? topicPos(links[i + 1].at) : kNone);
            Set32(link.data1, 24, nextHeader < topics.size() ? headerPos[nextHeader] : kNone);
        }
        stream.resize(link.at, '\0');
        Put32(stream, static_cast<std::uint32_t>(link.Size()));
        Put32(stream, static_cast<std::uint32_t>(link.text.size()));
        Put32(stream, i == 0 ? kNone : topicPos(links[i - 1].at));
        Put32(stream, i + 1 < links.size() ? topicPos(links[i + 1].at) : kNone);
        Put32(stream, static_cast<std::uint32_t>(21 + link.data1.size()));
        stream.push_back(static_cast<char>(link.type));
        stream += link.data1 + link.stored;
    }

    // The blocks.
    std::string topicFile;
    const std::size_t blocks = std::max<std::size_t>(1, (streamSize + perBlock - 1) / perBlock);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t begin = b * perBlock, end = begin + perBlock;
        std::uint32_t lastLink = kNone, firstLink = kNone, lastHeader = kNone;
        for (const Link& link : links) {
            if (link.at < begin) lastLink = topicPos(link.at);
            if (link.at >= begin && link.at < end && firstLink == kNone) firstLink = topicPos(link.at);
            if (link.at < end && link.type == 0x02) lastHeader = topicPos(link.at);
        }
        std::string block;
        Put32(block, lastLink);
        Put32(block, firstLink);
        Put32(block, lastHeader);
        std::string data = stream.substr(std::min(begin, stream.size()), perBlock);
        block += compressed ? CompressLz77(data) : data;
        if (block.size() > blockSize) throw std::logic_error("topic block overflows");
        if (b + 1 < blocks) block.resize(blockSize, '\0');
        topicFile += block;
    }

    std::map<std::string, std::string> files;
    files["|TOPIC"] = topicFile;

    std::string system;
    Put16(system, 0x036C);
    Put16(system, options.minor);
    Put16(system, 1);
    Put32(system, 0);
    const std::uint16_t flags = options.compression == HlpCompression::None   ? 0
                                : options.compression == HlpCompression::Lz77 ? 4
                                                                              : 8;
    Put16(system, options.minor <= 16 ? 0 : flags);
    if (options.minor <= 16) {
        system += options.title + std::string(1, '\0');
    } else {
        Put16(system, 1);
        Put16(system, static_cast<std::uint32_t>(options.title.size() + 1));
        system += options.title + std::string(1, '\0');
        if (options.contentsTopic) {
            Put16(system, 3);
            Put16(system, 4);
            Put32(system, image.topicOffsets.at(*options.contentsTopic));
        }
    }
    files["|SYSTEM"] = system;

    std::string map;
    std::uint16_t mapped = 0;
    for (std::size_t t = 0; t < topics.size(); ++t) {
        if (topics[t].context == 0) continue;
        Put32(map, topics[t].context);
        Put32(map, image.topicOffsets[t]);
        ++mapped;
    }
    std::string mapFile;
    Put16(mapFile, mapped);
    files["|CTXOMAP"] = mapFile + map;

    std::vector<std::pair<std::string, std::string>> titles;
    for (std::size_t t = 0; t < topics.size(); ++t) {
        std::string key;
        Put32(key, image.topicOffsets[t]);
        titles.emplace_back(key, topics[t].title + std::string(1, '\0'));
    }
    std::stable_sort(titles.begin(), titles.end(), [](const auto& a, const auto& b) {
        auto value = [](const std::string& k) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(k[0])) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(k[1])) << 8 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(k[2])) << 16 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(k[3])) << 24;
        };
        return value(a.first) < value(b.first);
    });
    files["|TTLBTREE"] = LittleTree(titles, options.treePageSize);

    std::map<std::string, std::vector<std::uint32_t>> keywords;
    for (std::size_t t = 0; t < topics.size(); ++t)
        for (const std::string& keyword : topics[t].keywords) keywords[keyword].push_back(image.topicOffsets[t]);
    if (!keywords.empty()) {
        std::vector<std::pair<std::string, std::string>> entries;
        std::string data;
        for (const auto& [keyword, offsets] : keywords) {
            std::string rest;
            Put16(rest, static_cast<std::uint32_t>(offsets.size()));
            Put32(rest, static_cast<std::uint32_t>(data.size()));
            for (std::uint32_t offset : offsets) Put32(data, offset);
            entries.emplace_back(keyword + std::string(1, '\0'), rest);
        }
        files["|KWBTREE"] = LittleTree(entries, options.treePageSize);
        files["|KWDATA"] = data;
    }

    if (options.phrases != HlpPhrases::None) {
        std::string all;
        std::vector<std::uint32_t> lengths;
        for (const std::string& phrase : options.phraseList) all += phrase;
        if (options.phrases == HlpPhrases::Old) {
            std::string file;
            const auto count = static_cast<std::uint32_t>(options.phraseList.size());
            Put16(file, count);
            Put16(file, 0x0100);
            Put32(file, static_cast<std::uint32_t>(all.size()));
            std::uint32_t offset = 2 * (count + 1);
            Put16(file, offset);
            for (const std::string& phrase : options.phraseList) Put16(file, offset += phrase.size());
            files["|Phrases"] = file + CompressLz77(all);
        } else {
            std::string bits;
            std::size_t bit = 0;
            auto putBit = [&](bool value) {
                if (bit % 8 == 0) bits.push_back('\0');
                if (value) bits.back() = static_cast<char>(bits.back() | (1 << (bit % 8)));
                ++bit;
            };
            for (const std::string& phrase : options.phraseList) {
                const std::size_t v = phrase.size() - 1;
                for (std::size_t q = 0; q < (v >> 4); ++q) putBit(true);
                putBit(false);
                for (int b = 0; b < 4; ++b) putBit((v >> b) & 1u);
            }
            bits.resize((bits.size() + 3) / 4 * 4, '\0');
            bits.append((options.phraseList.size() + 31) / 32 * 4, '\0');  // the per-phrase flags
            std::string packed = CompressLz77(all);
            if (packed.size() == all.size()) packed = all;
            std::string index;
            Put32(index, 1);
            Put32(index, static_cast<std::uint32_t>(options.phraseList.size()));
            Put32(index, static_cast<std::uint32_t>(bits.size()));
            Put32(index, static_cast<std::uint32_t>(all.size()));
            Put32(index, static_cast<std::uint32_t>(packed.size()));
            Put32(index, 0);
            Put16(index, 4);
            Put16(index, 0x4A00);
            files["|PhrIndex"] = index + bits;
            files["|PhrImage"] = packed;
        }
    }

    // The file: header, internal files, directory last.
    std::string out(16, '\0');
    std::vector<std::pair<std::string, std::string>> directory;
    for (const auto& [name, content] : files) {
        image.files[name] = out.size();
        std::string offset;
        Put32(offset, static_cast<std::uint32_t>(out.size()));
        directory.emplace_back(name + std::string(1, '\0'), offset);
        out += InternalFile(content);
    }
    const std::size_t directoryAt = out.size();
    image.files["(directory)"] = directoryAt;
    out += InternalFile(BuildBTree(directory, 1024, true));
    Set32(out, 0, 0x00035F3F);
    Set32(out, 4, static_cast<std::uint32_t>(directoryAt));
    Set32(out, 8, kNone);
    Set32(out, 12, static_cast<std::uint32_t>(out.size()));
    image.bytes = std::move(out);
    return image;
}

}  // namespace arbolith::test
