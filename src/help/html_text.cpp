// SPDX-License-Identifier: MIT
#include "help/html_text.h"

#include "platform/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <utility>

namespace arbolith::help {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsAlnum(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Where `needle` (its first character no letter) starts in `text` at or after `from`, ASCII
// case ignored; npos when nowhere.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from)
{
    if (needle.empty()) return std::string_view::npos;
    for (std::size_t at = text.find(needle.front(), from); at != std::string_view::npos;
         at = text.find(needle.front(), at + 1)) {
        if (EqualsNoCase(text.substr(at, needle.size()), needle)) return at;
    }
    return std::string_view::npos;
}

// The '>' that ends a tag whose name ends before `from`; quoted attribute
// values may hold a '>'. npos for a tag left open at the end.
std::size_t FindTagEnd(std::string_view html, std::size_t from)
{
    char quote = 0;
    for (std::size_t at = from; at < html.size(); ++at) {
        const char c = html[at];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return at;
        }
    }
    return std::string_view::npos;
}

// Named references help pages use: the markup characters, typography and
// the Latin-1 letters. Sorted by name for the binary search.
constexpr std::pair<std::string_view, char32_t> kNamedReferences[] = {
    {"AElig", 0xC6},   {"Aacute", 0xC1},  {"Acirc", 0xC2},   {"Agrave", 0xC0}, {"Aring", 0xC5},   {"Atilde", 0xC3},
    {"Auml", 0xC4},    {"Ccedil", 0xC7},  {"Eacute", 0xC9},  {"Ecirc", 0xCA},  {"Egrave", 0xC8},  {"Euml", 0xCB},
    {"Iacute", 0xCD},  {"Icirc", 0xCE},   {"Igrave", 0xCC},  {"Iuml", 0xCF},   {"Ntilde", 0xD1},  {"Oacute", 0xD3},
    {"Ocirc", 0xD4},   {"Ograve", 0xD2},  {"Oslash", 0xD8},  {"Otilde", 0xD5}, {"Ouml", 0xD6},    {"Uacute", 0xDA},
    {"Ucirc", 0xDB},   {"Ugrave", 0xD9},  {"Uuml", 0xDC},    {"Yacute", 0xDD}, {"aacute", 0xE1},  {"acirc", 0xE2},
    {"aelig", 0xE6},   {"agrave", 0xE0},  {"amp", '&'},      {"apos", '\''},   {"aring", 0xE5},   {"atilde", 0xE3},
    {"auml", 0xE4},    {"bull", 0x2022},  {"ccedil", 0xE7},  {"cent", 0xA2},   {"copy", 0xA9},    {"dagger", 0x2020},
    {"deg", 0xB0},     {"divide", 0xF7},  {"eacute", 0xE9},  {"ecirc", 0xEA},  {"egrave", 0xE8},  {"emsp", 0x2003},
    {"ensp", 0x2002},  {"euml", 0xEB},    {"euro", 0x20AC},  {"frac12", 0xBD}, {"gt", '>'},       {"hellip", 0x2026},
    {"iacute", 0xED},  {"icirc", 0xEE},   {"iexcl", 0xA1},   {"igrave", 0xEC}, {"iquest", 0xBF},  {"iuml", 0xEF},
    {"laquo", 0xAB},   {"ldquo", 0x201C}, {"lsquo", 0x2018}, {"lt", '<'},      {"mdash", 0x2014}, {"micro", 0xB5},
    {"middot", 0xB7},  {"nbsp", 0xA0},    {"ndash", 0x2013}, {"not", 0xAC},    {"ntilde", 0xF1},  {"oacute", 0xF3},
    {"ocirc", 0xF4},   {"ograve", 0xF2},  {"ordf", 0xAA},    {"ordm", 0xBA},   {"oslash", 0xF8},  {"otilde", 0xF5},
    {"ouml", 0xF6},    {"para", 0xB6},    {"plusmn", 0xB1},  {"pound", 0xA3},  {"quot", '"'},     {"raquo", 0xBB},
    {"rdquo", 0x201D}, {"reg", 0xAE},     {"rsquo", 0x2019}, {"sect", 0xA7},   {"shy", 0xAD},     {"szlig", 0xDF},
    {"times", 0xD7},   {"trade", 0x2122}, {"uacute", 0xFA},  {"ucirc", 0xFB},  {"ugrave", 0xF9},  {"uuml", 0xFC},
};
static_assert(std::is_sorted(std::begin(kNamedReferences), std::end(kNamedReferences)));

std::optional<char32_t> NamedReference(std::string_view name)
{
    const auto found = std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences), name,
                                        [](const auto& entry, std::string_view key) { return entry.first < key; });
    if (found == std::end(kNamedReferences) || found->first != name) return std::nullopt;
    return found->second;
}

// "&#233" or "&#xE9" without the '&' and ';'. Numbers HTML reads as
// Windows-1252 (0x80 to 0x9F) are read so; a number no character has reads
// as U+FFFD.
std::optional<std::string> NumericReference(std::string_view digits)
{
    const bool hex = !digits.empty() && (digits.front() == 'x' || digits.front() == 'X');
    if (hex) digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    char32_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    if (value >= 0x80 && value <= 0x9F) return Cp1252ToUtf8(std::string(1, static_cast<char>(value)));
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    std::string out;
    AppendUtf8(out, value);
    return out;
}

// Lines of text with runs of white space made one space; a break ends the
// line being written, and empty lines are never written.
class TextLines {
public:
    void Add(std::string_view text)
    {
        for (std::size_t at = 0; at < text.size(); ++at) {
            const char c = text[at];
            // A no-break space is a space to a reader of plain text.
            const bool noBreakSpace = c == '\xC2' && at + 1 < text.size() && text[at + 1] == '\xA0';
            if (IsSpace(c) || noBreakSpace) {
                if (noBreakSpace) ++at;
                m_space = !m_line.empty();
                continue;
            }
            if (m_space) m_line += ' ';
            m_space = false;
            m_line += c;
        }
    }
    void Break()
    {
        if (!m_line.empty()) {
            if (!m_text.empty()) m_text += '\n';
            m_text += m_line;
        }
        m_line.clear();
        m_space = false;
    }
    std::string Finish() &&
    {
        Break();
        return std::move(m_text);
    }

private:
    std::string m_text;
    std::string m_line;
    bool m_space = false;
};

bool EndsLine(std::string_view tag)
{
    static constexpr std::array<std::string_view, 30> kBlocks{
        "address", "article", "blockquote", "body", "br", "caption", "center",  "dd",    "div", "dl",
        "dt",      "footer",  "form",       "h1",   "h2", "h3",      "h4",      "h5",    "h6",  "header",
        "hr",      "html",    "li",         "ol",   "p",  "pre",     "section", "table", "tr",  "ul"};
    return std::find(kBlocks.begin(), kBlocks.end(), tag) != kBlocks.end();
}

}  // namespace

std::string DecodeCharacterReferences(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] != '&') {
            const std::size_t next = std::min(text.find('&', at), text.size());
            out.append(text.substr(at, next - at));
            at = next;
            continue;
        }
        // A reference is short; a ';' further on belongs to something else.
        const std::size_t end = text.substr(at, 34).find(';');
        if (end != std::string_view::npos && end > 1) {
            const std::string_view body = text.substr(at + 1, end - 1);
            if (body.front() == '#') {
                if (auto decoded = NumericReference(body.substr(1))) {
                    out += *decoded;
                    at += end + 1;
                    continue;
                }
            } else if (const auto named = NamedReference(body)) {
                AppendUtf8(out, *named);
                at += end + 1;
                continue;
            }
        }
        out += '&';
        ++at;
    }
    return out;
}

std::string HtmlTitle(std::string_view html)
{
    for (std::size_t at = 0; (at = FindNoCase(html, "<title", at)) != std::string_view::npos; at += 6) {
        const std::size_t after = at + 6;
        if (after < html.size() && html[after] != '>' && !IsSpace(html[after])) continue;  // <titlex>
        const std::size_t open = FindTagEnd(html, after);
        if (open == std::string_view::npos) return {};
        const std::size_t close = std::min(FindNoCase(html, "</title", open + 1), html.size());
        TextLines line;
        line.Add(DecodeCharacterReferences(html.substr(open + 1, close - open - 1)));
        return std::move(line).Finish();
    }
    return {};
}

std::string HtmlToText(std::string_view html)
{
    TextLines lines;
    std::size_t at = 0;
    while (at < html.size()) {
        if (html[at] != '<') {
            const std::size_t next = std::min(html.find('<', at), html.size());
            lines.Add(DecodeCharacterReferences(html.substr(at, next - at)));
            at = next;
            continue;
        }
        if (html.substr(at, 4) == "<!--") {
            const std::size_t end = html.find("-->", at + 4);
            at = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        std::size_t nameStart = at + 1;
        const bool closing = nameStart < html.size() && html[nameStart] == '/';
        if (closing) ++nameStart;
        if (nameStart < html.size() && (html[nameStart] == '!' || html[nameStart] == '?')) {
            // <!DOCTYPE ...>, <?xml ...?>
            const std::size_t end = FindTagEnd(html, nameStart);
            at = end == std::string_view::npos ? html.size() : end + 1;
            continue;
        }
        std::size_t nameEnd = nameStart;
        // A tag's name begins with a letter.
        if (nameEnd < html.size() && !IsAsciiDigit(html[nameEnd]))
            while (nameEnd < html.size() && IsAlnum(html[nameEnd])) ++nameEnd;
        if (nameEnd == nameStart) {
            // A '<' that starts no tag ("a < b") is text.
            lines.Add("<");
            ++at;
            continue;
        }
        const std::string name = AsciiLower(html.substr(nameStart, nameEnd - nameStart));
        const std::size_t end = FindTagEnd(html, nameEnd);
        if (end == std::string_view::npos) break;
        at = end + 1;
        if (name == "td" || name == "th") lines.Add(" ");
        if (EndsLine(name)) lines.Break();
        if (!closing && (name == "script" || name == "style" || name == "title")) {
            // Their content is no text of the page; it resumes at the closing tag.
            at = std::min(FindNoCase(html, "</" + name, at), html.size());
        }
    }
    return std::move(lines).Finish();
}

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace arbolith::help
