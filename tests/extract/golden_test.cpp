// SPDX-License-Identifier: MIT
// The reader against Wine's own loader. Each file in typelib/oracle/ is what
// tlbdump.exe printed for one library (tools/make-typelib-goldens.sh writes
// them); DumpTypeLib must print the same text for what LoadTypeLib reads.
//
// The Wine libraries are not copied into the tree: they are read from the
// installed wine64 package, and CORPUS.txt records the size and sha256 of the
// files the goldens came from. When a file is missing or differs (another
// Wine version), its case skips with the reason instead of failing. Every
// library here imports stdole2, so all cases need that file intact too.
#include "extract/typelib_dump.h"
#include "platform/typelib.h"

#include <gtest/gtest.h>

#include "support/wine_corpus.h"
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

const fs::path kIdlDir = fs::path(ARBOLITH_TEST_DATA) / "typelib" / "idl";
constexpr const char* kGoldenSuffix = ".txt.gz";

std::optional<std::string> ReadGzip(const fs::path& path)
{
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::string text;
    std::array<char, 1 << 16> buffer;
    int got = 0;
    while ((got = gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        text.append(buffer.data(), static_cast<std::size_t>(got));
    const bool failed = got < 0;
    gzclose(file);
    if (failed) return std::nullopt;
    return text;
}

// Libraries where Wine's loader is known to read less than ours, so the
// golden cannot match. A listed library fails once its dump matches (the
// entry is then stale); while it differs, the difference is printed.
struct KnownDifference {
    const char* golden;
    const char* reason;
};
constexpr KnownDifference kKnownDifferences[] = {
    {"uianimation.dll.1.txt.gz",
     "the library holds three aliases named UI_ANIMATION_KEYFRAME and Wine's loader cannot "
     "resolve references to them (\"<unresolved hr=80004005>\")"},
};

const KnownDifference* FindKnownDifference(const std::string& golden)
{
    for (const auto& known : kKnownDifferences)
        if (golden == known.golden) return &known;
    return nullptr;
}

struct GoldenCase {
    std::string golden;   // file name in the oracle folder
    std::string library;  // file name of the library
    int resource = 1;
    bool inCorpus = false;  // a Wine file; else one of ours in typelib/idl
};

void PrintTo(const GoldenCase& c, std::ostream* os)
{
    *os << c.golden;
}

// "<library>.<resource>.txt.gz"; nullopt for any other name.
std::optional<GoldenCase> ParseGoldenName(const std::string& golden)
{
    if (golden.size() <= std::char_traits<char>::length(kGoldenSuffix) || !golden.ends_with(kGoldenSuffix))
        return std::nullopt;
    const std::string stem = golden.substr(0, golden.size() - std::char_traits<char>::length(kGoldenSuffix));
    const auto dot = stem.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == stem.size()) return std::nullopt;
    const std::string number = stem.substr(dot + 1);
    if (!std::all_of(number.begin(), number.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    GoldenCase c;
    c.golden = golden;
    c.library = stem.substr(0, dot);
    c.resource = std::stoi(number);
    c.inCorpus = test::CorpusList().contains(c.library);
    return c;
}

std::vector<GoldenCase> ListGoldens()
{
    std::vector<GoldenCase> cases;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(test::kOracleDir, ec))
        if (auto c = ParseGoldenName(entry.path().filename().string())) cases.push_back(*c);
    std::sort(cases.begin(), cases.end(), [](const auto& a, const auto& b) { return a.golden < b.golden; });
    return cases;
}

// Lines without their ending: "\n" or "\r\n". The oracle writes CRLF (a
// Windows console in text mode); the goldens are stored with LF.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            break;
        }
        const auto length = (end > start && text[end - 1] == '\r') ? end - 1 - start : end - start;
        lines.push_back(text.substr(start, length));
        start = end + 1;
    }
    return lines;
}

// Empty when equal; else the first difference with a few lines around it
// from both sides, and how many lines differ in all.
std::string DescribeDifference(const std::vector<std::string>& expected, const std::vector<std::string>& actual)
{
    const std::size_t common = std::min(expected.size(), actual.size());
    std::size_t first = 0;
    while (first < common && expected[first] == actual[first]) ++first;
    if (first == common && expected.size() == actual.size()) return {};

    std::size_t differing = std::max(expected.size(), actual.size()) - common;
    for (std::size_t i = first; i < common; ++i) differing += expected[i] != actual[i];

    constexpr std::size_t kBefore = 4;
    constexpr std::size_t kAfter = 6;
    const std::size_t from = first > kBefore ? first - kBefore : 0;
    std::ostringstream out;
    out << "first difference at line " << first + 1 << " (golden has " << expected.size() << " lines, the dump "
        << actual.size() << "; " << differing << " lines differ)\n";
    auto show = [&](const char* label, const std::vector<std::string>& lines) {
        out << label << ":\n";
        for (std::size_t i = from; i < std::min(lines.size(), first + kAfter + 1); ++i)
            out << (i == first ? "> " : "  ") << i + 1 << ": " << lines[i] << '\n';
        if (first >= lines.size()) out << "> " << first + 1 << ": <end of text>\n";
    };
    show("golden (Wine's loader)", expected);
    show("DumpTypeLib", actual);
    return out.str();
}

std::string TestNameOf(const testing::TestParamInfo<GoldenCase>& info)
{
    std::string name = info.param.library + "_" + std::to_string(info.param.resource);
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

TEST(OracleGoldens, FolderAndCorpusListAgree)
{
    const auto cases = ListGoldens();
    ASSERT_FALSE(cases.empty()) << "no goldens in " << test::kOracleDir;
    ASSERT_FALSE(test::CorpusList().empty()) << "no entries in " << test::kOracleDir / "CORPUS.txt";
    for (const auto& [name, entry] : test::CorpusList()) {
        EXPECT_TRUE(std::any_of(cases.begin(), cases.end(), [&](const auto& c) { return c.library == name; }))
            << name << " is listed in CORPUS.txt but has no golden";
        EXPECT_EQ(entry.sha256.size(), 64u) << name;
    }
    for (const auto& c : cases) {
        if (c.inCorpus) continue;
        EXPECT_TRUE(fs::exists(kIdlDir / c.library))
            << c.golden << ": neither a Wine file in CORPUS.txt nor a library in " << kIdlDir;
    }
    EXPECT_TRUE(test::CorpusList().contains("stdole2.tlb"));
    for (const auto& known : kKnownDifferences)
        EXPECT_TRUE(fs::exists(test::kOracleDir / known.golden)) << known.golden << " is listed as a known difference";
}

class OracleGolden : public testing::TestWithParam<GoldenCase> {};

TEST_P(OracleGolden, DumpMatchesWineLoader)
{
    const GoldenCase& c = GetParam();
    fs::path library = kIdlDir / c.library;
    if (c.inCorpus) {
        if (auto problem = test::CorpusFileProblem(c.library)) GTEST_SKIP() << *problem;
        library = test::kWineLibraryDir / c.library;
    }
    // Imported types resolve against the installed stdole2; a different one
    // would print different reference lines.
    if (auto problem = test::CorpusFileProblem("stdole2.tlb")) GTEST_SKIP() << "imports cannot resolve: " << *problem;

    const auto golden = ReadGzip(test::kOracleDir / c.golden);
    ASSERT_TRUE(golden.has_value()) << "cannot read " << test::kOracleDir / c.golden;

    std::string path = library.string();
    if (c.resource != 1) path += "\\" + std::to_string(c.resource);
    LoadOptions options;
    options.searchPaths.push_back(test::kWineLibraryDir.string());
    const auto lib = LoadTypeLib(path, options);
    ASSERT_TRUE(lib.ok()) << path << ": " << lib.error().description;

    const std::string difference = DescribeDifference(SplitLines(*golden), SplitLines(DumpTypeLib(*lib)));
    if (const auto* known = FindKnownDifference(c.golden)) {
        EXPECT_FALSE(difference.empty()) << c.golden << " now matches; take it off kKnownDifferences";
        if (!difference.empty()) std::cout << "known difference (" << known->reason << "):\n" << difference;
        return;
    }
    EXPECT_TRUE(difference.empty()) << path << "\n" << difference;
}

INSTANTIATE_TEST_SUITE_P(Libraries, OracleGolden, testing::ValuesIn(ListGoldens()), TestNameOf);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(OracleGolden);

// The comparison itself: a wrong report here would hide every real mismatch.
TEST(OracleGoldens, DescribeDifferencePointsAtTheFirstDifferingLine)
{
    const std::vector<std::string> golden = {"a", "b", "c", "d"};
    EXPECT_EQ(DescribeDifference(golden, golden), "");

    const std::string changed = DescribeDifference(golden, {"a", "b", "X", "d"});
    EXPECT_NE(changed.find("first difference at line 3"), std::string::npos) << changed;
    EXPECT_NE(changed.find("1 lines differ"), std::string::npos) << changed;
    EXPECT_NE(changed.find("> 3: c"), std::string::npos) << changed;
    EXPECT_NE(changed.find("> 3: X"), std::string::npos) << changed;

    // A dump that stops early differs at the first missing line.
    const std::string shorter = DescribeDifference(golden, {"a", "b"});
    EXPECT_NE(shorter.find("first difference at line 3"), std::string::npos) << shorter;
    EXPECT_NE(shorter.find("<end of text>"), std::string::npos) << shorter;
    EXPECT_NE(DescribeDifference({"a"}, {"a", ""}), "");
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), SplitLines("a\nb\n"));
    EXPECT_NE(SplitLines("a\rb\n"), SplitLines("ab\n"));
}

}  // namespace
}  // namespace arbolith
