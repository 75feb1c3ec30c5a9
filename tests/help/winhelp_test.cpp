// SPDX-License-Identifier: MIT
// The WinHelp reader over files the test-side writer makes: topics by
// context number, keyword and contents in every storage variant, the kept
// fixtures, and damaged files, which must fail with a message naming the
// file and never crash.
#include <gtest/gtest.h>

#include <random>

#include "help/hlp_fixtures.h"
#include "help/hlp_writer.h"
#include "help/winhelp.h"
#include "help/winhelp_internal.h"
#include "support/temp_dir.h"

namespace arbolith::help {
namespace {

namespace fs = std::filesystem;
using test::HlpCompression;
using test::HlpOptions;
using test::HlpPhrases;
using test::HlpTopic;

const fs::path kFixtures = fs::path(ARBOLITH_TEST_DATA) / "help" / "winhelp";

// What the reader should give for a topic: formatting markers gone, text
// in UTF-8.
std::vector<std::string> Shown(const HlpTopic& topic)
{
    std::vector<std::string> out;
    for (std::string p : topic.paragraphs) {
        std::erase(p, '\x01');
        out.push_back(winhelp::AnsiToUtf8(p));
    }
    return out;
}

WinHelpFile Open(const std::string& bytes)
{
    auto file = WinHelpFile::FromBytes(bytes, "test.hlp");
    EXPECT_TRUE(file) << file.error().description;
    if (!file) throw std::runtime_error(file.error().description);
    return std::move(file.value());
}

TEST(WinHelp, EveryVariantGivesEveryTopic)
{
    const auto topics = test::FixtureTopics();
    for (const test::HlpFixture& fixture : test::HlpFixtures()) {
        SCOPED_TRACE(fixture.fileName);
        WinHelpFile file = Open(test::WriteHlp(topics, fixture.options).bytes);
        EXPECT_EQ(file.Title(), "Arbolith test help");
        EXPECT_EQ(file.ContextNumbers(), (std::vector<std::uint32_t>{10, 20, 30, 40}));
        for (const HlpTopic& expected : topics) {
            auto topic = file.TopicForContext(expected.context);
            ASSERT_TRUE(topic) << topic.error().description;
            EXPECT_EQ(topic->title, expected.title);
            EXPECT_EQ(topic->paragraphs, Shown(expected));
        }
        // The contents topic when |SYSTEM names one, else the first.
        auto first = file.FirstTopic();
        ASSERT_TRUE(first) << first.error().description;
        EXPECT_EQ(first->title, fixture.options.contentsTopic ? "The Application object" : "Overview");

        // Keywords regardless of case; the first topic that has it.
        auto byKeyword = file.TopicForKeyword("APPLICATION");
        ASSERT_TRUE(byKeyword) << byKeyword.error().description;
        EXPECT_EQ(byKeyword->title, "The Application object");
        auto missing = file.TopicForKeyword("nothing");
        ASSERT_FALSE(missing);
        EXPECT_NE(missing.error().description.find("keyword \"nothing\""), std::string::npos);

        auto unknown = file.TopicForContext(99);
        ASSERT_FALSE(unknown);
        EXPECT_EQ(unknown.error().description, "test.hlp: no topic has the context number 99");
    }
}

TEST(WinHelp, OddTopicsAndLayouts)
{
    // A topic without text, one whose text fills several blocks, trees of
    // several levels.
    std::vector<HlpTopic> topics;
    topics.push_back({1, "Empty", {}, {}});
    std::string big;
    for (int i = 0; i < 3000; ++i) big += static_cast<char>('a' + (i * 7919) % 26);
    topics.push_back({2, "Big", {big, big + "!"}, {}});
    for (std::uint32_t i = 3; i < 60; ++i)
        topics.push_back({i, "Topic " + std::to_string(i), {"Text"}, {"k" + std::to_string(i)}});
    for (HlpCompression compression : {HlpCompression::None, HlpCompression::Lz77}) {
        HlpOptions options;
        options.compression = compression;
        options.treePageSize = 48;
        WinHelpFile file = Open(test::WriteHlp(topics, options).bytes);
        auto empty = file.TopicForContext(1);
        ASSERT_TRUE(empty) << empty.error().description;
        EXPECT_EQ(empty->title, "Empty");
        EXPECT_TRUE(empty->paragraphs.empty());
        auto large = file.TopicForContext(2);
        ASSERT_TRUE(large) << large.error().description;
        EXPECT_TRUE(large->paragraphs == (std::vector<std::string>{big, big + "!"}));
        for (std::uint32_t i = 3; i < 60; ++i) {
            auto topic = file.TopicForKeyword("k" + std::to_string(i));
            ASSERT_TRUE(topic) << i << ": " << topic.error().description;
            EXPECT_EQ(topic->title, "Topic " + std::to_string(i));
        }
    }
}

TEST(WinHelp, KeptFixturesMatchTheWriterAndOpenFromDisk)
{
    for (const test::HlpFixture& fixture : test::HlpFixtures()) {
        SCOPED_TRACE(fixture.fileName);
        const fs::path path = kFixtures / fixture.fileName;
        EXPECT_EQ(test::ReadBytes(path), test::WriteHlp(test::FixtureTopics(), fixture.options).bytes)
            << "run make_hlp_fixtures tests/data/help/winhelp";
        auto file = WinHelpFile::Open(path);
        ASSERT_TRUE(file) << file.error().description;
        auto topic = file->TopicForContext(20);
        ASSERT_TRUE(topic) << topic.error().description;
        EXPECT_EQ(topic->paragraphs[1], "Caf\u00e9 prices start at \u20ac 3.");
    }
    auto missing = WinHelpFile::Open(kFixtures / "absent.hlp");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().domain, ErrorDomain::FileSystem);
}

TEST(WinHelp, Lz77RoundTripsAndRefusesBadInput)
{
    std::mt19937 random(7);
    auto Repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    for (std::size_t size : {0u, 1u, 17u, 4096u, 20000u}) {
        std::string data;
        for (std::size_t i = 0; i < size; ++i) data += static_cast<char>("abcab \0x"[random() % 8]);
        std::string out;
        ASSERT_TRUE(winhelp::ExpandLz77(test::CompressLz77(data), 1u << 20, out));
        EXPECT_EQ(out, data);
    }
    struct Case {
        std::string input;
        std::size_t limit;
        bool zeroTail;
        const char* message;  // nullptr: expands
    };
    const Case cases[] = {
        {std::string("\x01\x00\x00", 3), 100, false, "before its start"},   // a reference with no output yet
        {std::string("\002a\001\000", 4), 100, false, "before its start"},  // two back, one produced
        {std::string("\002a\000", 3), 100, false, "inside a back-reference"},
        // 'a' and then seven copies of 18 bytes: 127 bytes into a 100-byte buffer.
        {"\376a" + Repeat(std::string("\x00\xF0", 2), 7), 100, false, "expands past"},
        {std::string("\000abcdefgh", 9), 4, false, "expands past"},
        {std::string("\000abcd\0\0\0\0", 9), 4, true, nullptr},  // zero padding after a full buffer
    };
    for (const Case& c : cases) {
        std::string out;
        auto r = winhelp::ExpandLz77(c.input, c.limit, out, c.zeroTail);
        if (!c.message) {
            EXPECT_TRUE(r);
            continue;
        }
        ASSERT_FALSE(r) << c.message;
        EXPECT_NE(r.error().description.find(c.message), std::string::npos) << r.error().description;
        EXPECT_LE(out.size(), c.limit);
    }
}

// --- damaged files --------------------------------------------------------

void Put32(std::string& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}
void Put16(std::string& bytes, std::size_t at, std::uint16_t v)
{
    bytes[at] = static_cast<char>(v);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

// Every request a caller can make; each answers or fails with a message.
void UseAll(const std::string& bytes)
{
    auto file = WinHelpFile::FromBytes(bytes, "bad.hlp");
    if (!file) {
        EXPECT_EQ(file.error().description.rfind("bad.hlp: ", 0), 0u) << file.error().description;
        return;
    }
    auto check = [](const Result<WinHelpTopic>& topic) {
        if (!topic) {
            EXPECT_EQ(topic.error().description.rfind("bad.hlp: ", 0), 0u) << topic.error().description;
        }
    };
    for (std::uint32_t context : file->ContextNumbers()) check(file->TopicForContext(context));
    check(file->TopicForContext(12345));
    check(file->FirstTopic());
    check(file->TopicForKeyword("application"));
    check(file->TopicForKeyword("long"));
}

TEST(WinHelpDamage, CutsAnywhereFailWithAMessage)
{
    for (const test::HlpFixture& fixture : test::HlpFixtures()) {
        SCOPED_TRACE(fixture.fileName);
        const test::HlpImage image = test::WriteHlp(test::FixtureTopics(), fixture.options);
        // The whole file cut short.
        for (std::size_t size = 0; size < image.bytes.size(); size += 1 + size / 16)
            UseAll(image.bytes.substr(0, size));
        // Each internal file cut short inside the file: its used size made
        // smaller, at every byte for the small ones.
        for (const auto& [name, at] : image.files) {
            SCOPED_TRACE(name);
            std::uint32_t used = 0;
            for (int i = 3; i >= 0; --i) used = used << 8 | static_cast<unsigned char>(image.bytes[at + 4 + i]);
            for (std::uint32_t cut = 0; cut < used; cut += 1 + cut / 64) {
                std::string bytes = image.bytes;
                Put32(bytes, at + 4, cut);
                UseAll(bytes);
            }
        }
    }
}

TEST(WinHelpDamage, BrokenStructuresAreNamed)
{
    std::vector<HlpTopic> topics = test::FixtureTopics();
    for (std::uint32_t i = 0; i < 30; ++i)
        topics.push_back({100 + i, "More " + std::to_string(i), {"x"}, {"more" + std::to_string(i)}});
    HlpOptions options;
    options.treePageSize = 64;  // |KWBTREE and |TTLBTREE of several pages and levels
    const test::HlpImage image = test::WriteHlp(topics, options);
    auto content = [&](const std::string& name) { return image.files.at(name) + 9; };
    const std::size_t kw = content("|KWBTREE");
    const std::size_t topic = content("|TOPIC");
    std::uint16_t root = 0;
    root = static_cast<std::uint16_t>(static_cast<unsigned char>(image.bytes[kw + 26]) |
                                      static_cast<unsigned char>(image.bytes[kw + 27]) << 8);
    auto page = [&](std::size_t tree, std::size_t number) { return tree + 38 + number * 64; };

    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
        std::function<Result<WinHelpTopic>(const WinHelpFile&)> ask;  // nullptr: opening fails
        const char* message;
    };
    auto context = [](std::uint32_t n) { return [n](const WinHelpFile& f) { return f.TopicForContext(n); }; };
    auto keyword = [](const char* k) { return [k](const WinHelpFile& f) { return f.TopicForKeyword(k); }; };
    const Case cases[] = {
        {"file magic", [](std::string& b) { b[0] = 'X'; }, nullptr, "not a WinHelp file"},
        {"directory past the end", [](std::string& b) { Put32(b, 4, 0x7FFFFFF0); }, nullptr, "past the end"},
        {"directory magic", [&](std::string& b) { b[image.files.at("(directory)") + 9] = 0; }, nullptr,
         "internal directory: not a B+ tree"},
        {"|SYSTEM magic", [&](std::string& b) { b[content("|SYSTEM")] = 0; }, nullptr, "|SYSTEM: wrong magic"},
        {"|SYSTEM record too long", [&](std::string& b) { Put16(b, content("|SYSTEM") + 14, 0x7000); }, nullptr,
         "record 1 is cut short"},
        {"internal file past the end", [&](std::string& b) { Put32(b, image.files.at("|CTXOMAP") + 4, 0x7FFFFFFF); },
         nullptr, "|CTXOMAP: runs past the end"},
        {"huge |CTXOMAP count", [&](std::string& b) { Put16(b, content("|CTXOMAP"), 0xFFFF); }, context(10),
         "65535 entries do not fit"},
        {"topic offset past the blocks", [&](std::string& b) { Put32(b, content("|CTXOMAP") + 6, 0x7FFF0000); },
         context(10), "lies past the topic blocks"},
        {"leaf loop", [&](std::string& b) { Put16(b, page(kw, 1) + 6, 0); }, keyword("zzz"), "leaf pages form a loop"},
        {"index loop", [&](std::string& b) { Put16(b, page(kw, root) + 4, root); }, keyword("zzz"),
         "index pages form a loop"},
        {"page past the tree", [&](std::string& b) { Put16(b, page(kw, 0) + 6, 0x7000); }, keyword("zzz"),
         "lies past the end of the tree"},
        {"huge leaf count", [&](std::string& b) { Put16(b, page(kw, 0) + 2, 0x7FFF); }, keyword("zzz"),
         "runs past its page"},
        {"absurd levels", [&](std::string& b) { Put16(b, kw + 32, 400); }, keyword("zzz"), "levels"},
        {"record sizes", [&](std::string& b) { Put32(b, topic + 12 + 16, 3); }, context(10), "impossible sizes"},
        {"huge record", [&](std::string& b) { Put32(b, topic + 12, 0x7FFFFFFF); }, context(10), "larger than a topic"},
        {"records overlapping", [&](std::string& b) { Put32(b, topic + 12 + 12, 12); }, context(10),
         "overlaps the next one"},
        {"phrases without a table", [&](std::string& b) { Put32(b, topic + 12 + 4, 5000); }, context(10),
         "no phrase table"},
        {"formatting past its end",
         [&](std::string& b) {
             // The text record after the first header: its LinkData1 end
             // moved to just past the sizes.
             std::uint32_t next = 0;
             for (int i = 3; i >= 0; --i) next = next << 8 | static_cast<unsigned char>(b[topic + 12 + 12 + i]);
             Put32(b, topic + next + 16, 21 + 5);
         },
         context(10), "formatting runs past its end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = image.bytes;
        c.damage(bytes);
        auto file = WinHelpFile::FromBytes(bytes, "bad.hlp");
        const Error* error = nullptr;
        std::optional<Result<WinHelpTopic>> topicResult;
        if (!c.ask) {
            ASSERT_FALSE(file);
            error = &file.error();
        } else {
            ASSERT_TRUE(file) << file.error().description;
            topicResult.emplace(c.ask(file.value()));
            ASSERT_FALSE(*topicResult);
            error = &topicResult->error();
        }
        EXPECT_EQ(error->description.rfind("bad.hlp: ", 0), 0u) << error->description;
        EXPECT_NE(error->description.find(c.message), std::string::npos) << error->description;
    }
}

TEST(WinHelpDamage, ExpansionIsBounded)
{
    // A compressed topic block that would expand far past its 16 KB buffer.
    HlpOptions options;
    options.compression = HlpCompression::Lz77;
    // Text that does not compress, so the block holds enough bytes to
    // replace: 17 bytes of references give 144 bytes of output.
    std::string noise;
    std::mt19937 random(3);
    for (int i = 0; i < 3000; ++i) noise += static_cast<char>(' ' + random() % 90);
    test::HlpImage image = test::WriteHlp({{1, "Bomb", {noise}, {}}}, options);
    std::string bomb = "\376a";
    for (int i = 0; i < 7; ++i) bomb += std::string("\x00\xF0", 2);
    for (int i = 0; i < 120; ++i) {
        bomb += '\xFF';
        for (int j = 0; j < 8; ++j) bomb += std::string("\x00\xF0", 2);
    }
    std::string bytes = image.bytes;
    const std::size_t topic = image.files.at("|TOPIC") + 9;
    const std::size_t used = static_cast<unsigned char>(bytes[topic - 5]) |
                             static_cast<std::size_t>(static_cast<unsigned char>(bytes[topic - 4])) << 8;
    ASSERT_LT(bomb.size() + 12, used);
    bytes.replace(topic + 12, bomb.size(), bomb);
    auto file = WinHelpFile::FromBytes(bytes, "bad.hlp");
    ASSERT_TRUE(file);
    auto topicResult = file->TopicForContext(1);
    ASSERT_FALSE(topicResult);
    EXPECT_NE(topicResult.error().description.find("expands past its 16384-byte buffer"), std::string::npos)
        << topicResult.error().description;

    // A phrase table claiming more text than its bytes can give.
    options.phrases = HlpPhrases::Old;
    options.phraseList = {"phrase"};
    image = test::WriteHlp({{1, "Title", {"a phrase here"}, {}}}, options);
    bytes = image.bytes;
    Put32(bytes, image.files.at("|Phrases") + 9 + 4, 15u << 20);
    file = WinHelpFile::FromBytes(bytes, "bad.hlp");
    ASSERT_TRUE(file);
    topicResult = file->TopicForContext(1);
    ASSERT_FALSE(topicResult);
    EXPECT_NE(topicResult.error().description.find("|Phrases: expanded size"), std::string::npos)
        << topicResult.error().description;
}

TEST(WinHelpDamage, OlderFilesOpenWithTheirTitle)
{
    HlpOptions options;
    options.minor = 15;
    auto file = WinHelpFile::FromBytes(test::WriteHlp(test::FixtureTopics(), options).bytes, "old.hlp");
    ASSERT_TRUE(file) << file.error().description;
    EXPECT_EQ(file->Title(), "Arbolith test help");
    auto topic = file->TopicForContext(10);
    ASSERT_FALSE(topic);
    EXPECT_EQ(topic.error().description, "old.hlp: the topics of Windows 3.0 help files are not supported");
}

}  // namespace
}  // namespace arbolith::help
