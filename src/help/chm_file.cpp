// SPDX-License-Identifier: MIT
#include "help/chm_file.h"

#include "help/chm_reader.h"

#include "platform/text_encoding.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace arbolith::help {

namespace fs = std::filesystem;

namespace {

// Internal tables larger than this are no tables a compiler writes.
constexpr std::uint64_t kMaxTableSize = 16u << 20;

std::uint32_t U32At(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

std::uint16_t U16At(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                  << 8);
}

// The text up to its first NUL.
std::string_view CutAtNul(std::string_view text)
{
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

// The parts of a path inside a help file, as written in links, tables and
// settings: after a "file.chm::" part, with "\" read as "/", and with "."
// and ".." settled by name (".." never climbs above the root).
std::vector<std::string> PathParts(std::string_view path)
{
    if (const std::size_t archive = path.rfind("::"); archive != std::string_view::npos)
        path.remove_prefix(archive + 2);
    std::vector<std::string> parts;
    std::string part;
    const auto finish = [&] {
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (const char c : path) {
        if (c == '/' || c == '\\')
            finish();
        else
            part += c;
    }
    finish();
    return parts;
}

std::string JoinParts(const std::vector<std::string>& parts, std::size_t from = 0)
{
    std::string path;
    for (std::size_t i = from; i < parts.size(); ++i) path += "/" + parts[i];
    return path;
}

bool IsPage(std::string_view path)
{
    const std::string lower = AsciiLower(path);
    return lower.ends_with(".htm") || lower.ends_with(".html");
}

std::string_view FileNamePart(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

Result<std::map<std::uint32_t, std::uint32_t>> ParseContextTable(std::string_view ivb)
{
    if (ivb.size() < 4) return Error::FileSystem(0, "the context table (/#IVB) is shorter than its byte count");
    const std::uint32_t count = U32At(ivb, 0);
    if (count % 8 != 0)
        return Error::FileSystem(0, "the context table (/#IVB) claims " + std::to_string(count) +
                                        " bytes of pairs, which is no multiple of 8");
    if (count > ivb.size() - 4)
        return Error::FileSystem(0, "the context table (/#IVB) claims " + std::to_string(count) + " bytes but holds " +
                                        std::to_string(ivb.size() - 4));
    std::map<std::uint32_t, std::uint32_t> table;
    for (std::size_t at = 4; at < 4 + static_cast<std::size_t>(count); at += 8)
        table.emplace(U32At(ivb, at), U32At(ivb, at + 4));
    return table;
}

Result<std::string> StringAt(std::string_view strings, std::uint32_t offset)
{
    if (offset >= strings.size())
        return Error::FileSystem(0, "offset " + std::to_string(offset) + " is past the end of the string table (" +
                                        std::to_string(strings.size()) + " bytes)");
    const std::size_t end = strings.find('\0', offset);
    if (end == std::string_view::npos)
        return Error::FileSystem(0, "the string at offset " + std::to_string(offset) + " runs off the string table");
    if (end == offset) return Error::FileSystem(0, "the string at offset " + std::to_string(offset) + " is empty");
    return std::string(strings.substr(offset, end - offset));
}

ChmSystem ParseSystem(std::string_view system)
{
    ChmSystem parsed;
    bool haveTopic = false, haveTitle = false;
    for (std::size_t at = 4; at <= system.size() && system.size() - at >= 4;) {
        const std::uint16_t code = U16At(system, at);
        const std::uint16_t length = U16At(system, at + 2);
        at += 4;
        if (length > system.size() - at) break;
        const std::string_view data = CutAtNul(system.substr(at, length));
        at += length;
        if (code == 2 && !haveTopic) {
            parsed.defaultTopic = std::string(data);
            haveTopic = true;
        } else if (code == 3 && !haveTitle) {
            parsed.title = DecodeFileText(data);
            haveTitle = true;
        }
    }
    return parsed;
}

class ChmFile::Impl {
public:
    std::string name;  // the file, as messages name it
    ChmReader reader;
    ChmSystem system;
    // Why the reader stopped (the file is damaged); every later call fails with it.
    std::optional<Error> failure;

    // The context table and the strings it points into, read on first use;
    // a failure to read them is kept and given to every later call.
    bool contextsRead = false;
    std::optional<Error> contextsError;
    std::map<std::uint32_t, std::uint32_t> contexts;
    std::string strings;
    std::map<std::uint32_t, std::string> contextTopics;  // resolved before

    // Every entry by path, listed on first need (case-blind lookups and the
    // search by file name). chmlib's listing can miss entries of some files,
    // so it serves only where the direct lookup failed.
    bool entriesListed = false;
    std::vector<std::string> entries;

    Impl(std::string fileName, ChmReader chmReader) : name(std::move(fileName)), reader(std::move(chmReader)) {}

    Error Damaged(const std::string& why) const { return Error::FileSystem(0, name + ": " + why); }
    Error NoTopic(const std::string& why) const { return failure ? *failure : Error::Model(name + ": " + why); }

    // The stored path of an entry, as chmlib finds it.
    std::optional<std::string> Unit(const std::string& path)
    {
        if (failure) return std::nullopt;
        auto found = reader.Resolve(path);
        if (!found) {
            failure = found.error();
            return std::nullopt;
        }
        return std::move(*found);
    }

    const std::vector<std::string>& Entries()
    {
        if (entriesListed || failure) return entries;
        entriesListed = true;
        auto listed = reader.List();
        if (!listed) {
            failure = listed.error();
            return entries;
        }
        entries = std::move(*listed);
        std::sort(entries.begin(), entries.end(),
                  [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
        return entries;
    }

    // The stored path of a normalised path ("/a/b.htm"), case ignored.
    std::optional<std::string> Find(const std::string& path)
    {
        if (auto unit = Unit(path)) return unit;
        for (const std::string& entry : Entries())
            if (EqualsNoCase(entry, path)) return Unit(entry);
        return std::nullopt;
    }

    std::optional<std::string> FindWritten(std::string_view written)
    {
        if (auto unit = Find(JoinParts(PathParts(written)))) return unit;
        // "page.htm#part": the page.
        const std::size_t hash = written.rfind('#');
        if (hash != std::string_view::npos && hash > 0 && written[hash - 1] != '/' && written[hash - 1] != '\\')
            return Find(JoinParts(PathParts(written.substr(0, hash))));
        return std::nullopt;
    }

    Result<std::string> ReadUnit(const std::string& path, std::uint64_t limit = kMaxChmEntrySize)
    {
        if (failure) return *failure;
        auto bytes = reader.Read(path, limit);
        if (!bytes && bytes.error().domain == ErrorDomain::FileSystem) failure = bytes.error();
        return bytes;
    }

    Result<void> ReadContexts()
    {
        if (contextsRead) return contextsError ? Result<void>(*contextsError) : Ok();
        contextsRead = true;
        const auto fail = [&](Error error) {
            contextsError = std::move(error);
            return Result<void>(*contextsError);
        };
        auto ivbUnit = Unit("/#IVB");
        if (!ivbUnit) return fail(NoTopic("the file maps no context numbers (it has no /#IVB)"));
        auto ivb = ReadUnit(*ivbUnit, kMaxTableSize);
        if (!ivb) return fail(ivb.error());
        auto table = ParseContextTable(*ivb);
        if (!table) return fail(table.error().In(name));
        auto stringsUnit = Unit("/#STRINGS");
        if (!stringsUnit)
            return fail(failure ? *failure : Damaged("the context table has no string table (/#STRINGS)"));
        auto read = ReadUnit(*stringsUnit, kMaxTableSize);
        if (!read) return fail(read.error());
        contexts = std::move(*table);
        strings = std::move(*read);
        return Ok();
    }
};

ChmFile::ChmFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
ChmFile::ChmFile(ChmFile&&) noexcept = default;
ChmFile& ChmFile::operator=(ChmFile&&) noexcept = default;
ChmFile::~ChmFile() = default;

Result<ChmFile> ChmFile::Open(const fs::path& file)
{
    const std::string name = file.string();
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (ec || !fs::exists(status)) {
        const int code = ec ? ec.value() : ENOENT;
        return Error::FileSystem(code, name + ": " + std::generic_category().message(code));
    }
    if (fs::is_directory(status)) return Error::FileSystem(EISDIR, name + ": a folder, not a help file");
    if (!fs::is_regular_file(status)) return Error::FileSystem(0, name + ": not a regular file");
    // chmlib says nothing about why it fails; a file that cannot be read is told apart here.
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        const int code = errno;
        return Error::FileSystem(code, name + ": " + std::strerror(code));
    }
    ::close(descriptor);

    auto reader = ChmReader::Start(file);
    if (!reader) return reader.error();
    auto impl = std::make_unique<Impl>(name, std::move(*reader));
    if (auto unit = impl->Unit("/#SYSTEM")) {
        // The default topic and title are a convenience: a damaged /#SYSTEM
        // leaves the file usable by context number.
        if (auto system = impl->ReadUnit(*unit, kMaxTableSize)) impl->system = ParseSystem(*system);
    }
    if (impl->failure) return *impl->failure;
    return ChmFile(std::move(impl));
}

const std::string& ChmFile::Title() const
{
    return m_impl->system.title;
}

Result<std::string> ChmFile::Resolve(std::string_view path)
{
    if (auto unit = m_impl->FindWritten(path)) return *unit;
    return m_impl->NoTopic("no entry " + std::string(path) + " in the file");
}

Result<std::string> ChmFile::Read(std::string_view path)
{
    auto unit = m_impl->FindWritten(path);
    if (!unit) return m_impl->NoTopic("no entry " + std::string(path) + " in the file");
    return m_impl->ReadUnit(*unit);
}

Result<std::string> ChmFile::ContextTopic(std::uint32_t context)
{
    if (auto known = m_impl->contextTopics.find(context); known != m_impl->contextTopics.end()) return known->second;
    if (auto read = m_impl->ReadContexts(); !read) return read.error();
    const auto mapped = m_impl->contexts.find(context);
    if (mapped == m_impl->contexts.end())
        return m_impl->NoTopic("no topic for context " + std::to_string(context) + " (the file maps " +
                               std::to_string(m_impl->contexts.size()) + " context numbers)");
    auto written = StringAt(m_impl->strings, mapped->second);
    if (!written) return written.error().In(m_impl->name + ": context " + std::to_string(context));

    std::optional<std::string> unit = m_impl->FindWritten(*written);
    // Compilers on other systems may store the path the topic was compiled
    // from ("/home/u/project/a/b.htm"): its longest trailing part that names
    // an entry ("/a/b.htm") is the topic.
    const std::vector<std::string> parts = PathParts(*written);
    for (std::size_t from = 1; !unit && from < parts.size(); ++from) unit = m_impl->Find(JoinParts(parts, from));
    if (!unit)
        return m_impl->NoTopic("context " + std::to_string(context) + " names " + *written +
                               ", which the file does not hold");
    m_impl->contextTopics.emplace(context, *unit);
    return *unit;
}

Result<std::string> ChmFile::KeywordTopic(std::string_view keyword)
{
    if (keyword.empty()) return m_impl->NoTopic("an empty keyword names no topic");
    if (auto unit = m_impl->FindWritten(keyword)) return *unit;
    const std::string name(FileNamePart(keyword));
    if (!name.empty()) {
        const std::string candidates[] = {name, name + ".htm", name + ".html"};
        for (const std::string& candidate : candidates) {
            if (candidate != name) {
                if (auto unit = m_impl->Find("/" + candidate)) return *unit;
            }
            for (const std::string& entry : m_impl->Entries())
                if (EqualsNoCase(FileNamePart(entry), candidate)) return entry;
        }
    }
    return m_impl->NoTopic("no topic for the keyword " + std::string(keyword));
}

Result<std::string> ChmFile::DefaultTopic()
{
    if (!m_impl->system.defaultTopic.empty()) {
        if (auto unit = m_impl->FindWritten(m_impl->system.defaultTopic)) return *unit;
    }
    for (const std::string& entry : m_impl->Entries())
        if (IsPage(entry) && !entry.starts_with("/#") && !entry.starts_with("/$")) return entry;
    return m_impl->NoTopic("the file has no default topic and no page");
}

}  // namespace arbolith::help
