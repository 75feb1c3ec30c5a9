// SPDX-License-Identifier: MIT
// How ProfileDocument reads lines and how its edits change the text.
#include "platform/profile.h"
#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace arbolith {
namespace {

TEST(ProfileDocument, ReadsLinesAsTheWindowsProfileFunctionsDo)
{
    const auto doc = ProfileDocument::Parse(
        "orphan=before any section\n[Main]\n  Name =   \"  spaced  \"  \nsingle='x'\nmixed=\"x'\neq = a=b=c\nbare\n"
        "; Note=comment\n=no name\nNAME=second copy\n[ main ]\nother=in the second copy of the section\n"
        "[Broken\nk=v\n");
    EXPECT_EQ(doc.Get("MAIN", "name"), "  spaced  ");
    EXPECT_EQ(doc.Get("main", "SINGLE"), "x");
    EXPECT_EQ(doc.Get("main", "mixed"), "\"x'");
    EXPECT_EQ(doc.Get("main", "eq"), "a=b=c");
    EXPECT_EQ(doc.Get("main", "bare"), "");
    EXPECT_EQ(doc.Get("main", "; Note"), std::nullopt);
    EXPECT_EQ(doc.Get("main", "other"), std::nullopt);  // only the first [Main] counts
    EXPECT_EQ(doc.Get("broken", "k"), "v");             // header without "]"
    EXPECT_FALSE(doc.HasSection("orphan"));
    EXPECT_EQ(doc.SectionKeys("main"), (std::vector<std::string>{"Name", "single", "mixed", "eq", "bare"}));
    EXPECT_TRUE(doc.SectionKeys("absent").empty());
}

TEST(ProfileDocument, EditsKeepEveryOtherLineAndTheLineEndings)
{
    auto doc = ProfileDocument::Parse("; header\r\n[A]\r\nx = 1\r\nUnknown=keep me\r\n\r\n; about B\r\n[B]\r\ny=2\r\n");
    doc.Set("a", "X", "9");
    doc.Set("A", "new", " padded ");
    doc.Set("C", "k", "'quoted'");
    EXPECT_EQ(doc.Serialize(),
              "; header\r\n[A]\r\nx = 9\r\nUnknown=keep me\r\nnew=\" padded \"\r\n\r\n; about B\r\n[B]\r\ny=2\r\n"
              "\r\n[C]\r\nk=\"'quoted'\"\r\n");
    EXPECT_EQ(ProfileDocument::Parse(doc.Serialize()).Get("a", "new"), " padded ");

    // Last line without an ending, sections packed together, a key line without "=".
    auto packed = ProfileDocument::Parse("[A]\nflag\n[B]\ny=2");
    packed.Set("A", "flag", "on");
    packed.Set("B", "z", "3");
    packed.Set("C", "k", "v");
    EXPECT_EQ(packed.Serialize(), "[A]\nflag=on\n[B]\ny=2\nz=3\n[C]\nk=v\n");

    // Runs of Set on one section, mixed with other edits.
    auto list = ProfileDocument::Parse("[Main]\nx=1\n\n[List]\nold=\n; end of list\n[Tail]\nt=1\n");
    list.Set("list", "a", "");
    list.Set("LIST", "A", "1");
    list.Set("main", "y", "2");
    list.Set("List", "b", "");
    list.Set("list", "OLD", "o");
    list.DeleteKey("list", "a");
    list.Set("list", "c", "");
    EXPECT_EQ(list.Serialize(), "[Main]\nx=1\ny=2\n\n[List]\nold=o\nb=\nc=\n; end of list\n[Tail]\nt=1\n");

    // Deleting drops every copy of a section, and every copy of a key.
    auto copies = ProfileDocument::Parse("[A]\nx=1\n\n; about B\n[B]\ny=2\nY=3\n\n[a]\nz=3\n");
    copies.DeleteSection("a");
    EXPECT_EQ(copies.Serialize(), "; about B\n[B]\ny=2\nY=3\n");
    copies.DeleteKey("b", "y");
    EXPECT_EQ(copies.Serialize(), "; about B\n[B]\n");

    auto fresh = ProfileDocument();
    EXPECT_EQ(fresh.Serialize(), "");
    fresh.Set("S", "k", "v");
    EXPECT_EQ(fresh.Serialize(), "[S]\nk=v\n");
}

TEST(TextEncoding, ValidatesUtf8AndDecodesWindows1252)
{
    EXPECT_TRUE(IsValidUtf8("plain \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
    for (const char* bad : {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF",
                            "\xF8\x88\x80\x80\x80", "12345678\xE2\x82"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;

    // Every byte becomes one character, the five undefined ones included.
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string decoded = Cp1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(decoded));
    EXPECT_EQ(std::count_if(decoded.begin(), decoded.end(), [](char c) { return (c & 0xC0) != 0x80; }), 256);
    EXPECT_EQ(Cp1252ToUtf8("\x80\x81\x8D\x8F\x90\x9D\x9F\xE9\xFF"),
              "\xE2\x82\xAC\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xC5\xB8\xC3\xA9\xC3\xBF");

    // A Windows-1252 file reads as text and is written back as UTF-8.
    auto doc = ProfileDocument::Parse("[S]\r\nk=caf\xE9 \x80\r\n");
    EXPECT_EQ(doc.Get("s", "k"), "caf\xC3\xA9 \xE2\x82\xAC");
    doc.Set("S", "n", "1");
    EXPECT_EQ(doc.Serialize(), "[S]\r\nk=caf\xC3\xA9 \xE2\x82\xAC\r\nn=1\r\n");

    // A byte-order mark is not part of the first line and survives a write.
    auto bom = ProfileDocument::Parse("\xEF\xBB\xBF[S]\nk=v\n");
    EXPECT_EQ(bom.Get("S", "k"), "v");
    bom.Set("S", "k", "w");
    EXPECT_EQ(bom.Serialize(), "\xEF\xBB\xBF[S]\nk=w\n");
}

}  // namespace
}  // namespace arbolith
