// SPDX-License-Identifier: MIT
#include "platform/profile.h"

#include "platform/files.h"
#include "platform/ini.h"
#include "platform/text_encoding.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <system_error>
#include <unordered_set>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kNpos = std::numeric_limits<std::size_t>::max();

// Settings and model files are kilobytes to a few megabytes; anything this
// large is not one of ours and is refused rather than read into memory.
constexpr std::size_t kMaxFileSize = std::size_t{256} << 20;

std::string SystemMessage(int error)
{
    return std::system_category().message(error);
}

Error FileError(const fs::path& file, int number, std::string_view what)
{
    return Error::FileSystem(number, file.string() + ": " + std::string(what));
}

// The whole file, or nothing when it does not exist.
Result<std::optional<std::string>> ReadWholeFile(const fs::path& file)
{
    // O_NONBLOCK keeps a FIFO given by mistake from blocking the open; the
    // fstat below refuses it anyway.
    const int raw = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (raw < 0) {
        const int error = errno;
        if (error == ENOENT) return std::optional<std::string>();
        return FileError(file, error, "cannot open: " + SystemMessage(error));
    }
    UniqueFd fd(raw);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        const int error = errno;
        return FileError(file, error, "cannot examine: " + SystemMessage(error));
    }
    if (S_ISDIR(info.st_mode)) return FileError(file, EISDIR, "is a folder, not a file");
    if (!S_ISREG(info.st_mode)) return FileError(file, EINVAL, "is not a regular file");
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxFileSize)
        return FileError(file, EFBIG, "is larger than 256 MB");

    // st_size is a hint only: the file may grow while it is read.
    std::string data(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == data.size()) {
            if (data.size() > kMaxFileSize) return FileError(file, EFBIG, "is larger than 256 MB");
            data.resize(data.size() * 2);
        }
        const ssize_t n = ::read(fd.get(), data.data() + used, data.size() - used);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR) continue;
            return FileError(file, error, "cannot read: " + SystemMessage(error));
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    data.resize(used);
    return std::optional<std::string>(std::move(data));
}

bool IsBlank(std::string_view text)
{
    return TrimView(text).empty();
}
bool IsComment(std::string_view text)
{
    const std::string_view t = TrimView(text);
    return !t.empty() && t.front() == ';';
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

// The text that reads back as `value`. Reading trims white space and strips
// one pair of matching quotes, so a value that would lose either is written
// inside double quotes; every other value is written as it is, the way
// Windows writes it.
std::string EncodeValue(std::string_view value)
{
    if (value.empty()) return {};
    const bool edgeSpace = TrimView(value).size() != value.size();
    const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
    if (!edgeSpace && !quoted) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Case-blind hashing for the set of key names already listed.
struct NoCaseHash {
    std::size_t operator()(std::string_view text) const
    {
        std::size_t hash = 14695981039346656037ULL;  // FNV-1a
        for (char c : text) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        }
        return hash;
    }
};
struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};

}  // namespace

// --- reading ---------------------------------------------------------------

Result<ProfileDocument> ProfileDocument::Load(const fs::path& file)
{
    auto bytes = ReadWholeFile(file);
    if (!bytes) return bytes.error();
    if (!bytes->has_value()) return ProfileDocument();
    return Parse(**bytes);
}

ProfileDocument ProfileDocument::Parse(std::string_view bytes)
{
    ProfileDocument doc;
    doc.m_bom = bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    const std::string text = DecodeFileText(bytes);
    doc.m_lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);

    bool endingSeen = false;
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t newline = text.find('\n', pos);
        std::size_t textEnd = newline == std::string::npos ? text.size() : newline;
        auto ending = Line::Ending::None;
        if (newline != std::string::npos) {
            ending = Line::Ending::Lf;
            if (textEnd > pos && text[textEnd - 1] == '\r') {
                --textEnd;
                ending = Line::Ending::CrLf;
            }
            // The first line ending sets the style of lines added later.
            if (!endingSeen) doc.m_crlf = ending == Line::Ending::CrLf;
            endingSeen = true;
        }
        Line line = ParseLine(text.substr(pos, textEnd - pos));
        line.ending = ending;
        if (line.kind == Line::Kind::Section) {
            inSection = true;
        } else if (line.kind == Line::Kind::Key && !inSection) {
            // Lines above the first section belong to no section and are never read.
            line.kind = Line::Kind::Other;
        }
        doc.m_lines.push_back(std::move(line));
        pos = newline == std::string::npos ? text.size() : newline + 1;
    }
    return doc;
}

ProfileDocument::Line ProfileDocument::ParseLine(std::string text)
{
    Line line;
    line.text = std::move(text);
    const std::string_view whole = line.text;
    // Offsets are 32 bits; a longer line (only Parse could be handed one) is
    // kept as an ordinary line.
    if (whole.size() > std::numeric_limits<std::uint32_t>::max()) return line;
    auto range = [whole](std::string_view part, std::uint32_t& start, std::uint32_t& size) {
        start = static_cast<std::uint32_t>(part.data() - whole.data());
        size = static_cast<std::uint32_t>(part.size());
    };

    const std::string_view t = TrimView(whole);
    if (!t.empty() && t.front() == '[') {
        line.kind = Line::Kind::Section;
        const std::size_t close = t.find(']', 1);
        range(TrimView(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)),
              line.nameStart, line.nameSize);
    } else if (!t.empty() && t.front() != ';') {
        const std::size_t eq = t.find('=');
        const std::string_view name = TrimView(t.substr(0, eq));
        // "=value" names no key: nothing can look it up, so it stays an
        // ordinary line that writes leave alone.
        if (!name.empty()) {
            line.kind = Line::Kind::Key;
            range(name, line.nameStart, line.nameSize);
            const std::string_view value =
                eq == std::string_view::npos ? t.substr(t.size()) : Unquote(TrimView(t.substr(eq + 1)));
            range(value, line.valueStart, line.valueSize);
        }
    }
    return line;
}

std::size_t ProfileDocument::FindSection(std::string_view section) const
{
    section = TrimView(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Line::Kind::Section && EqualsNoCase(m_lines[i].Name(), section)) return i;
    return kNpos;
}

std::size_t ProfileDocument::SectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Kind::Section) ++i;
    return i;
}

std::size_t ProfileDocument::FindKey(std::size_t header, std::string_view key) const
{
    key = TrimView(key);
    for (std::size_t i = header + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section) break;
        if (line.kind == Line::Kind::Key && EqualsNoCase(line.Name(), key)) return i;
    }
    return kNpos;
}

std::optional<std::string> ProfileDocument::Get(std::string_view section, std::string_view key) const
{
    const std::size_t header = FindSection(section);
    if (header == kNpos) return std::nullopt;
    const std::size_t line = FindKey(header, key);
    if (line == kNpos) return std::nullopt;
    return std::string(m_lines[line].Value());
}

std::vector<std::string> ProfileDocument::SectionKeys(std::string_view section) const
{
    std::vector<std::string> keys;
    const std::size_t header = FindSection(section);
    if (header == kNpos) return keys;
    std::unordered_set<std::string_view, NoCaseHash, NoCaseEqual> seen;
    for (std::size_t i = header + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section) break;
        if (line.kind == Line::Kind::Key && seen.insert(line.Name()).second) keys.emplace_back(line.Name());
    }
    return keys;
}

std::vector<std::pair<std::string, std::string>> ProfileDocument::SectionEntries(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> entries;
    const std::size_t header = FindSection(section);
    if (header == kNpos) return entries;
    std::unordered_set<std::string_view, NoCaseHash, NoCaseEqual> seen;
    for (std::size_t i = header + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Kind::Section) break;
        if (line.kind == Line::Kind::Key && seen.insert(line.Name()).second)
            entries.emplace_back(line.Name(), line.Value());
    }
    return entries;
}

bool ProfileDocument::HasSection(std::string_view section) const
{
    return FindSection(section) != kNpos;
}

// --- changing ----------------------------------------------------------------

void ProfileDocument::InsertLine(std::size_t index, std::string text)
{
    const auto ending = m_crlf ? Line::Ending::CrLf : Line::Ending::Lf;
    if (index > 0 && m_lines[index - 1].ending == Line::Ending::None) m_lines[index - 1].ending = ending;
    Line line = ParseLine(std::move(text));
    line.ending = ending;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    section = TrimView(section);
    key = TrimView(key);
    // PutIniString checks and reports these; a caller that skips the check
    // gets no change rather than a line that reads back as something else.
    if (section.empty() || section.find(']') != std::string_view::npos || HasLineBreak(section) ||
        !InvalidKeyNameReason(key).empty() || HasLineBreak(value))
        return;

    const std::string keyLine = std::string(key) + "=" + EncodeValue(value);
    if (!m_setIndex || !EqualsNoCase(m_lines[m_setIndex->header].Name(), section)) {
        const std::size_t header = FindSection(section);
        if (header == kNpos)
            m_setIndex.reset();
        else
            IndexSection(header);
    }
    if (!m_setIndex) {
        // Follow the file's habit: a blank line between sections unless the
        // sections after the first one sit directly under the previous one.
        bool blankBetween = true;
        bool firstHeaderSeen = false;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (m_lines[i].kind != Line::Kind::Section) continue;
            if (firstHeaderSeen) {
                std::size_t above = i;
                while (above > 0 && IsComment(m_lines[above - 1].text)) --above;
                blankBetween = above > 0 && IsBlank(m_lines[above - 1].text);
                break;
            }
            firstHeaderSeen = true;
        }
        if (blankBetween && !m_lines.empty() && !IsBlank(m_lines.back().text)) InsertLine(m_lines.size(), "");
        InsertLine(m_lines.size(), "[" + std::string(section) + "]");
        InsertLine(m_lines.size(), keyLine);
        IndexSection(m_lines.size() - 2);
        return;
    }

    SetIndex& index = *m_setIndex;
    std::string lowered = AsciiLower(key);
    if (const auto existing = index.keys.find(lowered); existing != index.keys.end()) {
        // Keep the line's own spelling of the name and its spacing up to the
        // value; only the value changes.
        Line& line = m_lines[existing->second];
        const std::string_view text = line.text;
        std::string prefix;
        const std::size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            const std::string_view trimmed = TrimView(text);
            prefix =
                std::string(text.substr(0, static_cast<std::size_t>(trimmed.data() - text.data()) + trimmed.size())) +
                "=";
        } else {
            std::size_t after = eq + 1;
            while (after < text.size() && (text[after] == ' ' || text[after] == '\t')) ++after;
            prefix = std::string(text.substr(0, after));
        }
        const auto ending = line.ending;
        line = ParseLine(prefix + EncodeValue(value));
        line.ending = ending;
        return;
    }

    InsertLine(index.insertAt, keyLine);
    index.keys.emplace(std::move(lowered), index.insertAt++);
}

void ProfileDocument::IndexSection(std::size_t header)
{
    // A new key goes under the last key of the section, above any blank
    // lines or comments that end it (they usually introduce the next section).
    SetIndex index{header, header + 1, {}};
    for (std::size_t i = header + 1; i < m_lines.size() && m_lines[i].kind != Line::Kind::Section; ++i) {
        if (m_lines[i].kind != Line::Kind::Key) continue;
        index.keys.try_emplace(AsciiLower(m_lines[i].Name()), i);  // the first of a name wins
        index.insertAt = i + 1;
    }
    m_setIndex = std::move(index);
}

void ProfileDocument::DeleteKey(std::string_view section, std::string_view key)
{
    // Every copy in the section goes, so the key reads as absent afterwards
    // instead of a later duplicate coming to light.
    const std::size_t header = FindSection(section);
    if (header == kNpos) return;
    m_setIndex.reset();
    key = TrimView(key);
    const auto first = m_lines.begin() + static_cast<std::ptrdiff_t>(header + 1);
    const auto last = m_lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header));
    const auto kept = std::remove_if(first, last, [key](const Line& line) {
        return line.kind == Line::Kind::Key && EqualsNoCase(line.Name(), key);
    });
    m_lines.erase(kept, last);
}

void ProfileDocument::DeleteSection(std::string_view section)
{
    m_setIndex.reset();
    for (std::size_t header = FindSection(section); header != kNpos; header = FindSection(section)) {
        std::size_t from = header;
        std::size_t to = SectionEnd(header);
        if (to < m_lines.size()) {
            // Comments directly above the next header describe that section: keep them.
            while (to > header + 1 && IsComment(m_lines[to - 1].text)) --to;
        } else {
            // The last section: take the blank lines that separated it too, so
            // the file does not end in blank lines.
            while (from > 0 && IsBlank(m_lines[from - 1].text)) --from;
        }
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(from),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(to));
    }
}

// --- writing -----------------------------------------------------------------

std::string ProfileDocument::Serialize() const
{
    auto EndingText = [](Line::Ending ending) -> std::string_view {
        return ending == Line::Ending::CrLf ? "\r\n" : ending == Line::Ending::Lf ? "\n" : "";
    };
    std::size_t size = m_bom ? kUtf8Bom.size() : 0;
    for (const Line& line : m_lines) size += line.text.size() + EndingText(line.ending).size();
    std::string out;
    out.reserve(size);
    if (m_bom) out += kUtf8Bom;
    for (const Line& line : m_lines) {
        out += line.text;
        out += EndingText(line.ending);
    }
    return out;
}

Result<void> ProfileDocument::Save(const fs::path& file) const
{
    return WriteFileAtomically(file, Serialize());
}

}  // namespace arbolith
