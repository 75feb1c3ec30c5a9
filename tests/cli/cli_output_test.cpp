// SPDX-License-Identifier: MIT
// What arbolith-cli makes of text before it reaches a terminal, and which
// names it takes for a library rather than a model.
#include "cli/cli_output.h"
#include "cli/cli_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace arbolith::cli {
namespace {

TEST(Printable, EscapesControlsAndBrokenUtf8AndKeepsTheRest)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"Application", "Application"},
        {"a\\b \"c\" {d}", "a\\b \"c\" {d}"},
        {"Win\ndow", "Win\\ndow"},
        {"\t\r", "\\t\\r"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
        {"caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8c\xb3",
         "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8c\xb3"},
        {"\xc2\x85\xc2\x9b", "\\u0085\\u009b"},              // C1 controls as UTF-8
        {"\xc2\xa0", "\xc2\xa0"},                            // the first code point past them
        {"a\xe2\x80\xa8z\xe2\x80\xa9", "a\\u2028z\\u2029"},  // line and paragraph separators
        {"\x9b"
         "2J",
         "\\x9b2J"},                                   // a lone C1 byte
        {"\xc0\xaf", "\\xc0\\xaf"},                    // overlong "/"
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},           // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
        {"x\xe6\x97", "x\\xe6\\x97"},                  // cut at the end
        {"\xe6\x41", "\\xe6A"},                        // cut by an ASCII letter
    };
    for (const auto& c : cases) EXPECT_EQ(Printable(c.in), c.out) << c.out;
}

TEST(NamesLibraryFile, PathsAndLibraryExtensionsButNotModelKeys)
{
    const struct {
        const char* name;
        bool library;
    } cases[] = {
        {"Quill", false},    {"msxml6", false},    {"a.b", false},          {".tlb", false},
        {"Quill.tlb", true}, {"MSHTML.TLB", true}, {"scrrun.dll", true},    {"vbscript.dll\\2", true},
        {"x.ocx\\a", false}, {"./Quill", true},    {"/x/y/Word.olb", true}, {"setup.exe", true},
    };
    for (const auto& c : cases) EXPECT_EQ(NamesLibraryFile(c.name), c.library) << c.name;
}

}  // namespace
}  // namespace arbolith::cli
