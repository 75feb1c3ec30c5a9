// SPDX-License-Identifier: MIT
// The WinHelp file as a whole: the header, the internal directory, |SYSTEM,
// and the look-ups by context number (|CTXOMAP), keyword (|KWBTREE,
// |KWDATA) and topic offset (|TTLBTREE for titles, |TOPIC for text).
#include "help/winhelp.h"

#include "help/winhelp_internal.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

namespace arbolith::help {

using namespace winhelp;

namespace {

constexpr std::uint32_t kFileMagic = 0x00035F3F;
constexpr std::uint16_t kSystemMagic = 0x036C;
// Files larger than this are not help files we can hold in memory.
constexpr std::uintmax_t kMaxFileSize = 512u << 20;

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

class WinHelpFile::Impl {
public:
    std::string bytes;
    std::string name;
    std::string title;
    std::map<std::string, Bytes, std::less<>> files;  // internal files by name
    std::uint16_t minor = 0;
    std::uint32_t blockSize = 4096;
    bool compressed = false;
    std::optional<std::uint32_t> contents;
    std::optional<PhraseTable> phrases;
    std::unique_ptr<TopicStream> topics;
    std::string topicsError;  // why the file's topics cannot be read

    Error Fail(const Error& e) const { return e.In(name); }

    const Bytes* File(std::string_view fileName) const
    {
        auto it = files.find(fileName);
        return it == files.end() ? nullptr : &it->second;
    }

    Result<void> ReadDirectory();
    Result<void> ReadSystem();
    Result<void> ReadPhrases();
    Result<WinHelpTopic> TopicAtHeader(std::uint32_t pos, std::optional<std::uint32_t> offset) const;
    Result<WinHelpTopic> TopicAtOffset(std::uint32_t offset) const;
    std::string TitleFor(std::uint32_t offset) const;
};

Result<void> WinHelpFile::Impl::ReadDirectory()
{
    Bytes all(bytes);
    std::uint32_t magic = 0, directory = 0;
    if (!all.U32(0, magic) || !all.U32(4, directory) || !all.Has(0, 16))
        return Damaged("too short to be a WinHelp file");
    if (magic != kFileMagic) return Damaged("not a WinHelp file (wrong magic)");
    // An internal file: a 9-byte header (reserved space, used space, flags)
    // and its content.
    auto internal = [&](std::uint32_t at, std::string_view what) -> Result<Bytes> {
        std::uint32_t used = 0;
        if (!all.U32(std::size_t{at} + 4, used) || !all.Has(at, 9))
            return Damaged(std::string(what) + ": its header lies past the end of the file");
        if (!all.Has(std::size_t{at} + 9, used)) return Damaged(std::string(what) + ": runs past the end of the file");
        return all.Sub(std::size_t{at} + 9, used);
    };
    auto tree = internal(directory, "internal directory");
    if (!tree) return tree.error();
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    auto walk = ForEachLeafEntry(tree.value(), "internal directory", [&](const Bytes& page, std::size_t& at) {
        std::string_view fileName;
        std::uint32_t offset = 0;
        if (!page.CString(at, fileName, at) || !page.U32(at, offset)) return false;
        at += 4;
        entries.emplace_back(std::string(fileName), offset);
        return true;
    });
    if (!walk) return walk;
    for (const auto& [fileName, offset] : entries) {
        auto file = internal(offset, fileName);
        if (!file) return file.error();
        files.emplace(fileName, file.value());
    }
    return Ok();
}

Result<void> WinHelpFile::Impl::ReadSystem()
{
    const Bytes* system = File("|SYSTEM");
    if (!system) return Damaged("it has no |SYSTEM file");
    std::uint16_t magic = 0, flags = 0;
    if (!system->U16(0, magic) || !system->U16(2, minor) || !system->U16(10, flags))
        return Damaged("|SYSTEM: header is cut short");
    if (magic != kSystemMagic) return Damaged("|SYSTEM: wrong magic");
    if (minor <= 16) {
        std::string_view text;
        std::size_t next = 0;
        if (system->CString(12, text, next)) title = AnsiToUtf8(text);
        blockSize = 2048;
        compressed = false;
        return Ok();
    }
    compressed = (flags & 0x000Cu) != 0;
    blockSize = (flags & 0x0008u) ? 2048 : 4096;
    std::size_t at = 12;
    while (system->Has(at, 4)) {
        std::uint16_t type = 0, size = 0;
        system->U16(at, type);
        system->U16(at + 2, size);
        at += 4;
        if (!system->Has(at, size)) return Damaged("|SYSTEM: record " + std::to_string(type) + " is cut short");
        Bytes data = system->Sub(at, size);
        at += size;
        if (type == 1) {
            std::string_view text = data.View();
            title = AnsiToUtf8(text.substr(0, text.find('\0')));
        } else if (type == 3) {
            std::uint32_t offset = 0;
            if (data.U32(0, offset)) contents = offset;
        }
    }
    return Ok();
}

Result<void> WinHelpFile::Impl::ReadPhrases()
{
    if (const Bytes* old = File("|Phrases")) {
        auto table = ReadOldPhrases(*old, minor > 16);
        if (!table) return table.error();
        phrases = std::move(table.value());
    } else if (const Bytes* index = File("|PhrIndex")) {
        const Bytes* image = File("|PhrImage");
        if (!image) return Damaged("it has |PhrIndex but no |PhrImage");
        auto table = ReadHallPhrases(*index, *image);
        if (!table) return table.error();
        phrases = std::move(table.value());
    }
    return Ok();
}

std::string WinHelpFile::Impl::TitleFor(std::uint32_t offset) const
{
    const Bytes* titles = File("|TTLBTREE");
    if (!titles) return {};
    // The greatest key not above the offset; keys are in order, but a
    // damaged tree is read to its end rather than trusted.
    std::optional<std::uint32_t> best;
    std::string found;
    auto walk = ForEachLeafEntry(*titles, "|TTLBTREE", [&](const Bytes& page, std::size_t& at) {
        std::uint32_t key = 0;
        std::string_view text;
        if (!page.U32(at, key) || !page.CString(at + 4, text, at)) return false;
        if (key <= offset && (!best || key >= *best)) {
            best = key;
            found.assign(text);
        }
        return true;
    });
    if (!walk) return {};  // the title is a nicety; the topic's own title stands in
    return AnsiToUtf8(found);
}

Result<WinHelpTopic> WinHelpFile::Impl::TopicAtHeader(std::uint32_t pos, std::optional<std::uint32_t> offset) const
{
    auto header = topics->Read(pos);
    if (!header) return Fail(header.error());
    if (header->type != kTopicHeader) return Fail(Damaged("|TOPIC: record at " + std::to_string(pos) + " is no topic"));
    WinHelpTopic topic;
    if (offset) topic.title = TitleFor(*offset);
    if (topic.title.empty()) {
        std::string_view own = header->data2;
        topic.title = AnsiToUtf8(own.substr(0, own.find('\0')));
    }
    std::size_t total = 0;
    if (auto r = CheckNext(header.value()); !r) return Fail(r.error());
    std::uint32_t next = header->next;
    // Records do not overlap, so the walk reads each byte once and ends.
    while (!IsEndOfChain(next)) {
        pos = next;
        auto link = topics->Read(pos);
        if (!link) return Fail(link.error());
        if (link->type == kTopicHeader) break;
        if (link->type == kTextRecord || link->type == kTableRecord)
            if (auto r = AppendParagraphs(link.value(), topic.paragraphs, total); !r) return Fail(r.error());
        total += 1;  // every record counts, so a chain of empty ones ends too
        if (total > kMaxTopicText) return Fail(Damaged("|TOPIC: the topic has too many records"));
        if (auto r = CheckNext(link.value()); !r) return Fail(r.error());
        next = link->next;
    }
    return topic;
}

Result<WinHelpTopic> WinHelpFile::Impl::TopicAtOffset(std::uint32_t offset) const
{
    if (!topics) return Fail(Damaged(topicsError));
    auto pos = topics->HeaderForOffset(offset);
    if (!pos) return Fail(pos.error());
    return TopicAtHeader(pos.value(), offset);
}

WinHelpFile::WinHelpFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
WinHelpFile::WinHelpFile(WinHelpFile&&) noexcept = default;
WinHelpFile& WinHelpFile::operator=(WinHelpFile&&) noexcept = default;
WinHelpFile::~WinHelpFile() = default;

Result<WinHelpFile> WinHelpFile::Open(const std::filesystem::path& file)
{
    const std::string shown = file.string();
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec) return Error::FileSystem(ec.value(), "cannot read " + shown + ": " + ec.message());
    if (size > kMaxFileSize) return Damaged(shown + ": too large for a help file");
    std::ifstream in(file, std::ios::binary);
    if (!in) return Error::FileSystem(errno, "cannot open " + shown + ": " + std::strerror(errno));
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size)))
        return Error::FileSystem(errno, "cannot read " + shown + ": " + std::strerror(errno));
    return FromBytes(std::move(bytes), shown);
}

Result<WinHelpFile> WinHelpFile::FromBytes(std::string bytes, std::string name)
{
    auto impl = std::make_unique<Impl>();
    impl->bytes = std::move(bytes);
    impl->name = std::move(name);
    if (auto r = impl->ReadDirectory(); !r) return impl->Fail(r.error());
    if (auto r = impl->ReadSystem(); !r) return impl->Fail(r.error());
    // The topics are read when asked for; a file whose text cannot be read
    // still opens, and each request for a topic says why.
    if (impl->minor <= 16) {
        impl->topicsError = "the topics of Windows 3.0 help files are not supported";
    } else if (auto r = impl->ReadPhrases(); !r) {
        impl->topicsError = r.error().description;
    } else if (const Bytes* topic = impl->File("|TOPIC")) {
        impl->topics = std::make_unique<TopicStream>(*topic, impl->blockSize, impl->compressed,
                                                     impl->phrases ? &*impl->phrases : nullptr);
    } else {
        impl->topicsError = "it has no |TOPIC file";
    }
    return WinHelpFile(std::move(impl));
}

const std::string& WinHelpFile::Title() const
{
    return m_impl->title;
}

std::vector<std::uint32_t> WinHelpFile::ContextNumbers() const
{
    std::vector<std::uint32_t> numbers;
    const Bytes* map = m_impl->File("|CTXOMAP");
    std::uint16_t count = 0;
    if (!map || !map->U16(0, count)) return numbers;
    for (std::size_t i = 0; i < count && map->Has(2 + i * 8, 8); ++i) {
        std::uint32_t number = 0;
        map->U32(2 + i * 8, number);
        numbers.push_back(number);
    }
    return numbers;
}

Result<WinHelpTopic> WinHelpFile::TopicForContext(std::uint32_t contextNumber) const
{
    const Impl& f = *m_impl;
    const Bytes* map = f.File("|CTXOMAP");
    if (!map) return f.Fail(Damaged("it maps no context numbers (no |CTXOMAP)"));
    std::uint16_t count = 0;
    if (!map->U16(0, count)) return f.Fail(Damaged("|CTXOMAP: cut short"));
    if (!map->Has(2, std::size_t{count} * 8))
        return f.Fail(Damaged("|CTXOMAP: " + std::to_string(count) + " entries do not fit the file"));
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t number = 0, offset = 0;
        map->U32(2 + i * 8, number);
        map->U32(6 + i * 8, offset);
        if (number == contextNumber) return f.TopicAtOffset(offset);
    }
    return f.Fail(Damaged("no topic has the context number " + std::to_string(contextNumber)));
}

Result<WinHelpTopic> WinHelpFile::TopicForKeyword(std::string_view keyword) const
{
    const Impl& f = *m_impl;
    const Bytes* tree = f.File("|KWBTREE");
    const Bytes* data = f.File("|KWDATA");
    if (!tree || !data) return f.Fail(Damaged("it has no keyword index"));
    std::optional<std::uint32_t> dataOffset;
    auto walk = ForEachLeafEntry(*tree, "|KWBTREE", [&](const Bytes& page, std::size_t& at) {
        std::string_view key;
        std::uint16_t count = 0;
        std::uint32_t offset = 0;
        if (!page.CString(at, key, at) || !page.U16(at, count) || !page.U32(at + 2, offset)) return false;
        at += 6;
        if (!dataOffset && count > 0 && EqualNoCase(AnsiToUtf8(key), keyword)) dataOffset = offset;
        return true;
    });
    if (!walk) return f.Fail(walk.error());
    if (!dataOffset) return f.Fail(Damaged("no topic has the keyword \"" + std::string(keyword) + "\""));
    std::uint32_t offset = 0;
    if (!data->U32(*dataOffset, offset))
        return f.Fail(Damaged("|KWDATA: keyword entry " + std::to_string(*dataOffset) + " lies past its end"));
    return f.TopicAtOffset(offset);
}

Result<WinHelpTopic> WinHelpFile::FirstTopic() const
{
    const Impl& f = *m_impl;
    if (!f.topics) return f.Fail(Damaged(f.topicsError));
    if (f.contents) return f.TopicAtOffset(*f.contents);
    auto pos = f.topics->FirstHeader();
    if (!pos) return f.Fail(pos.error());
    return f.TopicAtHeader(pos.value(), std::nullopt);
}

}  // namespace arbolith::help
