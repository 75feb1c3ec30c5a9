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
               "[N]\nneg= -17\nlead=12abc\ngarbage=abc\nempty=\nquoted=\" 7\"\nmin16=-32768\n"
               "big16=70000\nbig32=2147483648\nmin32=-2147483648\nhuge=000099999999999999999999999999\n"
               "zeros=0000000000000000000000000000005\n[B]\nz=0\nm1=-1\nyes=yes\n");
    Messages m;
    std::string read;
    for (const char* key : {"neg", "lead", "garbage", "empty", "absent", "quoted", "min16"})
        read += std::to_string(GetIniInteger("n", key, 5, file, m.Sink())) + " ";
    for (const char* key : {"zeros", "big16", "min32"})
        read += std::to_string(GetIniLong("N", key, 5, file, m.Sink())) + " ";
    EXPECT_EQ(read, "-17 12 0 5 5 7 -32768 5 70000 -2147483648 ");
    EXPECT_TRUE(m.list.empty());

    EXPECT_EQ(GetIniInteger("N", "big16", 5, file, m.Sink()), 0);
    EXPECT_EQ(GetIniLong("N", "big32", 5, file, m.Sink()), 0);
    EXPECT_EQ(GetIniLong("N", "huge", 5, file, m.Sink()), 0);
    ASSERT_EQ(m.list.size(), 3u);
    EXPECT_EQ(m.list[0], "Error getting integer from " + file.string() + ". 70000 does not fit in 16 bits");
    EXPECT_EQ(m.list[1], "Error getting long from " + file.string() + ". 2147483648 does not fit in 32 bits");

    // Numbers are booleans (0 false, anything else true); other text is the default.
    EXPECT_FALSE(GetIniBoolean("B", "z", true, file));
    EXPECT_TRUE(GetIniBoolean("B", "m1", false, file));
    EXPECT_TRUE(GetIniBoolean("B", "yes", true, file));
    EXPECT_FALSE(GetIniBoolean("B", "yes", false, file));
}

TEST(IniHelpers, WritersChangeOnlyTheirLineAndRefuseWhatALineCannotHold)
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
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all, std::filesystem::perms(0640));
    EXPECT_TRUE(m.list.empty());

    // A missing file is created; a missing folder is a failure.
    EXPECT_TRUE(PutIniBoolean("S", "on", false, dir / "new.ini"));
    EXPECT_EQ(ReadBytes(dir / "new.ini"), "[S]\non=False\n");
    EXPECT_EQ(GetIniString("S", "on", "", dir / "new.ini"), "False");
    EXPECT_FALSE(PutIniString("S", "k", "v", dir / "no" / "x.ini", m.Sink()));
    ASSERT_EQ(m.list.size(), 1u);
    EXPECT_EQ(m.list[0].rfind("Error writing string to " + (dir / "no" / "x.ini").string() + ". ", 0), 0u);
    EXPECT_NE(m.list[0].find("does not exist"), std::string::npos);

    // Names and values a line cannot hold are refused, the file unchanged.
    const std::string plain = "[S]\nk=v\n";
    WriteBytes(file, plain);
    m.list.clear();
    for (const char* key : {"a=b", "", "   ", "[x", " ;x", "a\nb", "a\rb"})
        EXPECT_FALSE(PutIniString("S", key, "v", file, m.Sink())) << key;
    EXPECT_FALSE(PutIniString("S", "k", "two\nlines", file, m.Sink()));
    EXPECT_FALSE(PutIniString("a]b", "k", "v", file, m.Sink()));
    EXPECT_FALSE(PutIniString("a\nb", "k", "v", file, m.Sink()));
    EXPECT_EQ(ReadBytes(file), plain);
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
