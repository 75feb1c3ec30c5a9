// SPDX-License-Identifier: MIT
// Comparing models: a library pair of our own with one change of each kind
// (against a golden report), the report's symmetry, libraries against their
// own DAT files, real Wine library pairs, and inputs that cannot be read.
#include "diff/diff_inputs.h"
#include "diff/diff_report.h"
#include "extract/extraction.h"
#include "platform/prompt.h"
#include "support/temp_dir.h"
#include "support/wine_corpus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace arbolith::diff {
namespace {

const std::filesystem::path kDataDir = std::filesystem::path(ARBOLITH_TEST_DATA) / "diff";

ModelFacts ReadLibrary(const std::filesystem::path& path, bool interfaces = false)
{
    SilentProgress progress;
    auto facts = ReadLibraryModel(path.string(), LibraryReading{interfaces, false, {}}, progress);
    EXPECT_TRUE(facts) << (facts ? "" : facts.error().description);
    return facts ? std::move(*facts) : ModelFacts{};
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + '\n';
    return text;
}

// Extracts the library into `models` as the wizard would; returns the DAT file.
std::filesystem::path Extract(const std::filesystem::path& library, const std::filesystem::path& models,
                              bool interfaces)
{
    ExtractOptions options;
    options.inclInterfaces = interfaces;
    options.modelsFolder = models;
    options.errorLog = models / "errorlog.txt";
    std::string resource = "1";
    SilentProgress progress;
    ScriptedPrompt prompt;
    const ExtractionResult result = ExtractFromTypeLib(library.string(), resource, options, progress, prompt);
    EXPECT_TRUE(result.ok) << result.failure;
    return result.datFile;
}

std::optional<std::string> WineLibraryProblem(const std::string& name)
{
    if (!std::filesystem::exists(test::kWineLibraryDir / name)) return name + " is not installed";
    return test::CorpusFileProblem(name);
}

TEST(ModelDiff, EachKindOfChangeIsReportedPerObjectInOrder)
{
    const ModelDiff diff = CompareModels(ReadLibrary(kDataDir / "before.tlb"), ReadLibrary(kDataDir / "after.tlb"));
    const std::string actual = Joined(DiffReportLines(diff));
    const std::filesystem::path golden = kDataDir / "before_after.txt";
    if (std::getenv("ARBOLITH_UPDATE_GOLDEN")) test::WriteBytes(golden, actual);
    EXPECT_EQ(actual, test::ReadBytes(golden));
}

TEST(ModelDiff, SwappingTheSidesSwapsAddedAndRemoved)
{
    const ModelFacts before = ReadLibrary(kDataDir / "before.tlb");
    const ModelFacts after = ReadLibrary(kDataDir / "after.tlb");
    const DiffSummary forward = CompareModels(before, after).summary;
    const DiffSummary backward = CompareModels(after, before).summary;
    const std::pair<ChangeCounts, ChangeCounts> pairs[] = {{forward.objects, backward.objects},
                                                           {forward.members, backward.members},
                                                           {forward.edges, backward.edges},
                                                           {forward.enums, backward.enums},
                                                           {forward.constants, backward.constants}};
    for (const auto& [f, b] : pairs) {
        EXPECT_EQ(f.added, b.removed);
        EXPECT_EQ(f.removed, b.added);
        EXPECT_EQ(f.changed, b.changed);
    }
    EXPECT_GT(forward.Total(), 0);
}

TEST(ModelDiff, NamesPairWithoutRegardToCaseAndDuplicatesPairInOrder)
{
    ModelFacts a, b;
    a.objects = {{"widget", "", "", "dis", "", "None", false, false}};
    b.objects = {{"Widget", "", "", "dis", "", "None", false, false}};
    // Two rows of one name and kind (a damaged or hand-edited model): the
    // first pairs with the first, the second with the second.
    a.members = {{"widget", "Go", "method", "Method Go()", "", "", "one", false},
                 {"widget", "Go", "method", "Method Go()", "", "", "two", false}};
    b.members = {{"WIDGET", "GO", "method", "Method Go()", "", "", "one", false},
                 {"WIDGET", "GO", "method", "Method Go()", "", "", "2", false}};
    const ModelDiff diff = CompareModels(a, b);
    ASSERT_EQ(diff.objects.size(), 1u);
    EXPECT_EQ(diff.objects[0].change, Change::Changed);
    EXPECT_EQ(diff.summary.objects.Total(), 1);
    EXPECT_EQ(diff.summary.members.changed, 2);  // both renamed in case, one with a new doc string
    EXPECT_EQ(diff.summary.members.added + diff.summary.members.removed, 0);
}

// A library and the model made from it are the same model; so is a library
// and itself. Both with and without interfaces as objects.
TEST(ModelDiff, ALibraryEqualsItselfAndItsOwnModel)
{
    struct Case {
        std::filesystem::path library;
        bool interfaces;
    };
    const Case cases[] = {
        {kDataDir / "after.tlb", false},
        {test::kWineLibraryDir / "scrrun.dll", false},
        {test::kWineLibraryDir / "msxml6.dll", true},
        {test::kWineLibraryDir / "mshtml.tlb", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library.string());
        if (!std::filesystem::exists(c.library)) continue;
        const test::TempDir models;
        const std::filesystem::path dat = Extract(c.library, models.path(), c.interfaces);
        const std::string before = test::ReadBytes(dat);

        DiffRequest request{c.library.string(), dat.string(), {}, {}, {}, {}};
        SilentProgress progress;
        auto outcome = RunDiff(request, progress);
        ASSERT_TRUE(outcome) << outcome.error().description;
        EXPECT_TRUE(outcome->diff.Empty()) << Joined(DiffReportLines(outcome->diff));
        EXPECT_TRUE(DiffReportLines(outcome->diff).empty());
        EXPECT_EQ(outcome->after.inclInterfaces, c.interfaces);
        EXPECT_EQ(test::ReadBytes(dat), before);  // read, never written

        request.after = request.before;
        outcome = RunDiff(request, progress);
        ASSERT_TRUE(outcome);
        EXPECT_TRUE(outcome->diff.Empty());
    }
}

TEST(ModelDiff, Msxml3AgainstMsxml6)
{
    for (const char* name : {"msxml3.dll", "msxml6.dll"})
        if (auto problem = WineLibraryProblem(name)) GTEST_SKIP() << *problem;
    const ModelDiff diff = CompareModels(ReadLibrary(test::kWineLibraryDir / "msxml3.dll"),
                                         ReadLibrary(test::kWineLibraryDir / "msxml6.dll"));
    EXPECT_EQ(SummaryLine(diff.summary),
              "objects: 11 added, 13 removed, 3 changed; members: 0 added, 0 removed, 4 changed; "
              "edges: 3 added, 3 removed, 0 changed; enums: 1 added, 0 removed, 0 changed; "
              "constants: 0 added, 0 removed, 0 changed");
    // The version-numbered classes are renamed, not changed in place.
    const auto has = [&](std::string_view name, Change change) {
        for (const ObjectDiff& o : diff.objects)
            if (o.name == name && o.change == change) return true;
        return false;
    };
    EXPECT_TRUE(has("XMLHTTP26", Change::Removed));
    EXPECT_TRUE(has("XMLHTTP60", Change::Added));
    EXPECT_TRUE(has("IXSLProcessor", Change::Changed));
}

// Wine builds msado15.dll's library from the same definitions as its
// back-compatible ADO library: compiled here, the two compare equal.
TEST(ModelDiff, Msado15AgainstItsBackCompatibleLibrary)
{
    const std::filesystem::path idl = "/usr/include/wine/wine/windows/msado15_backcompat.idl";
    const std::filesystem::path widl = "/usr/lib/wine/widl";
    if (!std::filesystem::exists(idl) || !std::filesystem::exists(widl))
        GTEST_SKIP() << "needs widl and Wine's development files";
    if (auto problem = WineLibraryProblem("msado15.dll")) GTEST_SKIP() << *problem;
    const test::TempDir work;
    const std::filesystem::path tlb = work / "backcompat.tlb";
    const std::string command = widl.string() + " -t -m64 -I " + idl.parent_path().string() + " -o " + tlb.string() +
                                " " + idl.string() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const ModelFacts backCompat = ReadLibrary(tlb);
    const ModelDiff diff = CompareModels(backCompat, ReadLibrary(test::kWineLibraryDir / "msado15.dll"));
    EXPECT_TRUE(diff.Empty()) << Joined(DiffReportLines(diff));
    EXPECT_GT(backCompat.objects.size(), 10u);
}

TEST(DiffInputs, EachNameResolvesToALibraryAModelOrAClearError)
{
    const test::TempDir models;
    const std::filesystem::path library = kDataDir / "before.tlb";
    test::WriteBytes(models / "Before.DAT", "not opened here");
    struct Case {
        std::string text;
        std::optional<DiffInput::Kind> kind;  // nothing: an error naming the text
        std::string path;                     // of a success
    };
    const Case cases[] = {
        {library.string(), DiffInput::Kind::Library, library.string()},
        {library.string() + "\\1", DiffInput::Kind::Library, library.string() + "\\1"},
        {(models / "Before.DAT").string(), DiffInput::Kind::ModelFile, (models / "Before.DAT").string()},
        {"before", DiffInput::Kind::ModelFile, (models / "Before.DAT").string()},
        {"BEFORE.TLB", DiffInput::Kind::ModelFile, (models / "Before.DAT").string()},
        {"nothing", std::nullopt, ""},
        {(models / "missing.DAT").string(), std::nullopt, ""},
        {(models / "missing.tlb").string(), std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto resolved = ResolveDiffInput(c.text, models.path());
        if (!c.kind) {
            ASSERT_FALSE(resolved);
            if (!c.text.empty()) {
                EXPECT_NE(resolved.error().description.find(c.text), std::string::npos);
            }
            continue;
        }
        ASSERT_TRUE(resolved) << resolved.error().description;
        EXPECT_EQ(resolved->kind, *c.kind);
        EXPECT_EQ(resolved->path, c.path);
    }
}

// One damaged side fails the run, saying which side; nothing is written.
TEST(DiffInputs, ADamagedSideIsNamedAndLeftAsItWas)
{
    const test::TempDir work;
    const std::string good = (kDataDir / "after.tlb").string();
    const std::string library = test::ReadBytes(kDataDir / "before.tlb");
    const struct {
        std::string name;
        std::string bytes;
    } damaged[] = {
        {"cut.tlb", library.substr(0, library.size() / 3)},
        {"noise.tlb", std::string(4096, '\x5a')},
        {"empty.tlb", ""},
        {"noise.DAT", std::string(8192, '\x17')},
        {"library.DAT", library},
    };
    for (const auto& d : damaged) {
        SCOPED_TRACE(d.name);
        const std::filesystem::path file = work / d.name;
        test::WriteBytes(file, d.bytes);
        SilentProgress progress;
        for (const bool damagedFirst : {true, false}) {
            DiffRequest request{
                damagedFirst ? file.string() : good, damagedFirst ? good : file.string(), {}, {}, {}, {}};
            auto outcome = RunDiff(request, progress);
            ASSERT_FALSE(outcome);
            EXPECT_NE(outcome.error().description.find(file.string()), std::string::npos)
                << outcome.error().description;
        }
        EXPECT_EQ(test::ReadBytes(file), d.bytes);
    }
    EXPECT_EQ(test::FolderNames(work.path()).size(), std::size(damaged));
}

}  // namespace
}  // namespace arbolith::diff
