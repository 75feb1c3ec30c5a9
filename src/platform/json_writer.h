// SPDX-License-Identifier: MIT
// Writes JSON text as it goes: objects, arrays, keys and values, with the
// commas placed for the caller. Strings are escaped as JSON requires; bytes
// that are not valid UTF-8 are written as U+FFFD, so the output always
// parses. Used by arbolith-cli's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The key of the next value; only inside an object.
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view value);
    JsonWriter& Int(std::int64_t value);
    JsonWriter& UInt(std::uint64_t value);
    JsonWriter& Double(double value);  // NaN and infinities are written as null
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // Key(key) and then the value.
    JsonWriter& Field(std::string_view key, std::string_view value) { return Key(key).String(value); }
    JsonWriter& Field(std::string_view key, const char* value) { return Key(key).String(value); }
    JsonWriter& Field(std::string_view key, std::int64_t value) { return Key(key).Int(value); }
    JsonWriter& Field(std::string_view key, int value) { return Key(key).Int(value); }
    JsonWriter& Field(std::string_view key, bool value) { return Key(key).Bool(value); }

    // The text written so far, with a final line break once every object
    // and array is closed.
    const std::string& Text() const { return m_out; }
    std::string Take();
    // The text written so far, removed from the writer, which goes on where
    // it was: a long document can be written out in pieces.
    std::string TakeWritten();

private:
    void BeforeValue();

    std::string m_out;
    // For each open object or array: whether it holds an item yet.
    std::vector<bool> m_hasItem;
    bool m_afterKey = false;
};

// `text` as a JSON string literal, quotes included.
std::string JsonQuoted(std::string_view text);

}  // namespace arbolith
