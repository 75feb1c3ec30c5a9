// SPDX-License-Identifier: MIT
// A regression net over everything ExtractFromTypeLib produces for the Wine
// corpus: every library (and every TYPELIB resource with an oracle dump) of
// typelib/oracle/CORPUS.txt, extracted four times (no options, --interfaces,
// --modules, both). Each run becomes one block of extraction/corpus-summary.txt:
// the driver's result, the error-log lines of that run, and per DAT table its
// row count and a SHA-256 over its rows. Any change in what extraction stores
// shows up as a diff of the blocks that changed.
//
// After an intended change, rewrite the summary and review its diff:
//
//     ARBOLITH_UPDATE_GOLDEN=1 build/bin/extraction_corpus_test
//
// The libraries come from the installed wine64 package and are checked
// against the sizes and hashes in CORPUS.txt. A missing or different file
// (another Wine build) is not compared, and the test reports it as skipped;
// the summary is rewritten only from the complete corpus.
#include "extract/extraction.h"
#include "extract/typelib_loader.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

const fs::path kGoldenFile = fs::path(ARBOLITH_TEST_DATA) / "extraction" / "corpus-summary.txt";
// Stands for test::kWineLibraryDir in the summary, so it does not depend on where the
// libraries were read from.
constexpr std::string_view kWineMarker = "<wine>";
constexpr std::string_view kBlockStart = "== ";

// One case per oracle dump of a library in the corpus list.
std::vector<test::OracleDump> ListCorpusCases()
{
    std::vector<test::OracleDump> cases;
    for (test::OracleDump& dump : test::ListOracleDumps())
        if (test::CorpusList().contains(dump.library)) cases.push_back(std::move(dump));
    return cases;
}

// ---------------------------------------------------------------------------
// The summary of one run.

struct OptionSet {
    const char* label;
    bool interfaces;
    bool modules;
};
constexpr OptionSet kOptionSets[] = {
    {"none", false, false},
    {"--interfaces", true, false},
    {"--modules", false, true},
    {"--interfaces --modules", true, true},
};

std::string ReplaceWineDir(std::string text)
{
    const std::string dir = test::kWineLibraryDir.string();
    for (auto at = text.find(dir); at != std::string::npos; at = text.find(dir, at + kWineMarker.size()))
        text.replace(at, dir.size(), kWineMarker);
    return text;
}

bool IsDateTimeAt(std::string_view text, std::size_t at)
{
    constexpr std::string_view kShape = "0000-00-00 00:00:00";
    if (at > text.size() || text.size() - at < kShape.size()) return false;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const char c = text[at + i];
        if (kShape[i] == '0' ? (c < '0' || c > '9') : c != kShape[i]) return false;
    }
    return true;
}

// A log line as the summary keeps it: the Wine folder replaced, and the time
// of the run blanked in the header that precedes illegal-edge reports.
std::string NormaliseLogLine(std::string line)
{
    line = ReplaceWineDir(std::move(line));
    if (!line.starts_with("** Report on ")) return line;
    for (std::size_t at = 0; at < line.size(); ++at)
        if (IsDateTimeAt(line, at)) line.replace(at, 19, "YYYY-MM-DD hh:mm:ss");
    return line;
}

// A field of the Library table that depends on the machine rather than on
// the extraction: the file's modification time (local time) and its path.
// Only a value of the expected shape is masked; anything else stays visible.
std::optional<std::string> NormaliseLibraryField(std::string_view column, std::string_view text)
{
    if (column == "LibDate") return IsDateTimeAt(text, 0) && text.size() == 19 ? "<date>" : std::string(text);
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

std::string Header(const test::OracleDump& c, const OptionSet& options)
{
    return std::string(kBlockStart) + c.library + "\\" + std::to_string(c.resource) + " " + options.label;
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
    out << Header(c, optionSet) << '\n';
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

// ---------------------------------------------------------------------------
// Comparing summaries block by block.

// Blocks by header line; lines before the first header go under "".
std::map<std::string, std::string> SplitBlocks(const std::string& text)
{
    std::map<std::string, std::string> blocks;
    std::istringstream in(text);
    std::string current;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(kBlockStart)) current = line;
        blocks[current] += line + "\n";
    }
    return blocks;
}

// The blocks that differ, old then new; with onlyActual, blocks found in the
// golden text alone are not reported (their libraries were not extracted).
std::string DiffBlocks(const std::string& golden, const std::string& actual, bool onlyActual)
{
    auto before = SplitBlocks(golden);
    auto after = SplitBlocks(actual);
    if (!onlyActual)
        for (const auto& [header, lines] : before) after.try_emplace(header);
    std::string out;
    for (const auto& [header, lines] : after)
        if (before[header] != lines)
            out += "@@ " + header + "\n--- golden\n" + before[header] + "+++ now\n" + lines;
    return out;
}

std::string GoldenPreamble()
{
    return "# ExtractFromTypeLib over the Wine corpus of typelib/oracle/CORPUS.txt: per library,\n"
           "# resource and options the result, the log lines, and per table rows and SHA-256.\n"
           "# Made by extraction_corpus_test; ARBOLITH_UPDATE_GOLDEN=1 rewrites it.\n";
}

bool UpdatingGolden()
{
    const char* value = std::getenv("ARBOLITH_UPDATE_GOLDEN");
    return value && std::string_view(value) == "1";
}

TEST(ExtractionCorpus, SummaryMatchesGolden)
{
    ASSERT_FALSE(test::CorpusList().empty()) << "no entries in " << test::kOracleDir / "CORPUS.txt";
    const auto cases = ListCorpusCases();
    ASSERT_FALSE(cases.empty()) << "no oracle dumps of corpus libraries in " << test::kOracleDir;
    // Every library imports stdole2: another copy would change every block.
    if (auto problem = test::CorpusFileProblem("stdole2.tlb")) GTEST_SKIP() << "imports cannot resolve: " << *problem;

    const test::TempDir work;
    std::string actual = GoldenPreamble();
    std::vector<std::string> skipped;
    for (const test::OracleDump& c : cases) {
        if (auto problem = test::CorpusFileProblem(c.library)) {
            skipped.push_back(*problem);
            continue;
        }
        for (const OptionSet& options : kOptionSets) actual += SummariseRun(c, options, work.path()) + "\n";
    }

    if (UpdatingGolden()) {
        ASSERT_TRUE(skipped.empty()) << "not rewriting " << kGoldenFile << " from an incomplete corpus:\n"
                                     << testing::PrintToString(skipped);
        std::ofstream out(kGoldenFile, std::ios::binary | std::ios::trunc);
        out << actual;
        out.close();
        ASSERT_TRUE(out.good()) << "cannot write " << kGoldenFile;
        std::printf("wrote %s\n", kGoldenFile.c_str());
        return;
    }

    const std::string golden = test::ReadBytes(kGoldenFile);
    ASSERT_FALSE(golden.empty()) << "cannot read " << kGoldenFile << " (ARBOLITH_UPDATE_GOLDEN=1 makes it)";
    if (skipped.empty()) {
        if (golden != actual) {
            const std::string diff = DiffBlocks(golden, actual, false);
            ADD_FAILURE() << "extraction differs from " << kGoldenFile << " (- golden, + now):\n"
                          << (diff.empty() ? "every block is equal; their order or spacing differs\n" : diff);
        }
        return;
    }
    const std::string diff = DiffBlocks(golden, actual, true);
    EXPECT_TRUE(diff.empty()) << "extraction differs from " << kGoldenFile << " (- golden, + now):\n" << diff;
    std::string reasons;
    for (const std::string& why : skipped) reasons += "\n  " + why;
    GTEST_SKIP() << skipped.size() << " of " << cases.size() << " libraries not compared:" << reasons;
}

}  // namespace
}  // namespace arbolith
