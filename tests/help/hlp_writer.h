// SPDX-License-Identifier: MIT
// Builds small WinHelp (.hlp) files for the reader's tests and fuzzing
// seeds: no tool on Linux writes them. The file holds the internal
// directory, |SYSTEM, |CTXOMAP, |TTLBTREE, |KWBTREE/|KWDATA and |TOPIC with
// one topic header and one text record per topic; optionally LZ77-compressed
// topic blocks and either kind of phrase table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::test {

struct HlpTopic {
    std::uint32_t context = 0;  // its [MAP] number; 0 puts it in no |CTXOMAP entry
    std::string title;
    // Text in the ANSI code page. '\n' is written as a line break, '\t' as
    // a tab and '\x01' as a font change (formatting between two strings).
    std::vector<std::string> paragraphs;
    std::vector<std::string> keywords;
};

enum class HlpCompression { None, Lz77, Lz77SmallBlocks };
enum class HlpPhrases { None, Old, Hall };

struct HlpOptions {
    std::string title = "Arbolith test help";
    std::uint16_t minor = 21;  // 15 writes a Windows 3.0 |SYSTEM
    HlpCompression compression = HlpCompression::None;
    HlpPhrases phrases = HlpPhrases::None;
    std::vector<std::string> phraseList;       // each at least 3 bytes long
    std::optional<std::size_t> contentsTopic;  // index of the topic |SYSTEM names as contents
    std::uint16_t treePageSize = 2048;         // |TTLBTREE and |KWBTREE; small sizes give several levels
};

struct HlpImage {
    std::string bytes;
    std::map<std::string, std::size_t> files;  // where each internal file's 9-byte header starts
    std::vector<std::uint32_t> topicOffsets;   // each topic's TOPICOFFSET
};

HlpImage WriteHlp(const std::vector<HlpTopic>& topics, const HlpOptions& options = {});

// The help compiler's LZ77, for tests of the expander.
std::string CompressLz77(std::string_view data);

// A B+ tree over `entries` (key bytes, then the rest of a leaf entry),
// already in key order; index entries are the key and a page number.
std::string BuildBTree(const std::vector<std::pair<std::string, std::string>>& entries, std::uint16_t pageSize,
                       bool directory);

}  // namespace arbolith::test
