// SPDX-License-Identifier: MIT
// A regression net over everything ExtractFromTypeLib stores for the Wine
// corpus (typelib/oracle/CORPUS.txt), each library extracted with the four
// option sets. Each run is one block of extraction/corpus-summary.txt: the
// result, its log lines, and per DAT table the row count and a SHA-256 of the
// rows. After an intended change, rewrite it and review the diff:
//     ARBOLITH_UPDATE_GOLDEN=1 build/bin/extraction_corpus_test
// Installed files that differ from CORPUS.txt are skipped, and reported.
#include "extract/extraction.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"
#include "support/wine_corpus.h"
#include "typelib/typelib_loader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

const fs::path kGoldenFile = fs::path(ARBOLITH_TEST_DATA) / "extraction" / "corpus-summary.txt";
constexpr std::string_view kWineMarker = "<wine>";
constexpr std::string_view kBlockStart = "== ";

struct OptionSet {
    const char* label;
    bool interfaces;
    bool modules;
};
constexpr OptionSet kOptionSets[] = {{"none", false, false},
                                     {"--interfaces", true, false},
                                     {"--modules", false, true},
                                     {"--interfaces --modules", true, true}};

std::string ReplaceWineDir(std::string text)
{
    const std::string dir = test::kWineLibraryDir.string();
    for (auto at = text.find(dir); at != std::string::npos; at = text.find(dir, at + kWineMarker.size()))
        text.replace(at, dir.size(), kWineMarker);
    return text;
}

const std::regex kDateTime(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");

// A log line with the Wine folder replaced and the run's time blanked in the
// header of illegal-edge reports.
std::string NormaliseLogLine(std::string line)
{
    line = ReplaceWineDir(std::move(line));
    return line.starts_with("** Report on ") ? std::regex_replace(line, kDateTime, "YYYY-MM-DD hh:mm:ss") : line;
}

// Library fields that depend on the machine: the file's time and its path.
std::optional<std::string> NormaliseLibraryField(std::string_view column, std::string_view text)
{
    if (column == "LibDate")
        return std::regex_match(text.begin(), text.end(), kDateTime) ? "<date>" : std::string(text);
    if (column == "FQLibName") return ReplaceWineDir(std::string(text));
    return std::nullopt;
}

// Row count and SHA-256 of a table in rowid order. The column names come
// first, then each row; each value is hashed as "N" (Null) or "T" + its
// length + ":" + its text, so Null differs from "" and no two rows of
// different values run together into the same bytes.
Result<std::pair<std::int64_t, std::string>> HashTable(Database& db, std::string_view table,
                                                       bool normaliseLibrary = false)
{
    auto stmt = db.Prepare("SELECT * FROM " + QuoteIdentifier(table) + " ORDER BY rowid");
    if (!stmt) return stmt.error();
    std::string bytes;
    auto addText = [&](std::string_view text) { bytes += "T" + std::to_string(text.size()) + ":" + std::string(text); };
    const int columns = stmt->ColumnCount();
    for (int i = 0; i < columns; ++i) addText(stmt->ColumnName(i));
    bytes += "\n";
    std::int64_t rows = 0;
    for (;;) {
        auto more = stmt->Step();
        if (!more) return more.error();
        if (!*more) break;
        ++rows;
        for (int i = 0; i < columns; ++i) {
            if (stmt->IsNull(i))
                bytes += "N";
            else if (auto masked = normaliseLibrary ? NormaliseLibraryField(stmt->ColumnName(i), stmt->TextView(i))
                                                    : std::nullopt)
                addText(*masked);
            else
                addText(stmt->TextView(i));
        }
        bytes += "\n";
    }
    return std::pair{rows, test::Sha256OfBytes(bytes)};
}

// One block: the header, the result, the log lines, one line per table.
std::string SummariseRun(const test::OracleDump& c, const OptionSet& optionSet, const fs::path& work)
{
    ExtractOptions options;
    options.inclInterfaces = optionSet.interfaces;
    options.inclModules = optionSet.modules;
    options.modelsFolder = work / "Models";
    options.errorLog = work / "errorlog.txt";
    // No registry to ask: imports are found in the Wine folder on every machine.
    options.load = RegistryLoadOptions({test::kWineLibraryDir.string()}, work / "no-such-prefix");
    std::error_code ec;
    fs::remove(options.errorLog, ec);
    fs::create_directories(options.modelsFolder, ec);

    ScriptedPrompt prompt;
    SilentProgress progress;
    std::string resource = std::to_string(c.resource);
    const ExtractionResult result =
        ExtractFromTypeLib((test::kWineLibraryDir / c.library).string(), resource, options, progress, prompt);

    std::ostringstream out;
    out << kBlockStart << c.library << '\\' << c.resource << ' ' << optionSet.label << '\n';
    out << "result ok=" << result.ok << " errorsLogged=" << result.errorsLogged << '\n';
    if (!result.ok) out << "failure " << ReplaceWineDir(result.failure) << '\n';
    std::ifstream log(options.errorLog);
    for (std::string line; std::getline(log, line);) out << "log " << NormaliseLogLine(line) << '\n';
    if (!result.ok) return out.str();

    if (auto db = OpenDatFile(result.datFile, true); !db) {
        out << "open " << ReplaceWineDir(db.error().description) << '\n';
    } else {
        for (const std::string_view table :
             {kLibraryTable, kObjectsTable, kFunctionsTable, kCoClassesTable, kEnumsTable, kEdgesTable}) {
            const auto hashed = HashTable(*db, table, table == kLibraryTable);
            out << table << ' ';
            if (hashed)
                out << hashed->first << ' ' << hashed->second << '\n';
            else
                out << "unreadable: " << hashed.error().description << '\n';
        }
    }
    fs::remove(result.datFile, ec);
    return out.str();
}

// The blocks that differ, old then new; with onlyActual, blocks found in the
// golden text alone are not reported (their libraries were not extracted).
std::string DiffBlocks(const std::string& golden, const std::string& actual, bool onlyActual)
{
    std::map<std::string, std::string> before, after;
    for (auto [text, blocks] : {std::pair{&golden, &before}, std::pair{&actual, &after}}) {
        std::istringstream in(*text);
        std::string header;  // lines before the first header go under ""
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with(kBlockStart)) header = line;
            (*blocks)[header] += line + "\n";
        }
    }
    if (!onlyActual)
        for (const auto& [header, lines] : before) after.try_emplace(header);
    std::string out;
    for (const auto& [header, lines] : after)
        if (before[header] != lines) out += "@@ " + header + "\n--- golden\n" + before[header] + "+++ now\n" + lines;
    return out;
}

TEST(ExtractionCorpus, SummaryMatchesGolden)
{
    ASSERT_FALSE(test::CorpusList().empty()) << "no entries in " << test::kOracleDir / "CORPUS.txt";
    std::vector<test::OracleDump> cases = test::ListOracleDumps();
    std::erase_if(cases, [](const test::OracleDump& c) { return !test::CorpusList().contains(c.library); });
    ASSERT_FALSE(cases.empty()) << "no oracle dumps of corpus libraries in " << test::kOracleDir;
    // Every library imports stdole2: another copy would change every block.
    if (auto problem = test::CorpusFileProblem("stdole2.tlb")) GTEST_SKIP() << "imports cannot resolve: " << *problem;

    const test::TempDir work;
    std::string actual =
        "# ExtractFromTypeLib over the Wine corpus of typelib/oracle/CORPUS.txt: per library,\n"
        "# resource and options the result, the log lines, and per table rows and SHA-256.\n"
        "# Made by extraction_corpus_test; ARBOLITH_UPDATE_GOLDEN=1 rewrites it.\n";
    std::vector<std::string> skipped;
    for (const test::OracleDump& c : cases) {
        if (auto problem = test::CorpusFileProblem(c.library)) {
            skipped.push_back(*problem);
            continue;
        }
        for (const OptionSet& options : kOptionSets) actual += SummariseRun(c, options, work.path()) + "\n";
    }

    if (const char* update = std::getenv("ARBOLITH_UPDATE_GOLDEN"); update && std::string_view(update) == "1") {
        ASSERT_TRUE(skipped.empty()) << "not rewriting " << kGoldenFile << " from an incomplete corpus:\n"
                                     << testing::PrintToString(skipped);
        std::ofstream out(kGoldenFile, std::ios::binary | std::ios::trunc);
        out << actual;
        out.close();
        ASSERT_TRUE(out.good()) << "cannot write " << kGoldenFile;
        return;
    }

    const std::string golden = test::ReadBytes(kGoldenFile);
    ASSERT_FALSE(golden.empty()) << "cannot read " << kGoldenFile << " (ARBOLITH_UPDATE_GOLDEN=1 makes it)";
    // With libraries skipped, blocks found only in the golden file are not differences.
    const std::string diff = DiffBlocks(golden, actual, !skipped.empty());
    EXPECT_TRUE(diff.empty()) << "extraction differs from " << kGoldenFile << " (- golden, + now):\n" << diff;
    if (skipped.empty()) {
        EXPECT_TRUE(golden == actual || !diff.empty()) << "every block is equal; their order or spacing differs";
        return;
    }
    std::string reasons;
    for (const std::string& why : skipped) reasons += "\n  " + why;
    GTEST_SKIP() << skipped.size() << " of " << cases.size() << " libraries not compared:" << reasons;
}

}  // namespace
}  // namespace arbolith
