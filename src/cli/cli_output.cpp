// SPDX-License-Identifier: MIT
#include "cli/cli_output.h"

#include <cstdint>

namespace arbolith::cli {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendByteEscape(std::string& out, unsigned char byte)
{
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

void AppendCodePointEscape(std::string& out, std::uint32_t cp)
{
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
}

// The length of the valid UTF-8 sequence at `at` (2 to 4 bytes) and its code
// point, or 0 when the bytes there are not one: a stray continuation byte, a
// cut sequence, an overlong form, a surrogate or a value past U+10FFFF.
std::size_t DecodeSequence(std::string_view text, std::size_t at, std::uint32_t& cp)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i) & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

void AppendPrintable(std::string& out, std::string_view text)
{
    out.reserve(out.size() + text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x80) {
            if (c == '\n')
                out += "\\n";
            else if (c == '\r')
                out += "\\r";
            else if (c == '\t')
                out += "\\t";
            else
                AppendByteEscape(out, c);
            ++i;
        } else {
            std::uint32_t cp = 0;
            const std::size_t length = DecodeSequence(text, i, cp);
            if (length == 0) {
                AppendByteEscape(out, c);
                ++i;
            } else {
                if (cp <= 0x9F || cp == 0x2028 || cp == 0x2029)
                    AppendCodePointEscape(out, cp);
                else
                    out.append(text.substr(i, length));
                i += length;
            }
        }
    }
}

std::string Printable(std::string_view text)
{
    std::string out;
    AppendPrintable(out, text);
    return out;
}

void PrintLine(std::FILE* stream, std::string_view text)
{
    std::string line = Printable(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stream);
}

void Complain(std::string_view text)
{
    PrintLine(stderr, "arbolith-cli: " + std::string(text));
}

JsonWriter BeginJsonDocument(std::string_view command, int version)
{
    JsonWriter json;
    json.BeginObject().Field("schema", "arbolith-cli/" + std::string(command) + "/" + std::to_string(version));
    return json;
}

int FinishJsonDocument(JsonWriter& json, int status)
{
    json.EndObject();
    const std::string text = json.Take();
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written ? status : 1;
}

void FieldOrNull(JsonWriter& json, std::string_view key, std::string_view value)
{
    json.Key(key);
    if (value.empty())
        json.Null();
    else
        json.String(value);
}

}  // namespace arbolith::cli
