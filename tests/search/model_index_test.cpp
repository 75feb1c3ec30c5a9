// SPDX-License-Identifier: MIT
// The index over every model: the search text as a safe full-text query, the
// matches and their order on small models written here, the upkeep when
// models come, change and go, and index files that must not be trusted.
#include "search/model_index.h"

#include "platform/database.h"
#include "store/dat_schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace arbolith::search {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct MemberRow {
    std::string object, name, invokeType, access, declaration, docString;
};
struct ModelRows {
    std::vector<std::pair<std::string, std::string>> objects;  // name, doc string
    std::vector<MemberRow> members;
    std::vector<std::tuple<std::string, std::string, int>> constants;  // enum, constant, value
};

void WriteModel(const fs::path& datFile, const ModelRows& rows)
{
    fs::remove(datFile);
    auto db = CreateDatFile(datFile);
    ASSERT_TRUE(db) << db.error().description;
    ASSERT_TRUE(CreateDataTables(*db));
    auto objects = Inserter::Prepare(*db, "Objects", {"Name", "Key", "DocString"});
    auto members = Inserter::Prepare(*db, "Functions",
                                     {"ObjectName", "Name", "InvokeType", "Access", "Declaration", "DocString", "Key"});
    auto enums = Inserter::Prepare(*db, "Enums", {"Enum", "Constant", "Value"});
    ASSERT_TRUE(objects && members && enums);
    int key = 0;
    for (const auto& [name, doc] : rows.objects) ASSERT_TRUE(objects->Insert({name, key++, doc}));
    for (const MemberRow& m : rows.members)
        ASSERT_TRUE(members->Insert({m.object, m.name, m.invokeType, m.access, m.declaration, m.docString, key++}));
    for (const auto& [e, c, v] : rows.constants) ASSERT_TRUE(enums->Insert({e, c, v}));
}

// Two models sharing a member name, with a row the member panes do not show
// (a put without access) and a property's get and put rows of one declaration.
const ModelRows kShapes{{{"Shapes", "The shapes of a page"}, {"Shape", ""}},
                        {{"Shapes", "Item", "method", "", "Method Item(Index As Long) As Shape", "One shape"},
                         {"Shapes", "Count", "propget", "R", "Property Count() As Long", ""},
                         {"Shape", "Name", "propget", "", "Property Name() As String", "Its name"},
                         {"Shape", "Name", "propput", "W", "Property Name() As String", "Its name"},
                         {"Shape", "Secret", "propput", "", "Property Secret() As Long", ""}},
                        {{"ShapeKind", "skSquare", 2}, {"ShapeKind", "skCircle", 1}}};
const ModelRows kBooks{{{"Books", ""}, {"Épître", "Une lettre"}},
                       {{"Books", "item", "method", "", "Method item(Title As String) As Book", "Items by title"},
                        {"Books", "NOTE", "method", "", "Method NOTE() As String", "and or near"}},
                       {}};

std::vector<std::string> Lines(const std::vector<SearchHit>& hits)
{
    std::vector<std::string> lines;
    for (const SearchHit& h : hits)
        lines.push_back(h.model + "|" + h.object + "|" + h.member + "|" + h.declaration + "|" +
                        std::string(HitKindName(h.kind)));
    return lines;
}

std::vector<std::string> Find(const fs::path& folder, std::string_view text)
{
    auto outcome = SearchModels(folder, text);
    EXPECT_TRUE(outcome) << outcome.error().description;
    return outcome ? Lines(outcome->hits) : std::vector<std::string>{};
}

TEST(FtsQuery, EveryTextBecomesPlainPrefixWords)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"item", "\"item*\""},
        {"  Item   count ", "\"Item*\" \"count*\""},
        {"get_Item", "\"get* Item*\""},
        {"\"item\" OR NOT x NEAR/3 y", "\"item*\" \"OR*\" \"NOT*\" \"x*\" \"NEAR* 3*\" \"y*\""},
        {"-item ^name col:val *", "\"item*\" \"name*\" \"col* val*\""},
        {"(a AND b)", "\"a*\" \"AND*\" \"b*\""},
        {"Épître", "\"Épître*\""},
        {"\"\" * - ^ :", ""},
        {"", ""},
    };
    for (const auto& [text, query] : cases) EXPECT_EQ(FtsQuery(text), query) << text;
}

TEST(ModelIndex, FindsNamesDeclarationsDocStringsAndConstantsInOrder)
{
    TempDir models;
    WriteModel(models / "shapes.DAT", kShapes);
    WriteModel(models / "books.DAT", kBooks);

    // Prefix and case: "ite" finds Item and item (and "Items" in a doc
    // string); ordered by model, then object and member.
    EXPECT_EQ(Find(models.path(), "ITE"),
              (std::vector<std::string>{"books|Books|item|Method item(Title As String) As Book|member",
                                        "shapes|Shapes|Item|Method Item(Index As Long) As Shape|member"}));
    // A property's get and put are one entry; a row the panes hide is not found.
    EXPECT_EQ(Find(models.path(), "name"),
              (std::vector<std::string>{"shapes|Shape|Name|Property Name() As String|member"}));
    EXPECT_TRUE(Find(models.path(), "secret").empty());
    // Objects by name or doc string, enumerations and their constants.
    EXPECT_EQ(Find(models.path(), "page"), (std::vector<std::string>{"shapes|Shapes|||object"}));
    EXPECT_EQ(Find(models.path(), "sk"), (std::vector<std::string>{"shapes|ShapeKind|skCircle|skCircle = 1|constant",
                                                                   "shapes|ShapeKind|skSquare|skSquare = 2|constant"}));
    EXPECT_EQ(Find(models.path(), "shapekind"), (std::vector<std::string>{"shapes|ShapeKind|||object"}));
    // Letters beyond ASCII fold too.
    EXPECT_EQ(Find(models.path(), "ÉPÎ"), (std::vector<std::string>{"books|Épître|||object"}));
    // Every word must match; a declaration's parameter is found.
    EXPECT_EQ(Find(models.path(), "item title"),
              (std::vector<std::string>{"books|Books|item|Method item(Title As String) As Book|member"}));
}

TEST(ModelIndex, QuotesAndOperatorsAreOnlyWords)
{
    TempDir models;
    WriteModel(models / "books.DAT", kBooks);
    // Each is a plain-word search: none fails, none finds more than its words.
    const std::pair<std::string_view, std::size_t> cases[] = {
        {"NOT", 1},
        {"note OR", 1},
        {"\"and\" near", 1},
        {"item NOT note", 0},
        {"item OR note", 0},
        {"\"item", 1},
        {"item\"", 1},
        {"item*", 1},
        {"-item", 1},
        {"^item", 1},
        {"docstring:item", 0},
        {"NEAR(item note)", 0},
        {"'; DROP TABLE Models; --", 0},
    };
    for (const auto& [text, count] : cases) EXPECT_EQ(Find(models.path(), text).size(), count) << text;
    auto noWord = SearchModels(models.path(), "\"*\" - ^");
    ASSERT_FALSE(noWord);
    EXPECT_NE(noWord.error().description.find("no word"), std::string::npos);
}

TEST(ModelIndex, FollowsModelsThatComeChangeAndGo)
{
    TempDir models;
    WriteModel(models / "shapes.DAT", kShapes);
    auto index = ModelIndex::Open(models.path());
    ASSERT_TRUE(index);
    auto r = index->Refresh();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->read, 1u);
    EXPECT_TRUE(r->rebuilt);

    // Nothing changed: nothing read.
    r = index->Refresh();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->read, 0u);
    EXPECT_EQ(r->models, 1u);
    EXPECT_FALSE(r->rebuilt);

    // Added, then re-extracted with other rows, then deleted.
    WriteModel(models / "books.DAT", kBooks);
    EXPECT_EQ(Find(models.path(), "item").size(), 2u);
    ModelRows renamed = kBooks;
    renamed.members[0].name = "Volume";
    renamed.members[0].declaration = "Method Volume() As Book";
    renamed.members[0].docString = "";
    WriteModel(models / "books.DAT", renamed);
    EXPECT_EQ(Find(models.path(), "item"),
              (std::vector<std::string>{"shapes|Shapes|Item|Method Item(Index As Long) As Shape|member"}));
    EXPECT_EQ(Find(models.path(), "volume").size(), 1u);
    fs::remove(models / "shapes.DAT");
    EXPECT_TRUE(Find(models.path(), "item").empty());

    r = index->Refresh();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->models, 1u);
    EXPECT_EQ(r->read, 0u);  // the searches above kept the file current
}

TEST(ModelIndex, TwoSearchesBringingOneIndexUpToDateAtOnceAgree)
{
    TempDir models;
    ASSERT_EQ(Find(models.path(), "item").size(), 0u);  // the index exists, empty
    WriteModel(models / "shapes.DAT", kShapes);
    WriteModel(models / "books.DAT", kBooks);
    std::vector<std::string> first, second;
    std::thread other([&] { first = Find(models.path(), "item"); });
    second = Find(models.path(), "item");
    other.join();
    EXPECT_EQ(first.size(), 2u);
    EXPECT_EQ(first, second);
}

TEST(ModelIndex, DamagedModelIsReportedAndTheOthersStillFound)
{
    TempDir models;
    WriteModel(models / "shapes.DAT", kShapes);
    WriteBytes(models / "broken.DAT", "not a database at all, only text that is long enough");
    const std::string brokenBytes = ReadBytes(models / "broken.DAT");
    auto outcome = SearchModels(models.path(), "item");
    ASSERT_TRUE(outcome) << outcome.error().description;
    EXPECT_EQ(outcome->hits.size(), 1u);
    ASSERT_EQ(outcome->refresh.unreadable.size(), 1u);
    EXPECT_TRUE(outcome->refresh.unreadable[0].starts_with("broken: "));
    // Not read again until it changes, but still reported.
    outcome = SearchModels(models.path(), "item");
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->refresh.read, 0u);
    EXPECT_EQ(outcome->refresh.unreadable.size(), 1u);
    EXPECT_EQ(ReadBytes(models / "broken.DAT"), brokenBytes);
}

TEST(ModelIndex, UntrustedIndexFilesAreMadeAnewAndModelsLeftAlone)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path& models, const fs::path& index)> spoil;
        const char* says;
    };
    const auto fileOf = [](const fs::path& models) { return models / std::string(kIndexFileName); };
    const Case cases[] = {
        {"text", [](auto&, const fs::path& index) { WriteBytes(index, std::string(5000, 'x')); }, "no database"},
        {"empty", [](auto&, const fs::path& index) { WriteBytes(index, ""); }, ""},
        {"truncated",
         [](auto&, const fs::path& index) {
             const std::string bytes = ReadBytes(index);
             WriteBytes(index, bytes.substr(0, bytes.size() / 2));
         },
         ""},
        {"foreign",
         [](auto&, const fs::path& index) {
             fs::remove(index);
             auto db = Database::Create(index, "");
             ASSERT_TRUE(db);
             ASSERT_TRUE(db->Execute("CREATE TABLE Meta(Name TEXT, Value TEXT)"));
         },
         "not a model index"},
        {"other version",
         [](auto&, const fs::path& index) {
             auto db = Database::Open(index, "");
             ASSERT_TRUE(db);
             ASSERT_TRUE(db->Execute("UPDATE Meta SET Value = '99' WHERE Name = 'version'"));
         },
         "another version"},
        {"link to a model",
         [](const fs::path& models, const fs::path& index) {
             fs::remove(index);
             fs::create_symlink(models / "shapes.DAT", index);
         },
         "link"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir models;
        WriteModel(models / "shapes.DAT", kShapes);
        const std::string modelBytes = ReadBytes(models / "shapes.DAT");
        ASSERT_EQ(Find(models.path(), "item").size(), 1u);
        c.spoil(models.path(), fileOf(models.path()));

        auto outcome = SearchModels(models.path(), "item");
        ASSERT_TRUE(outcome) << outcome.error().description;
        EXPECT_EQ(outcome->hits.size(), 1u);
        EXPECT_TRUE(outcome->refresh.rebuilt);
        EXPECT_FALSE(outcome->refresh.discarded.empty());
        EXPECT_NE(outcome->refresh.discarded.find(c.says), std::string::npos) << outcome->refresh.discarded;
        EXPECT_EQ(ReadBytes(models / "shapes.DAT"), modelBytes);
        EXPECT_FALSE(fs::is_symlink(fileOf(models.path())));
        // And the new file is trusted again.
        outcome = SearchModels(models.path(), "item");
        ASSERT_TRUE(outcome);
        EXPECT_FALSE(outcome->refresh.rebuilt);
    }

    // A folder in the index's place is reported, not removed.
    TempDir models;
    fs::create_directory(fileOf(models.path()));
    WriteBytes(fileOf(models.path()) / "keep.txt", "x");
    auto outcome = SearchModels(models.path(), "item");
    ASSERT_FALSE(outcome);
    EXPECT_NE(outcome.error().description.find("folder"), std::string::npos);
    EXPECT_TRUE(fs::exists(fileOf(models.path()) / "keep.txt"));
}

TEST(ModelIndex, RebuildOnRequestAndCancelKeepsAConsistentIndex)
{
    TempDir models;
    WriteModel(models / "shapes.DAT", kShapes);
    WriteModel(models / "books.DAT", kBooks);
    {
        auto index = ModelIndex::Open(models.path());
        ASSERT_TRUE(index);
        const std::atomic<bool> cancelled{true};
        auto r = index->Refresh(nullptr, &cancelled);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->read, 0u);
    }
    // What a cancelled refresh left out is read by the next one.
    EXPECT_EQ(Find(models.path(), "item").size(), 2u);
    auto outcome = SearchModels(models.path(), "item", true);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->refresh.rebuilt);
    EXPECT_EQ(outcome->refresh.read, 2u);
    EXPECT_EQ(outcome->refresh.discarded, "a new index was asked for");
}

}  // namespace
}  // namespace arbolith::search
