// SPDX-License-Identifier: MIT
#include "platform/wine_registry.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// Key names below this (compared without regard to case) are kept.
constexpr std::string_view kTypelibRoot = "software\\classes\\typelib\\";
// The same as it stands in a key line, backslashes doubled.
constexpr std::string_view kRawTypelibKey = "[software\\\\classes\\\\typelib\\\\";
// A real system.reg is a few MB; anything this large is not one.
constexpr std::uintmax_t kMaxFileSize = 256u * 1024 * 1024;
// How many bad line numbers a reason quotes before it just counts them.
constexpr std::size_t kQuotedBadLines = 3;

// The default value of one key under Software\Classes\Typelib.
struct KeyData {
    std::string path;                  // below the Typelib key, decoded, as written
    std::optional<std::string> value;  // only string values (str, str(1), str(2))
    bool expandable = false;           // str(2): may hold %SystemRoot% and the like
};
// Keyed by the lower-case path, so that user.reg replaces system.reg's key
// however either spells it.
using KeyMap = std::map<std::string, KeyData>;

struct FileReport {
    bool headerOk = true;
    std::size_t badLines = 0;
    std::vector<std::size_t> firstBadLines;

    void Bad(std::size_t line)
    {
        if (firstBadLines.size() < kQuotedBadLines) firstBadLines.push_back(line);
        ++badLines;
    }
};

bool IsHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexValue(char c)
{
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return static_cast<unsigned>(c - 'A' + 10);
}

// Parses 1 to maxDigits hex digits, the whole of text.
std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (!IsHex(c)) return std::nullopt;
        value = value * 16 + HexValue(c);
    }
    return value;
}

// Builds UTF-8 from the UTF-16 code units that "\x" and octal escapes
// carry, pairing surrogates written as two escapes. A lone surrogate
// becomes U+FFFD rather than an invalid UTF-8 sequence.
class EscapedText {
public:
    void Unit(std::uint32_t unit)
    {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushHigh();
            m_high = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (m_high) {
                AppendUtf8(m_out, 0x10000 + ((m_high - 0xD800) << 10) + (unit - 0xDC00));
                m_high = 0;
            } else {
                AppendUtf8(m_out, 0xFFFD);
            }
        } else {
            FlushHigh();
            AppendUtf8(m_out, unit);
        }
    }
    void Byte(char c)
    {
        FlushHigh();
        m_out += c;
    }
    std::string Take()
    {
        FlushHigh();
        return std::move(m_out);
    }

private:
    void FlushHigh()
    {
        if (m_high) AppendUtf8(m_out, 0xFFFD);
        m_high = 0;
    }

    std::string m_out;
    std::uint32_t m_high = 0;
};

// Decodes text[pos...] up to the first unescaped `terminator` and moves pos
// past it. Nothing when the line ends first (a truncated line).
// Escapes: \\ \" and the C letters (\n \r \t \a \b \e \f \v); \x with up to
// four hex digits and \ with up to three octal digits give a UTF-16 code
// unit. Any other escaped character stands for itself.
std::optional<std::string> Unescape(std::string_view text, std::size_t& pos, char terminator)
{
    EscapedText out;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == terminator) return out.Take();
        if (c != '\\') {
            out.Byte(c);
            continue;
        }
        if (pos >= text.size()) break;
        const char e = text[pos++];
        switch (e) {
            case 'n':
                out.Byte('\n');
                break;
            case 'r':
                out.Byte('\r');
                break;
            case 't':
                out.Byte('\t');
                break;
            case 'a':
                out.Byte('\a');
                break;
            case 'b':
                out.Byte('\b');
                break;
            case 'e':
                out.Byte('\x1b');
                break;
            case 'f':
                out.Byte('\f');
                break;
            case 'v':
                out.Byte('\v');
                break;
            case 'x': {
                std::uint32_t unit = 0;
                std::size_t digits = 0;
                while (digits < 4 && pos < text.size() && IsHex(text[pos])) {
                    unit = unit * 16 + HexValue(text[pos++]);
                    ++digits;
                }
                if (digits == 0)
                    out.Byte('x');
                else
                    out.Unit(unit);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
                    for (int i = 0; i < 2 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++i)
                        unit = unit * 8 + static_cast<std::uint32_t>(text[pos++] - '0');
                    out.Unit(unit);
                } else {
                    out.Byte(e);
                }
        }
    }
    return std::nullopt;
}

enum class ValueKind { String, ExpandString, Other, Malformed };

// Reads the data after "@=". String types yield their text, cut at the
// first NUL as a Windows program reading a REG_SZ would see it.
ValueKind ReadValue(std::string_view data, std::string& text)
{
    ValueKind kind = ValueKind::String;
    std::size_t pos = 0;
    if (data.substr(0, 4) == "str(") {
        const std::size_t close = data.find("):", 4);
        if (close == std::string_view::npos) return ValueKind::Malformed;
        const auto type = ParseHex(data.substr(4, close - 4), 8);
        if (!type) return ValueKind::Malformed;
        if (*type == 2)
            kind = ValueKind::ExpandString;
        else if (*type != 1)
            return ValueKind::Other;  // multi-strings and other types
        pos = close + 2;
    } else if (data.substr(0, 6) == "dword:" || data.substr(0, 3) == "hex") {
        return ValueKind::Other;
    }
    if (pos >= data.size() || data[pos] != '"') return ValueKind::Malformed;
    ++pos;
    auto decoded = Unescape(data, pos, '"');
    if (!decoded) return ValueKind::Malformed;
    text = std::move(*decoded);
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return kind;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// One pass over the bytes of a .reg file. Only the lines kept are decoded
// (UTF-8, else Windows-1252, line by line, so one damaged stretch does not
// change how the rest reads); other lines get a first-character check so
// that damage anywhere in the file is still reported.
void ParseRegFile(std::string_view text, KeyMap& keys, FileReport& report)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark from an editor
    KeyData* current = nullptr;
    std::size_t pos = 0;
    std::size_t lineNo = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (lineNo == 1) {
            if (TrimView(line) == kHeader) continue;
            // Read on: a file that lost its first line still holds keys. The
            // missing header is reported once, not again as a bad line.
            report.headerOk = false;
            if (line.empty() || line[0] != '[') continue;
        }
        if (line.empty()) continue;

        switch (line[0]) {
            case '[': {
                current = nullptr;
                // Most of a system.reg is other keys. Wine writes ASCII names
                // without escapes, so the raw text tells them apart without
                // decoding; a damaged key line is still noticed.
                if (!StartsWithNoCase(line, kRawTypelibKey)) {
                    if (line.find(']') == std::string_view::npos) report.Bad(lineNo);
                    break;
                }
                const std::string decoded = DecodeFileText(line);
                std::size_t at = 1;
                auto name = Unescape(decoded, at, ']');
                if (!name) {
                    report.Bad(lineNo);  // no closing "]": the values that follow belong to no key
                    break;
                }
                if (StartsWithNoCase(*name, kTypelibRoot) && name->size() > kTypelibRoot.size()) {
                    std::string path = name->substr(kTypelibRoot.size());
                    KeyData& data = keys[AsciiLower(path)];
                    data = KeyData{std::move(path), std::nullopt, false};
                    current = &data;
                }
                break;
            }
            case '@': {
                if (!current) break;
                if (line.size() < 2 || line[1] != '=') {
                    report.Bad(lineNo);
                    break;
                }
                std::string value;
                const ValueKind kind = ReadValue(DecodeFileText(line.substr(2)), value);
                if (kind == ValueKind::String || kind == ValueKind::ExpandString) {
                    current->expandable = kind == ValueKind::ExpandString;
                    current->value = std::move(value);
                } else if (kind == ValueKind::Malformed) {
                    report.Bad(lineNo);
                }
                break;
            }
            case '"':  // named values: none of ours are needed
            case ';':  // comments
            case '#':  // #time=, #arch=, #class=
            case ' ':  // continuation of a hex value
            case '\t':
                break;
            default:
                report.Bad(lineNo);
        }
    }
}

struct FileText {
    std::optional<std::string> text;
    std::string problem;
};

FileText ReadRegFile(const fs::path& file)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return {std::nullopt, file.filename().string() + " is not a file"};
    const auto size = fs::file_size(file, ec);
    if (!ec && size > kMaxFileSize)
        return {std::nullopt,
                file.filename().string() + " is too large to be a registry file (" + std::to_string(size) + " bytes)"};
    std::ifstream in(file, std::ios::binary);
    if (!in) return {std::nullopt, file.filename().string() + " cannot be read: " + std::strerror(errno)};
    std::string bytes;
    if (!ec) {
        bytes.resize(static_cast<std::size_t>(size));
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<std::size_t>(in.gcount()));  // the file may have shrunk meanwhile
    }
    if (in.bad()) return {std::nullopt, file.filename().string() + " cannot be read"};
    return {std::move(bytes), {}};
}

std::string DescribeProblems(const std::string& name, const FileReport& report)
{
    std::string out;
    if (!report.headerOk) out = name + " does not start with \"" + std::string(kHeader) + "\"";
    if (report.badLines > 0) {
        if (!out.empty()) out += "; ";
        out += name + ": " + std::to_string(report.badLines) +
               (report.badLines == 1 ? " line could not be read and was skipped (line "
                                     : " lines could not be read and were skipped (lines ");
        for (std::size_t i = 0; i < report.firstBadLines.size(); ++i) {
            if (i) out += ", ";
            out += std::to_string(report.firstBadLines[i]);
        }
        if (report.badLines > report.firstBadLines.size()) out += ", ...";
        out += ")";
    }
    return out;
}

std::vector<std::string_view> SplitPath(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t sep = path.find('\\', start);
        parts.push_back(path.substr(start, sep == std::string_view::npos ? std::string_view::npos : sep - start));
        if (sep == std::string_view::npos) break;
        start = sep + 1;
    }
    return parts;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
bool IsGuid(std::string_view text)
{
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != '-' : !IsHex(text[i])) return false;
    }
    return true;
}

std::optional<std::pair<std::uint16_t, std::uint16_t>> ParseVersion(std::string_view text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const auto major = ParseHex(text.substr(0, dot), 4);
    const auto minor = ParseHex(text.substr(dot + 1), 4);
    if (!major || !minor) return std::nullopt;
    return std::pair{static_cast<std::uint16_t>(*major), static_cast<std::uint16_t>(*minor)};
}

// The variables registrations use, with the values Wine gives them. An
// unknown variable stays as written and the path then fails to map.
std::string ExpandVariables(std::string_view text)
{
    static constexpr std::pair<std::string_view, std::string_view> kVariables[] = {
        {"%SystemRoot%", "C:\\windows"},
        {"%windir%", "C:\\windows"},
        {"%SystemDrive%", "C:"},
        {"%ProgramFiles%", "C:\\Program Files"},
        {"%ProgramFiles(x86)%", "C:\\Program Files (x86)"},
        {"%CommonProgramFiles%", "C:\\Program Files\\Common Files"},
    };
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        bool replaced = false;
        if (text[pos] == '%') {
            for (const auto& [name, value] : kVariables) {
                if (StartsWithNoCase(text.substr(pos), name)) {
                    out += value;
                    pos += name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[pos++];
    }
    return out;
}

// "\\?\C:\x" and the kernel's "\??\C:\x" both name "C:\x".
std::string_view StripLongPathPrefix(std::string_view path)
{
    if (path.substr(0, 4) == "\\\\?\\" || path.substr(0, 4) == "\\??\\") path.remove_prefix(4);
    return path;
}

std::uint32_t ParseFlags(std::string_view text)
{
    std::uint32_t value = 0;
    for (const char c : TrimView(text)) {
        if (c < '0' || c > '9' || value > 0x0FFFFFFF) break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

bool IsDecimalNumber(std::string_view text)
{
    text = TrimView(text);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::uint32_t> ParseResourceNumber(std::string_view text)
{
    if (text.empty() || text.size() > 5) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value == 0 ? std::nullopt : std::optional<std::uint32_t>(value);
}

}  // namespace

std::vector<fs::path> FindWinePrefixes()
{
    const auto environment = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::string(value) : std::string();
    };
    std::vector<fs::path> candidates;
    if (std::string prefix = environment("WINEPREFIX"); !prefix.empty()) candidates.emplace_back(prefix);
    const std::string home = environment("HOME");
    if (!home.empty()) candidates.push_back(fs::path(home) / ".wine");
    fs::path dataHome = environment("XDG_DATA_HOME");
    if (!dataHome.is_absolute()) dataHome = home.empty() ? fs::path() : fs::path(home) / ".local" / "share";
    if (!dataHome.empty()) {
        std::vector<fs::path> shared;
        std::error_code ec;
        for (fs::directory_iterator it(dataHome / "wineprefixes", ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->is_directory(typeError)) shared.push_back(it->path());
        }
        std::sort(shared.begin(), shared.end());
        candidates.insert(candidates.end(), shared.begin(), shared.end());
    }
    // One folder under two spellings (a link, a trailing "/") is one prefix.
    std::vector<fs::path> prefixes;
    std::set<fs::path> seen;
    for (const fs::path& candidate : candidates) {
        std::error_code ec;
        if (!fs::is_regular_file(candidate / "system.reg", ec)) continue;
        fs::path key = fs::canonical(candidate, ec);
        if (ec) key = fs::absolute(candidate, ec).lexically_normal();
        if (seen.insert(key).second) prefixes.push_back(candidate);
    }
    return prefixes;
}

fs::path WineRegistry::DefaultPrefix()
{
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return fs::path(prefix);
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".wine";
    return {};
}

WineRegistry WineRegistry::Open(std::optional<fs::path> prefix)
{
    WineRegistry registry;
    registry.m_prefix = prefix ? *prefix : DefaultPrefix();
    std::vector<std::string> reasons;
    const auto finish = [&]() {
        for (std::size_t i = 0; i < reasons.size(); ++i) {
            if (i) registry.m_reason += "; ";
            registry.m_reason += reasons[i];
        }
        return std::move(registry);
    };

    if (registry.m_prefix.empty()) {
        reasons.push_back("no Wine prefix (neither WINEPREFIX nor HOME is set)");
        return finish();
    }
    const std::string shown = registry.m_prefix.string();
    std::error_code ec;
    if (!fs::is_directory(registry.m_prefix, ec)) {
        reasons.push_back("no Wine prefix at " + shown + " (set WINEPREFIX)");
        return finish();
    }
    const fs::path systemFile = registry.m_prefix / "system.reg";
    if (!fs::exists(fs::symlink_status(systemFile, ec))) {
        reasons.push_back("no Wine prefix at " + shown + ": it has no system.reg (set WINEPREFIX)");
        return finish();
    }
    registry.m_hasPrefix = true;

    // HKEY_CLASSES_ROOT: user.reg's keys replace system.reg's.
    KeyMap keys;
    const auto readInto = [&](const fs::path& file, KeyMap& into) {
        FileText read = ReadRegFile(file);
        if (!read.text) {
            reasons.push_back(read.problem);
            return;
        }
        FileReport report;
        ParseRegFile(*read.text, into, report);
        if (std::string problems = DescribeProblems(file.filename().string(), report); !problems.empty())
            reasons.push_back(std::move(problems));
    };
    readInto(systemFile, keys);
    const fs::path userFile = registry.m_prefix / "user.reg";
    if (fs::exists(fs::symlink_status(userFile, ec))) {
        KeyMap userKeys;
        readInto(userFile, userKeys);
        for (auto& [lower, data] : userKeys) keys.insert_or_assign(lower, std::move(data));
    }

    // Gather each version's keys, then make one entry per locale and platform.
    struct FileKey {
        std::string lcid;
        bool win64 = false;
        std::string path;
    };
    struct Version {
        std::string description;
        std::string helpDir;
        std::uint32_t flags = 0;
        bool hasFlags = false;
        std::vector<FileKey> files;
    };
    std::map<std::tuple<std::string, std::uint16_t, std::uint16_t>, Version> versions;
    for (const auto& [lower, data] : keys) {
        const auto parts = SplitPath(data.path);
        if (parts.size() < 2 || parts.size() > 4 || !IsGuid(parts[0])) continue;
        const auto version = ParseVersion(parts[1]);
        if (!version) continue;
        std::string value = data.value.value_or(std::string());
        if (data.expandable) value = ExpandVariables(value);
        Version& v = versions[{AsciiUpper(parts[0]), version->first, version->second}];
        if (parts.size() == 2) {
            v.description = std::move(value);
        } else if (parts.size() == 3) {
            if (EqualsNoCase(parts[2], "FLAGS")) {
                v.flags = ParseFlags(value);
                v.hasFlags = data.value && IsDecimalNumber(value);
            } else if (EqualsNoCase(parts[2], "HELPDIR")) {
                v.helpDir = std::move(value);
            }
        } else if (ParseHex(parts[2], 8)) {
            const bool win64 = EqualsNoCase(parts[3], "win64");
            if (win64 || EqualsNoCase(parts[3], "win32"))
                v.files.push_back({std::string(parts[2]), win64, std::move(value)});
        }
    }

    for (auto& [id, version] : versions) {
        for (FileKey& file : version.files) {
            RegisteredTypeLib lib;
            lib.guid = std::get<0>(id);
            lib.major = std::get<1>(id);
            lib.minor = std::get<2>(id);
            lib.lcid = std::move(file.lcid);
            lib.win64 = file.win64;
            lib.description = version.description;
            lib.helpDir = version.helpDir;
            lib.flags = version.flags;
            lib.hasFlags = version.hasFlags;
            lib.windowsPath = std::string(StripLongPathPrefix(file.path));

            if (lib.windowsPath.empty()) {
                lib.problem = "no file is registered";
            } else {
                auto mapped = registry.MapWindowsPath(lib.windowsPath);
                if (mapped && fs::is_regular_file(*mapped, ec)) {
                    lib.linuxPath = std::move(*mapped);
                } else {
                    // "C:\x\vbscript.dll\2" names the second TYPELIB resource of vbscript.dll.
                    const std::size_t sep = lib.windowsPath.find_last_of('\\');
                    const auto number = sep == std::string::npos
                                            ? std::nullopt
                                            : ParseResourceNumber(std::string_view(lib.windowsPath).substr(sep + 1));
                    std::optional<std::string> container;
                    if (number) {
                        auto owner = registry.MapWindowsPath(std::string_view(lib.windowsPath).substr(0, sep));
                        if (owner && fs::is_regular_file(*owner, ec)) container = std::move(*owner);
                    }
                    if (container) {
                        lib.linuxPath = std::move(*container);
                        lib.resource = *number;
                    } else if (!mapped) {
                        lib.problem = mapped.error().description;
                    } else {
                        lib.problem = lib.windowsPath + ": " + *mapped + " is not a file";
                    }
                }
            }
            registry.m_typeLibs.push_back(std::move(lib));
        }
    }
    std::sort(registry.m_typeLibs.begin(), registry.m_typeLibs.end(),
              [](const RegisteredTypeLib& a, const RegisteredTypeLib& b) {
                  const auto lcidA = ParseHex(a.lcid, 8).value_or(0);
                  const auto lcidB = ParseHex(b.lcid, 8).value_or(0);
                  return std::tie(a.guid, a.major, a.minor, lcidA, a.win64) <
                         std::tie(b.guid, b.major, b.minor, lcidB, b.win64);
              });
    return finish();
}

std::optional<RegisteredTypeLib> WineRegistry::Find(std::string_view guid, std::uint16_t major,
                                                    std::uint16_t minor) const
{
    // Callers holding a bare GUID string need not add the braces.
    std::string wanted(TrimView(guid));
    if (!wanted.empty() && wanted.front() != '{') wanted = "{" + wanted + "}";

    std::vector<const RegisteredTypeLib*> sameMajor;
    bool exact = false;
    std::uint16_t highestMinor = 0;
    for (const RegisteredTypeLib& lib : m_typeLibs) {
        if (lib.major != major || !EqualsNoCase(lib.guid, wanted)) continue;
        sameMajor.push_back(&lib);
        exact = exact || lib.minor == minor;
        highestMinor = std::max(highestMinor, lib.minor);
    }
    const std::uint16_t chosenMinor = exact ? minor : highestMinor;

    const RegisteredTypeLib* best = nullptr;
    const auto rank = [](const RegisteredTypeLib& lib) {
        return std::tuple{!lib.linuxPath.empty(), ParseHex(lib.lcid, 8).value_or(1) == 0, lib.win64};
    };
    for (const RegisteredTypeLib* lib : sameMajor) {
        if (lib->minor != chosenMinor) continue;
        if (!best || rank(*lib) > rank(*best)) best = lib;
    }
    if (!best) return std::nullopt;
    return *best;
}

Result<std::string> WineRegistry::MapWindowsPath(std::string_view windowsPath) const
{
    std::string path(StripLongPathPrefix(windowsPath));
    std::replace(path.begin(), path.end(), '/', '\\');
    const auto fail = [&](const std::string& why) {
        return Error::FileSystem(0, std::string(windowsPath) + ": " + why);
    };

    if (path.substr(0, 2) == "\\\\" || StartsWithNoCase(path, "UNC\\")) return fail("network paths cannot be mapped");
    const char letter = path.empty() ? '\0' : path[0];
    const bool hasDrive =
        path.size() >= 2 && path[1] == ':' && ((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z'));
    if (!hasDrive) return fail("not an absolute path with a drive letter");
    if (path.size() > 2 && path[2] != '\\') return fail("a path relative to a drive cannot be mapped");
    if (!m_hasPrefix) return fail("no Wine prefix to map it through");

    // The drive: dosdevices/c: normally, though a hand-made prefix may use "C:".
    const fs::path devices = m_prefix / "dosdevices";
    const std::string drive = AsciiLower(path.substr(0, 2));
    std::error_code ec;
    fs::path root = FindEntryNoCase(devices, drive);
    if (!fs::exists(fs::symlink_status(root, ec)))
        return fail("drive " + AsciiUpper(drive) + " is not mapped (no " + drive + " in " + devices.string() + ")");
    if (fs::is_symlink(root, ec)) {
        fs::path target = fs::read_symlink(root, ec);
        if (ec) return fail("cannot read the link " + root.string() + ": " + ec.message());
        root = (target.is_absolute() ? target : devices / target).lexically_normal();
        if (root.has_relative_path() && !root.has_filename()) root = root.parent_path();  // "x/" -> "x"
    }
    if (!fs::is_directory(root, ec))
        return fail("drive " + AsciiUpper(drive) + " leads to " + root.string() + ", which is not a folder");

    // "." and ".." go first, by name alone, as Windows resolves them; ".."
    // never climbs above the drive.
    std::vector<std::string_view> parts;
    for (const std::string_view part : SplitPath(std::string_view(path).substr(2))) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    fs::path found = root;
    for (const std::string_view part : parts) {
        fs::path next = FindEntryNoCase(found, part);
        if (!fs::exists(fs::symlink_status(next, ec)))
            return fail("no \"" + std::string(part) + "\" in " + found.string());
        found = std::move(next);
    }
    return found.string();
}

}  // namespace arbolith
