// SPDX-License-Identifier: MIT
#include "platform/json_writer.h"

#include <gtest/gtest.h>

#include <limits>

namespace arbolith {
namespace {

TEST(JsonWriter, NestsAndPlacesCommas)
{
    JsonWriter w;
    w.BeginObject().Field("name", "Quill").Key("types").BeginArray();
    w.BeginObject().Field("kind", "coclass").Field("count", 2).EndObject();
    w.BeginObject().EndObject().Int(-3).UInt(18446744073709551615ull).Bool(false).Null();
    w.Double(0.5).Double(std::numeric_limits<double>::quiet_NaN());
    w.EndArray().Key("empty").BeginArray().EndArray().EndObject();
    EXPECT_EQ(w.Take(),
              "{\"name\":\"Quill\",\"types\":[{\"kind\":\"coclass\",\"count\":2},{},-3,18446744073709551615,false,"
              "null,0.5,null],\"empty\":[]}\n");
}

TEST(JsonWriter, EscapesTextAndReplacesBytesThatAreNotUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\"b\\c", R"("a\"b\\c")"},
        {"line\nnext\ttab\r", R"("line\nnext\ttab\r")"},
        {std::string("nul\0bell\x07" "del\x7f", 13), R"("nul\u0000bell\u0007del\u007f")"},
        {"\xD0\x9F\xD1\x80\xE2\x82\xAC\xF0\x9F\x98\x80", "\"\xD0\x9F\xD1\x80\xE2\x82\xAC\xF0\x9F\x98\x80\""},
        {"\xFF" "a\xC0\xAF" "\xED\xA0\x80", "\"\xEF\xBF\xBD" "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"cut\xE2\x82", "\"cut\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const auto& [text, quoted] : cases) EXPECT_EQ(JsonQuoted(text), quoted) << text;
}

}  // namespace
}  // namespace arbolith
