// SPDX-License-Identifier: MIT
// HTML Help files read through the HelpFile facade: topics by context
// number and keyword, the default topic, entries by path, pages as text,
// and damaged or hostile files, which must give errors and never crash.
#include "help/help_file.h"
#include "help/chm_file.h"
#include "help/html_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace arbolith::help {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

const fs::path kChmDir = fs::path(ARBOLITH_TEST_DATA) / "help" / "chm";

HelpFile OpenSample(const fs::path& file = kChmDir / "sample.chm")
{
    auto opened = HelpFile::Open(file);
    if (!opened) throw std::runtime_error(opened.error().description);
    return std::move(*opened);
}

TEST(HelpIds, ParseAsTheTreesGiveThem)
{
    EXPECT_EQ(ParseHelpId("1000"), (HelpId{HelpId::Kind::Context, 1000, ""}));
    EXPECT_EQ(ParseHelpId("_Open"), (HelpId{HelpId::Kind::Keyword, 0, "Open"}));
    for (const char* nothing : {"", "0", "_", "-5", "12x", "99999999999"})
        EXPECT_EQ(ParseHelpId(nothing).kind, HelpId::Kind::None) << nothing;
    EXPECT_EQ(HelpFormatOf("/x/Lib.CHM"), HelpFormat::Chm);
    EXPECT_EQ(HelpFormatOf("C:\\x\\lib.Hlp"), HelpFormat::WinHelp);
    EXPECT_EQ(HelpFormatOf("lib.htm"), std::nullopt);
}

TEST(ChmTopics, ContextsAndKeywordsLeadToTheirPages)
{
    struct Case {
        std::string id;
        std::string path;
        std::string title;
    };
    // The sample maps 1000 in decimal and 2001 as 0x7D1; its compiler stored
    // every context's page under the absolute path it was compiled from.
    const Case cases[] = {
        {"1000", "/application.htm", "Application Object"},
        {"2001", "/document.htm", "Document Object"},
        {"3000", "/Methods/OpenMethod.htm", "Open Method"},
        {"_document.htm", "/document.htm", "Document Object"},
        {"_METHODS\\openmethod.htm", "/Methods/OpenMethod.htm", "Open Method"},  // path, case ignored
        {"_OpenMethod", "/Methods/OpenMethod.htm", "Open Method"},               // a page's name
        {"_sample.chm::/application.htm#top", "/application.htm", "Application Object"},
    };
    HelpFile file = OpenSample();
    EXPECT_EQ(file.Format(), HelpFormat::Chm);
    for (int round = 0; round < 2; ++round) {  // the second round is answered from what the first one read
        for (const Case& c : cases) {
            auto topic = file.Topic(ParseHelpId(c.id));
            ASSERT_TRUE(topic) << c.id << ": " << topic.error().description;
            EXPECT_EQ(topic->path, c.path) << c.id;
            EXPECT_EQ(topic->title, c.title) << c.id;
            EXPECT_TRUE(topic->text.starts_with(c.title + "\n")) << c.id << ": " << topic->text;
            EXPECT_NE(topic->html.find("<title>" + c.title + "</title>"), std::string::npos) << c.id;
        }
    }
}

TEST(ChmTopics, DefaultTopicIsTheNamedOneElseTheFirstPage)
{
    HelpFile sample = OpenSample();
    auto topic = sample.DefaultTopic();
    ASSERT_TRUE(topic) << topic.error().description;
    EXPECT_EQ(topic->path, "/overview.htm");
    EXPECT_EQ(topic->title, "Sample Library Overview");
    EXPECT_EQ(topic->text, "Sample Library\nThe sample library has an Application object at its top.");

    HelpFile plain = OpenSample(kChmDir / "plain.chm");  // names no default topic
    topic = plain.DefaultTopic();
    ASSERT_TRUE(topic) << topic.error().description;
    EXPECT_EQ(topic->path, "/index.htm");
}

TEST(ChmTopics, MissingTopicsAreErrorsThatSayWhy)
{
    HelpFile sample = OpenSample();
    HelpFile plain = OpenSample(kChmDir / "plain.chm");
    struct Case {
        HelpFile* file;
        HelpId id;
        std::string says;
    };
    const Case cases[] = {
        {&sample, ParseHelpId("999"), "no topic for context 999"},
        {&sample, ParseHelpId("_nothing"), "no topic for the keyword nothing"},
        {&sample, ParseHelpId("0"), "names no topic"},
        {&plain, ParseHelpId("1000"), "maps no context numbers"},
    };
    for (const Case& c : cases) {
        auto topic = c.file->Topic(c.id);
        ASSERT_FALSE(topic) << c.says;
        EXPECT_NE(topic.error().description.find(c.says), std::string::npos) << topic.error().description;
        EXPECT_NE(topic.error().description.find(c.file->Path().string()), std::string::npos);
    }
    // A failed lookup leaves the file usable.
    EXPECT_TRUE(sample.Topic(ParseHelpId("1000")));
}

TEST(WinHelpTopics, ComeThroughTheSameFileAsEscapedHtmlAndText)
{
    auto file = HelpFile::Open(fs::path(ARBOLITH_TEST_DATA) / "help" / "winhelp" / "lz77.hlp");
    ASSERT_TRUE(file.ok()) << file.error().description;
    EXPECT_EQ(file->Format(), HelpFormat::WinHelp);
    auto topic = file->Topic(ParseHelpId("20"));
    ASSERT_TRUE(topic.ok()) << topic.error().description;
    EXPECT_EQ(topic->title, "The Application object");
    EXPECT_EQ(topic->text.rfind("The Application object\nRepresents the whole application.", 0), 0u) << topic->text;
    EXPECT_NE(topic->html.find("<h1>The Application object</h1>"), std::string::npos) << topic->html;
    auto keyword = file->Topic(ParseHelpId("_end"));
    ASSERT_TRUE(keyword.ok()) << keyword.error().description;
    EXPECT_EQ(keyword->title, "Last topic");
    EXPECT_FALSE(file->Topic(ParseHelpId("999")).ok());
    EXPECT_FALSE(file->ReadEntry("/any.htm").ok());
    auto first = file->DefaultTopic();
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first->title, "Overview");
}

TEST(ChmEntries, PathsResolveWithoutRegardToCase)
{
    HelpFile file = OpenSample();
    for (const char* path : {"/logo.gif", "logo.gif", "LOGO.GIF", "Methods/../logo.gif", "../logo.gif"}) {
        auto bytes = file.ReadEntry(path);
        ASSERT_TRUE(bytes) << path << ": " << bytes.error().description;
        EXPECT_TRUE(bytes->starts_with("GIF89a")) << path;
    }
    auto page = file.ReadEntry("methods\\OPENMETHOD.HTM");
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("Opens a document"), std::string::npos);
    EXPECT_FALSE(file.ReadEntry("/missing.gif"));
    EXPECT_FALSE(file.ReadEntry("/Methods/"));  // a folder is no entry
}

TEST(ChmEntries, TheFileStaysOpenAcrossCalls)
{
    TempDir dir;
    fs::copy_file(kChmDir / "sample.chm", dir / "copy.chm");
    HelpFile file = OpenSample(dir / "copy.chm");
    ASSERT_TRUE(file.Topic(ParseHelpId("1000")));
    fs::remove(dir / "copy.chm");
    auto topic = file.Topic(ParseHelpId("2001"));
    ASSERT_TRUE(topic) << topic.error().description;
    EXPECT_EQ(topic->path, "/document.htm");
}

TEST(ChmEntries, TheReaderKeepsNoneOfTheCallersFiles)
{
    // A pipe of the caller's must end when the caller closes its end, help
    // file open or not.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    HelpFile file = OpenSample();
    ::close(pipeEnds[1]);
    pollfd ready{pipeEnds[0], POLLIN, 0};
    const bool ended = ::poll(&ready, 1, 2000) == 1;
    ::close(pipeEnds[0]);
    EXPECT_TRUE(ended) << "the pipe is still open in the help file's reader";
    EXPECT_TRUE(file.Topic(ParseHelpId("1000")));
}

TEST(ChmText, MarkupScriptsStylesAndCommentsAreLeftOut)
{
    HelpFile file = OpenSample();
    auto topic = file.Topic(ParseHelpId("4000"));
    ASSERT_TRUE(topic) << topic.error().description;
    EXPECT_EQ(topic->title, "Markup & Entities");
    EXPECT_EQ(topic->text,
              "Markup & Entities\n"
              "Less <than>, \"quoted\", caf\u00e9 \u00e9\u263a \u00a9 2024\n"
              "Second\nline");
}

TEST(HtmlText, OddAndBrokenMarkupReadsWithoutFault)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a < b and c<3", "a < b and c<3"},
        {"<p>one<!-- never closed <p>two", "one"},
        {"<P>one</P><DIV>two<Br/>three</div>", "one\ntwo\nthree"},
        {"x<script>if (a<b) y();</SCRIPT >z", "xz"},
        {"x<style>p{}", "x"},
        {"<p title='a>b'>text</p>", "text"},
        {"<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>", "a b\nc"},
        {"<p>   spaced \n\t out  </p>", "spaced out"},
        {"<a href=\"x", ""},
        {"<title>not text</title>body", "body"},
    };
    for (const auto& [html, text] : cases) EXPECT_EQ(HtmlToText(html), text) << html;
    EXPECT_EQ(HtmlTitle("<TITLE lang=en>  Two\n words &amp; more </TITLE>"), "Two words & more");
    EXPECT_EQ(HtmlTitle("<titlex>no</titlex>"), "");
    EXPECT_EQ(HtmlTitle("<title>open to the end"), "open to the end");
}

TEST(HtmlText, CharacterReferences)
{
    const std::pair<std::string, std::string> cases[] = {
        {"&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
        {"&#65;&#x42;&#X43;", "ABC"},
        {"&#150;&#x80;", "\u2013\u20ac"},  // read as Windows-1252, as browsers do
        {"&#0;&#xD800;&#x110000;", "\ufffd\ufffd\ufffd"},
        {"&#99999999999;&#x;&#;&bogus;&amp", "&#99999999999;&#x;&#;&bogus;&amp"},
        {"AT&T; fish & chips", "AT&T; fish & chips"},
    };
    for (const auto& [text, decoded] : cases) EXPECT_EQ(DecodeCharacterReferences(text), decoded) << text;
    EXPECT_EQ(EscapeHtml("<a & \"b\">"), "&lt;a &amp; &quot;b&quot;&gt;");
}

std::string U32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

TEST(ChmTables, HostileContextTablesAreErrors)
{
    const std::string pairs = U32(1000) + U32(1) + U32(1000) + U32(9) + U32(7) + U32(20);
    auto table = ParseContextTable(U32(24) + pairs);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->size(), 2u);
    EXPECT_EQ(table->at(1000), 1u);  // the first of a context mapped twice

    for (const std::string& ivb :
         {std::string("\x08\0", 2), U32(12) + pairs, U32(32) + pairs, U32(0xFFFFFFF8u) + pairs}) {
        auto bad = ParseContextTable(ivb);
        ASSERT_FALSE(bad) << ivb.size();
        EXPECT_NE(bad.error().description.find("/#IVB"), std::string::npos);
    }

    const std::string strings("\0one\0\0two", 9);  // "two" has no NUL
    EXPECT_EQ(StringAt(strings, 1).value(), "one");
    for (const std::uint32_t offset : {0u, 5u, 6u, 10u, 0xFFFFFFFFu}) EXPECT_FALSE(StringAt(strings, offset)) << offset;
}

TEST(ChmTables, SystemRecordsStopAtTheFirstDamagedOne)
{
    const auto record = [](std::uint16_t code, std::string data) {
        return std::string{static_cast<char>(code), 0, static_cast<char>(data.size()),
                           static_cast<char>(data.size() >> 8)} +
               data;
    };
    const std::string good = U32(3) + record(9, "compiler") + record(2, std::string("a.htm\0", 6)) + record(3, "Title");
    ChmSystem system = ParseSystem(good);
    EXPECT_EQ(system.defaultTopic, "a.htm");
    EXPECT_EQ(system.title, "Title");

    system = ParseSystem(U32(3) + record(2, "a.htm") + std::string("\x03\0\xff\xff", 4) + "Tit");
    EXPECT_EQ(system.defaultTopic, "a.htm");
    EXPECT_EQ(system.title, "");
    EXPECT_EQ(ParseSystem("").title, "");
    EXPECT_EQ(ParseSystem(U32(3) + "\x02").defaultTopic, "");
}

// Reads everything a viewer asks of a file; any answer is fine, a crash is not.
void ExerciseDamaged(const fs::path& file)
{
    auto opened = HelpFile::Open(file);
    if (!opened) {
        EXPECT_NE(opened.error().description.find(file.string()), std::string::npos) << opened.error().description;
        return;
    }
    for (const char* id : {"1000", "2001", "3000", "4000", "_OpenMethod", "_overview.htm"})
        (void)opened->Topic(ParseHelpId(id));
    (void)opened->DefaultTopic();
    (void)opened->ReadEntry("logo.gif");
}

TEST(ChmDamage, TruncatedGarbageAndFlippedFilesGiveErrors)
{
    TempDir dir;
    const std::string bytes = ReadBytes(kChmDir / "sample.chm");
    ASSERT_GT(bytes.size(), 10000u);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{3}, std::size_t{0x38}, std::size_t{0x60}, std::size_t{0x100}, std::size_t{0x1000},
          std::size_t{0x2000}, bytes.size() / 2, bytes.size() - 600, bytes.size() - 1}) {
        SCOPED_TRACE(size);
        WriteBytes(dir / "cut.chm", std::string_view(bytes).substr(0, size));
        ExerciseDamaged(dir / "cut.chm");
    }

    std::mt19937 random(11);
    std::string garbage(20000, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    WriteBytes(dir / "garbage.chm", garbage);
    EXPECT_FALSE(HelpFile::Open(dir / "garbage.chm"));
    WriteBytes(dir / "garbage.chm", bytes.substr(0, 0x60) + garbage);  // real headers, nothing behind them
    ExerciseDamaged(dir / "garbage.chm");

    // Single bytes flipped all over the file.
    for (std::size_t at = 0; at < bytes.size(); at += 97) {
        SCOPED_TRACE(at);
        std::string flipped = bytes;
        flipped[at] = static_cast<char>(flipped[at] ^ 0xA5);
        WriteBytes(dir / "flipped.chm", flipped);
        ExerciseDamaged(dir / "flipped.chm");
    }
}

TEST(ChmDamage, FilesThatCrashChmlibGiveErrors)
{
    // Bytes of the compression's control data that chmlib trusts: a wrong
    // version makes it decompress through a null state, a zero window or
    // reset interval makes it divide by zero. Its process ends; ours reports.
    const std::string bytes = ReadBytes(kChmDir / "sample.chm");
    const std::size_t control = bytes.find("LZXC");
    ASSERT_NE(control, std::string::npos);
    TempDir dir;
    for (const auto& [offset, value] : {std::pair{4, '\xff'}, std::pair{12, '\0'}, std::pair{16, '\0'}}) {
        SCOPED_TRACE(offset);
        std::string damaged = bytes;
        damaged[control + offset] = value;
        WriteBytes(dir / "damaged.chm", damaged);
        // A zero window fails chmlib while it opens the file; the others on
        // the first compressed entry read.
        auto opened = HelpFile::Open(dir / "damaged.chm");
        if (!opened) {
            EXPECT_EQ(offset, 12);
            EXPECT_NE(opened.error().description.find("damaged"), std::string::npos) << opened.error().description;
            continue;
        }
        auto topic = opened->Topic(ParseHelpId("1000"));
        ASSERT_FALSE(topic);
        EXPECT_NE(topic.error().description.find("damaged"), std::string::npos) << topic.error().description;
        // Later calls fail the same way, at once.
        EXPECT_FALSE(opened->DefaultTopic());
        EXPECT_FALSE(opened->ReadEntry("logo.gif"));
    }
}

TEST(ChmDamage, AHostileSystemRecordLeavesTheFileUsable)
{
    // /#SYSTEM is stored uncompressed: its default-topic record is found in
    // the file's bytes and given a length far past the table's end.
    std::string bytes = ReadBytes(kChmDir / "sample.chm");
    const std::string record("\x02\0\x0d\0overview.htm", 16);
    const std::size_t at = bytes.find(record);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 2] = '\xff';
    bytes[at + 3] = '\xff';
    TempDir dir;
    WriteBytes(dir / "hostile.chm", bytes);
    HelpFile file = OpenSample(dir / "hostile.chm");
    auto topic = file.DefaultTopic();  // the first page instead
    ASSERT_TRUE(topic) << topic.error().description;
    EXPECT_EQ(topic->path, "/application.htm");
    EXPECT_TRUE(file.Topic(ParseHelpId("2001")));
}

TEST(HelpFiles, FilesThatAreNoHelpFilesAreNamedInTheError)
{
    TempDir dir;
    fs::create_directory(dir / "folder.chm");
    WriteBytes(dir / "notes.txt", "text");
    WriteBytes(dir / "empty.hlp", "");
    for (const fs::path& file : {dir / "missing.chm", dir / "folder.chm", dir / "notes.txt", dir / "empty.hlp"}) {
        auto opened = HelpFile::Open(file);
        ASSERT_FALSE(opened) << file;
        EXPECT_NE(opened.error().description.find(file.string()), std::string::npos) << opened.error().description;
    }
}

}  // namespace
}  // namespace arbolith::help
