// SPDX-License-Identifier: MIT
// The INI helpers on real files: typed reads, writes, refusals, large lists.
#include "platform/ini.h"
#include "platform/profile.h"
#include "platform/text_encoding.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>


namespace arbolith {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct Messages {
    std::vector<std::string> list;
    IniErrorSink Sink()
    {
        return [this](const std::string& message) { list.push_back(message); };
    }
};

TEST(IniHelpers, ReadIntegersAndBooleansAsWindowsDoes)
{
    TempDir dir;
    const auto file = dir / "Mixed.Case.ini";  // messages keep the path's case
    WriteBytes(file,
               "[N]\nplain=42\nneg= -17\nplus=+8\nlead=12abc\ngarbage=abc\nsign=-\nempty=\nquoted=\" 7\"\n"
               "big16=70000\nmin16=-32768\nbig32=2147483648\nmin32=-2147483648\n"
               "huge=000099999999999999999999999999\nzeros=0000000000000000000000000000005\n"
               "[B]\nf=false\nz=0\nt=TRUE\none=1\nm1=-1\nyes=yes\nblank=\n");
    Messages m;
    auto integer = [&](const char* key) { return GetIniInteger("n", key, 5, file, m.Sink()); };
    auto longValue = [&](const char* key) { return GetIniLong("N", key, 5, file, m.Sink()); };
    EXPECT_EQ(integer("plain"), 42);
    EXPECT_EQ(integer("neg"), -17);
    EXPECT_EQ(integer("plus"), 8);
    EXPECT_EQ(integer("lead"), 12);
    EXPECT_EQ(integer("garbage"), 0);
    EXPECT_EQ(integer("sign"), 0);
    EXPECT_EQ(integer("empty"), 5);
    EXPECT_EQ(integer("absent"), 5);
    EXPECT_EQ(integer("quoted"), 7);
    EXPECT_EQ(integer("min16"), -32768);
    EXPECT_EQ(longValue("zeros"), 5);
    EXPECT_EQ(longValue("big16"), 70000);
    EXPECT_EQ(longValue("min32"), INT32_MIN);
    EXPECT_TRUE(m.list.empty());

    EXPECT_EQ(integer("big16"), 0);
    EXPECT_EQ(longValue("big32"), 0);
    EXPECT_EQ(longValue("huge"), 0);
    ASSERT_EQ(m.list.size(), 3u);
    EXPECT_EQ(m.list[0], "Error getting integer from " + file.string() + ". 70000 does not fit in 16 bits");
    EXPECT_EQ(m.list[1], "Error getting long from " + file.string() + ". 2147483648 does not fit in 32 bits");

    auto boolean = [&](const char* key, bool def) { return GetIniBoolean("B", key, def, file); };
    EXPECT_FALSE(boolean("f", true));
    EXPECT_FALSE(boolean("z", true));
    EXPECT_TRUE(boolean("t", false));
    EXPECT_TRUE(boolean("one", false));
    EXPECT_TRUE(boolean("m1", false));
    for (const char* key : {"yes", "blank", "absent"}) {
        EXPECT_TRUE(boolean(key, true)) << key;
        EXPECT_FALSE(boolean(key, false)) << key;
    }
}

TEST(IniHelpers, WritersChangeOnlyTheirLine)
{
    TempDir dir;
    const auto file = dir / "ZV.INI";
    const std::string original = "; settings\r\n[Paths]\r\nModels = /old\r\nUnknown=1\r\n\r\n[List]\r\na=\r\n";
    WriteBytes(file, original);
    ::chmod(file.c_str(), 0640);
    Messages m;

    EXPECT_TRUE(PutIniString("paths", "models", "/new", file, m.Sink()));
    EXPECT_TRUE(PutIniBoolean("Paths", "Ready", true, file, m.Sink()));
    EXPECT_TRUE(PutIniString("LIST", "A", "", file, m.Sink()));  // the same list entry twice is one key
    EXPECT_TRUE(PutIniString("List", "b", "", file, m.Sink()));
    EXPECT_EQ(ReadBytes(file),
              "; settings\r\n[Paths]\r\nModels = /new\r\nUnknown=1\r\nReady=True\r\n\r\n[List]\r\na=\r\nb=\r\n");
    EXPECT_EQ(GetIniSectionKeys("list", file), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all, std::filesystem::perms(0640));

    EXPECT_TRUE(DeleteIniSection("paths", file, m.Sink()));
    EXPECT_EQ(ReadBytes(file), "; settings\r\n[List]\r\na=\r\nb=\r\n");
    EXPECT_TRUE(DeleteIniSection("absent", dir / "absent.ini", m.Sink()));
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.ini"));
    EXPECT_TRUE(m.list.empty());

    // A missing file is created; a missing folder is a failure.
    EXPECT_TRUE(PutIniBoolean("S", "on", false, dir / "new.ini"));
    EXPECT_EQ(ReadBytes(dir / "new.ini"), "[S]\non=False\n");
    EXPECT_EQ(GetIniString("S", "on", "", dir / "new.ini"), "False");
    EXPECT_FALSE(PutIniString("S", "k", "v", dir / "no" / "x.ini", m.Sink()));
    ASSERT_EQ(m.list.size(), 1u);
    EXPECT_EQ(m.list[0].rfind("Error writing string to " + (dir / "no" / "x.ini").string() + ". ", 0), 0u);
    EXPECT_NE(m.list[0].find("does not exist"), std::string::npos);
}

TEST(IniHelpers, RefusesNamesAndValuesALineCannotHold)
{
    TempDir dir;
    const auto file = dir / "ZV.INI";
    const std::string original = "[S]\nk=v\n";
    WriteBytes(file, original);
    Messages m;
    for (const char* key : {"a=b", "", "   ", "[x", " ;x", "a\nb", "a\rb"})
        EXPECT_FALSE(PutIniString("S", key, "v", file, m.Sink())) << key;
    EXPECT_FALSE(PutIniString("S", "k", "two\nlines", file, m.Sink()));
    EXPECT_FALSE(PutIniString("a]b", "k", "v", file, m.Sink()));
    EXPECT_FALSE(PutIniString("a\nb", "k", "v", file, m.Sink()));
    EXPECT_EQ(ReadBytes(file), original);
    ASSERT_EQ(m.list.size(), 10u);
    EXPECT_EQ(m.list[0], "Error writing string to " + file.string() + ". key name \"a=b\" contains \"=\"");
    EXPECT_EQ(m.list[5], "Error writing string to " + file.string() + ". key name \"a\\nb\" contains a line break");

    EXPECT_TRUE(PutIniString("S", "a b;c[d", "x=y", file));
    EXPECT_EQ(GetIniString("s", "A B;C[D", "", file), "x=y");
}

TEST(IniHelpers, LargeListsAndValuesReadWhole)
{
    TempDir dir;
    const auto file = dir / "Model.INF";
    WriteBytes(file, "[Entries]\nstale=\n\n[Other]\nx=1\n");
    std::string text = "[Other]\nx=1\n\n[Entries]\n";
    std::vector<std::string> expected;
    for (int i = 0; i < 40000; ++i) {
        expected.push_back("Library" + std::to_string(i) + "|Interface|Member");
        text += expected.back() + "=\n";
    }
    ASSERT_GT(text.size(), 1'000'000u);

    // Lists are stored the way the model files store them: section dropped,
    // then one Set per entry, where a repeated entry stays one key.
    auto doc = ProfileDocument::Load(file);
    ASSERT_TRUE(doc);
    doc->DeleteSection("Entries");
    for (const std::string& entry : expected) {
        doc->Set("Entries", entry, "");
        doc->Set("entries", AsciiUpper(entry), "");
    }
    ASSERT_TRUE(doc->Save(file));
    EXPECT_EQ(ReadBytes(file), text);
    EXPECT_EQ(GetIniSectionKeys("entries", file), expected);

    const std::string big(100'000, 'v');
    EXPECT_TRUE(PutIniString("Entries", "Long", big, file));
    EXPECT_EQ(GetIniString("entries", "long", "", file), big);
    EXPECT_EQ(ReadBytes(file), text + "Long=" + big + "\n");
}

}  // namespace
}  // namespace arbolith
