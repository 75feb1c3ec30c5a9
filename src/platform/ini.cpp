// SPDX-License-Identifier: MIT
#include "platform/ini.h"

#include "platform/profile.h"
#include "platform/text_encoding.h"

#include <limits>
#include <optional>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kGetBoolean = "Error getting boolean from ";
constexpr std::string_view kGetInteger = "Error getting integer from ";
constexpr std::string_view kGetLong = "Error getting long from ";
constexpr std::string_view kGetString = "Error getting string from ";
constexpr std::string_view kWriteString = "Error writing string to ";
constexpr std::string_view kWriteBoolean = "Error writing boolean to ";
constexpr std::string_view kDeleteSection = "Error deleting section from ";
constexpr std::string_view kGetSectionKeys = "Error getting section keys from ";

void Report(const IniErrorSink& onError, std::string_view what, const fs::path& file, std::string_view cause)
{
    if (onError) onError(std::string(what) + file.string() + ". " + std::string(cause));
}

// ProfileDocument names the file at the start of its errors; the message
// names it already, so only the cause follows.
std::string CauseOf(const Error& error, const fs::path& file)
{
    const std::string prefix = file.string() + ": ";
    if (error.description.compare(0, prefix.size(), prefix) == 0) return error.description.substr(prefix.size());
    return error.description;
}

std::optional<ProfileDocument> LoadOrReport(const fs::path& file, const IniErrorSink& onError, std::string_view what)
{
    auto doc = ProfileDocument::Load(file);
    if (!doc) {
        Report(onError, what, file, CauseOf(doc.error(), file));
        return std::nullopt;
    }
    return std::move(doc).value();
}

// A name shown in a message; line breaks are spelt out so the message stays one line.
std::string Quoted(std::string_view name)
{
    std::string out = "\"";
    for (const char c : name) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string InvalidSectionNameReason(std::string_view name)
{
    if (TrimView(name).empty()) return "the section name is empty";
    if (name.find(']') != std::string_view::npos) return "section name " + Quoted(name) + " contains \"]\"";
    if (HasLineBreak(name)) return "section name " + Quoted(name) + " contains a line break";
    return {};
}

// Reads an integer the way GetPrivateProfileInt does, then checks that it
// fits T.
template <class T>
T GetIniNumber(const ProfileDocument& doc, std::string_view what, int bits, std::string_view section,
               std::string_view key, T defaultValue, const fs::path& file, const IniErrorSink& onError)
{
    const std::optional<std::string> value = doc.Get(section, key);
    const std::optional<std::int64_t> parsed = value ? ParseIniNumber(*value) : std::nullopt;
    if (!parsed) return defaultValue;
    const std::int64_t number = *parsed;
    if (number < std::numeric_limits<T>::min() || number > std::numeric_limits<T>::max()) {
        // Quote the number as written: sign and digits, without what follows.
        const std::string_view text = TrimView(*value);
        const std::size_t end = text.find_first_not_of("0123456789", text.empty() ? 0 : 1);
        std::string written(text.substr(0, end));
        if (written.size() > 40) written = written.substr(0, 40) + "...";
        Report(onError, what, file, written + " does not fit in " + std::to_string(bits) + " bits");
        return 0;
    }
    return static_cast<T>(number);
}

}  // namespace

std::optional<std::int64_t> ParseIniNumber(std::string_view value)
{
    if (value.empty()) return std::nullopt;
    // Quotes can leave white space at the front; it is skipped like the rest.
    const std::string_view text = TrimView(value);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::int64_t kCeiling = std::int64_t{1} << 40;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (magnitude <= kCeiling) magnitude = magnitude * 10 + (text[i] - '0');
    return negative ? -magnitude : magnitude;
}

namespace {

bool WriteKey(std::string_view what, std::string_view section, std::string_view key, std::string_view value,
              const fs::path& file, const IniErrorSink& onError)
{
    std::string reason = InvalidSectionNameReason(section);
    if (reason.empty()) reason = InvalidKeyNameReason(key);
    if (reason.empty() && HasLineBreak(value))
        reason = "the value of key " + Quoted(TrimView(key)) + " contains a line break";
    if (!reason.empty()) {
        Report(onError, what, file, reason);
        return false;
    }

    auto doc = LoadOrReport(file, onError, what);
    if (!doc) return false;
    // Nothing to change: leave the file and its time stamp alone.
    if (doc->Get(section, key) == value) return true;
    doc->Set(section, key, value);
    if (auto saved = doc->Save(file); !saved) {
        Report(onError, what, file, CauseOf(saved.error(), file));
        return false;
    }
    return true;
}

}  // namespace

bool ParseIniBoolean(std::string_view text, bool defaultValue)
{
    const std::string word = AsciiLower(TrimView(text));
    if (word == "false" || word == "0") return false;
    if (word == "true" || word == "1" || word == "-1") return true;
    return defaultValue;
}

std::string InvalidKeyNameReason(std::string_view name)
{
    const std::string_view trimmed = TrimView(name);
    if (trimmed.empty()) return "the key name is empty";
    if (name.find('=') != std::string_view::npos) return "key name " + Quoted(name) + " contains \"=\"";
    if (HasLineBreak(name)) return "key name " + Quoted(name) + " contains a line break";
    if (trimmed.front() == '[') return "key name " + Quoted(name) + " starts with \"[\"";
    if (trimmed.front() == ';') return "key name " + Quoted(name) + " starts with \";\"";
    return {};
}

bool GetIniBoolean(const ProfileDocument& doc, std::string_view section, std::string_view key, bool defaultValue)
{
    const std::optional<std::string> value = doc.Get(section, key);
    return value ? ParseIniBoolean(*value, defaultValue) : defaultValue;
}

std::int16_t GetIniInteger(const ProfileDocument& doc, std::string_view section, std::string_view key,
                           std::int16_t defaultValue, const fs::path& file, const IniErrorSink& onError)
{
    return GetIniNumber<std::int16_t>(doc, kGetInteger, 16, section, key, defaultValue, file, onError);
}

std::int32_t GetIniLong(const ProfileDocument& doc, std::string_view section, std::string_view key,
                        std::int32_t defaultValue, const fs::path& file, const IniErrorSink& onError)
{
    return GetIniNumber<std::int32_t>(doc, kGetLong, 32, section, key, defaultValue, file, onError);
}

std::string GetIniString(const ProfileDocument& doc, std::string_view section, std::string_view key,
                         std::string_view defaultValue)
{
    std::optional<std::string> value = doc.Get(section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

bool GetIniBoolean(std::string_view section, std::string_view key, bool defaultValue, const fs::path& file,
                   const IniErrorSink& onError)
{
    const auto doc = LoadOrReport(file, onError, kGetBoolean);
    return doc ? GetIniBoolean(*doc, section, key, defaultValue) : false;
}

std::int16_t GetIniInteger(std::string_view section, std::string_view key, std::int16_t defaultValue,
                           const fs::path& file, const IniErrorSink& onError)
{
    const auto doc = LoadOrReport(file, onError, kGetInteger);
    return doc ? GetIniInteger(*doc, section, key, defaultValue, file, onError) : std::int16_t{0};
}

std::int32_t GetIniLong(std::string_view section, std::string_view key, std::int32_t defaultValue, const fs::path& file,
                        const IniErrorSink& onError)
{
    const auto doc = LoadOrReport(file, onError, kGetLong);
    return doc ? GetIniLong(*doc, section, key, defaultValue, file, onError) : 0;
}

std::string GetIniString(std::string_view section, std::string_view key, std::string_view defaultValue,
                         const fs::path& file, const IniErrorSink& onError)
{
    const auto doc = LoadOrReport(file, onError, kGetString);
    return doc ? GetIniString(*doc, section, key, defaultValue) : std::string();
}

bool PutIniString(std::string_view section, std::string_view key, std::string_view value, const fs::path& file,
                  const IniErrorSink& onError)
{
    return WriteKey(kWriteString, section, key, value, file, onError);
}

bool PutIniBoolean(std::string_view section, std::string_view key, bool value, const fs::path& file,
                   const IniErrorSink& onError)
{
    return WriteKey(kWriteBoolean, section, key, IniBooleanText(value), file, onError);
}

bool DeleteIniSection(std::string_view section, const fs::path& file, const IniErrorSink& onError)
{
    auto doc = LoadOrReport(file, onError, kDeleteSection);
    if (!doc) return false;
    // An absent section (or file) is already deleted; nothing is written.
    if (!doc->HasSection(section)) return true;
    doc->DeleteSection(section);
    if (auto saved = doc->Save(file); !saved) {
        Report(onError, kDeleteSection, file, CauseOf(saved.error(), file));
        return false;
    }
    return true;
}

std::vector<std::string> GetIniSectionKeys(std::string_view section, const fs::path& file, const IniErrorSink& onError)
{
    const auto doc = LoadOrReport(file, onError, kGetSectionKeys);
    if (!doc) return {};
    return doc->SectionKeys(section);
}

bool UpdateIniFile(const fs::path& file, const std::function<void(ProfileDocument&)>& change,
                   const IniErrorSink& onError)
{
    auto doc = LoadOrReport(file, onError, kWriteString);
    if (!doc) return false;
    change(*doc);
    if (auto saved = doc->Save(file); !saved) {
        Report(onError, kWriteString, file, CauseOf(saved.error(), file));
        return false;
    }
    return true;
}

std::string IniFailureMessage(std::string_view what, const fs::path& file, const Error& error)
{
    return std::string(what) + file.string() + ". " + CauseOf(error, file);
}

}  // namespace arbolith
