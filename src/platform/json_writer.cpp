// SPDX-License-Identifier: MIT
#include "platform/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace arbolith {
namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    std::uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1Fu) : n == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (std::size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid.
    static constexpr std::uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return n;
}

void AppendQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is not UTF-8
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
}

}  // namespace

void JsonWriter::BeforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasItem.empty()) {
        if (m_hasItem.back()) m_out += ',';
        m_hasItem.back() = true;
    }
}

JsonWriter& JsonWriter::BeginObject()
{
    BeforeValue();
    m_out += '{';
    m_hasItem.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    m_out += '}';
    if (!m_hasItem.empty()) m_hasItem.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    BeforeValue();
    m_out += '[';
    m_hasItem.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    m_out += ']';
    if (!m_hasItem.empty()) m_hasItem.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key)
{
    BeforeValue();
    AppendQuoted(m_out, key);
    m_out += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view value)
{
    BeforeValue();
    AppendQuoted(m_out, value);
    return *this;
}

JsonWriter& JsonWriter::Int(std::int64_t value)
{
    BeforeValue();
    m_out += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::UInt(std::uint64_t value)
{
    BeforeValue();
    m_out += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Double(double value)
{
    BeforeValue();
    if (!std::isfinite(value)) {
        m_out += "null";
        return *this;
    }
    // Shortest form that reads back to the same value, whatever the locale.
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    m_out.append(buf, ec == std::errc() ? end : buf);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    BeforeValue();
    m_out += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null()
{
    BeforeValue();
    m_out += "null";
    return *this;
}

std::string JsonWriter::Take()
{
    if (m_hasItem.empty() && !m_out.empty() && m_out.back() != '\n') m_out += '\n';
    return std::move(m_out);
}

std::string JsonWriter::TakeWritten()
{
    std::string text;
    text.swap(m_out);
    return text;
}

std::string JsonQuoted(std::string_view text)
{
    std::string out;
    AppendQuoted(out, text);
    return out;
}

}  // namespace arbolith
