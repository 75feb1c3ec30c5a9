// SPDX-License-Identifier: MIT
// Model-file speed: how long opening a DAT file and one lookup take (the
// browser does this on nearly every click), and how fast extraction can fill
// the Functions table.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "store/dat_schema.h"

using namespace arbolith;

namespace {

constexpr int kObjectRows = 1000;
constexpr int kFunctionRows = 100000;

// A scratch folder for the whole run, removed at exit.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "arbolith-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

ScratchDir& Scratch()
{
    static ScratchDir dir;
    return dir;
}

// A model with kObjectRows objects, made once.
const std::filesystem::path& ObjectModel()
{
    static const std::filesystem::path path = [] {
        const auto file = Scratch().path() / "Objects.DAT";
        auto db = CreateDatFile(file);
        if (!db || !CreateDataTables(*db)) std::abort();
        auto tx = db->Begin();
        auto insert = Inserter::Prepare(*db, kObjectsTable, {"Name", "Key", "GUID", "DocString"});
        if (!tx || !insert) std::abort();
        for (int i = 0; i < kObjectRows; ++i)
            if (!insert->Insert({"Object" + std::to_string(i), i, "{00020400-0000-0000-C000-000000000046}",
                                 "An object of the sample library."}))
                std::abort();
        if (!tx->Commit()) std::abort();
        return file;
    }();
    return path;
}

void OpenAndLookUp(benchmark::State& state, const std::filesystem::path& path)
{
    auto db = OpenDatFile(path, true);
    if (!db) {
        state.SkipWithError(db.error().description.c_str());
        return;
    }
    auto row = FindFirst(*db, kObjectsTable, "Name", "object777");
    if (!row || !row->has_value()) {
        state.SkipWithError("lookup failed");
        return;
    }
    benchmark::DoNotOptimize((*row)->rowid);
}

// Every open derives the key, as the first open of a file does.
void BM_FirstOpenAndLookup(benchmark::State& state)
{
    const auto& path = ObjectModel();
    for (auto _ : state) {
        ForgetDatabaseKeys();
        OpenAndLookUp(state, path);
    }
}
BENCHMARK(BM_FirstOpenAndLookup)->Unit(benchmark::kMillisecond);

// Later opens of the same file, served from the key cache.
void BM_ReopenAndLookup(benchmark::State& state)
{
    const auto& path = ObjectModel();
    OpenAndLookUp(state, path);
    for (auto _ : state) OpenAndLookUp(state, path);
}
BENCHMARK(BM_ReopenAndLookup)->Unit(benchmark::kMillisecond);

// One Functions row with every field set; the memo fields carry typical
// lengths, so a record is about 280 bytes.
std::vector<Value> FunctionRow(int i)
{
    const int object = i / 40;
    std::vector<Value> row;
    row.reserve(23);
    row.emplace_back("Member" + std::to_string(i % 40));   // Name
    row.emplace_back("IObject" + std::to_string(object));  // ObjectName
    row.emplace_back("Function");                          // InvokeType
    row.emplace_back("Long");                              // ReturnType
    for (int flag = 0; flag < 4; ++flag)                   // IsPointer .. RetTypeIsObject
        row.emplace_back(false);
    row.emplace_back("");                                                                             // ExtTypeLibName
    row.emplace_back(false);                                                                          // IsCustom
    row.emplace_back(object);                                                                         // ObjectKey
    row.emplace_back(i % 97);                                                                         // ReturnTypeKey
    row.emplace_back("4");                                                                            // TypeKind
    row.emplace_back(i);                                                                              // Key
    row.emplace_back(0x40);                                                                           // Flags
    row.emplace_back("Pub");                                                                          // Access
    row.emplace_back("(ByVal Index As Long, Optional ByVal Name As String)");                         // Parameters
    row.emplace_back("");                                                                             // HiddenState
    row.emplace_back(i % 40 == 0);                                                                    // IsDefault
    row.emplace_back(std::to_string(100000 + i));                                                     // HelpID
    row.emplace_back("vbaxl10.chm");                                                                  // HelpFile
    row.emplace_back("Returns the item at the given position in the collection.");                    // DocString
    row.emplace_back("Function Member(ByVal Index As Long, Optional ByVal Name As String) As Long");  // Declaration
    return row;
}

// Extraction's pattern: one transaction, one prepared INSERT, every field set.
void BM_InsertFunctions(benchmark::State& state)
{
    std::vector<std::string_view> fields;
    for (const FieldDef& field : FindDatTable(kFunctionsTable)->fields) fields.push_back(field.name);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto path = Scratch().path() / ("Functions" + std::to_string(round++) + ".DAT");
        auto db = CreateDatFile(path);
        if (!db || !CreateDataTables(*db)) {
            state.SkipWithError("cannot make the model file");
            return;
        }
        state.ResumeTiming();
        {
            auto tx = db->Begin();
            auto insert = Inserter::Prepare(*db, kFunctionsTable, fields);
            if (!tx || !insert) {
                state.SkipWithError("cannot start inserting");
                return;
            }
            for (int i = 0; i < kFunctionRows; ++i) {
                const std::vector<Value> row = FunctionRow(i);
                if (!insert->Insert(row)) {
                    state.SkipWithError("insert failed");
                    return;
                }
            }
            if (!tx->Commit()) {
                state.SkipWithError("commit failed");
                return;
            }
        }
        state.PauseTiming();
        db = Error{};  // closes the file before it is removed
        std::filesystem::remove(path);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFunctionRows);
}
BENCHMARK(BM_InsertFunctions)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
