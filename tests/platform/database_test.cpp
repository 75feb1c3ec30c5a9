// SPDX-License-Identifier: MIT
// The database engine on real encrypted files.
#include "platform/database.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

using namespace arbolith;
using arbolith::test::ReadBytes;
using arbolith::test::TempDir;
using arbolith::test::WriteBytes;

#define ASSERT_OK(r) ASSERT_TRUE((r).ok()) << (r).error().description

namespace {

constexpr std::string_view kConnect = ";pwd=two words";

std::int64_t Count(Database& db, std::string_view sql, std::initializer_list<Value> params = {})
{
    auto value = db.QueryValue(sql, params);
    EXPECT_TRUE(value.ok()) << value.error().description;
    return value.ok() && *value ? (*value)->AsInteger() : -1;
}

// A new file made by the given script; a failure fails the test.
Database NewFile(const std::filesystem::path& path, std::string_view script)
{
    auto db = Database::Create(path, kConnect);
    EXPECT_TRUE(db.ok()) << db.error().description;
    auto made = db.value().ExecuteScript(script);
    EXPECT_TRUE(made.ok()) << made.error().description;
    return std::move(db.value());
}

// A file with a table spread over many pages.
void MakeSampleFile(const std::filesystem::path& path)
{
    auto db = NewFile(path, "CREATE TABLE T (Name TEXT, N INTEGER)");
    auto tx = db.Begin();
    ASSERT_OK(tx);
    auto insert = Inserter::Prepare(db, "T", {"Name", "N"});
    ASSERT_OK(insert);
    for (int i = 0; i < 300; ++i) ASSERT_OK(insert->Insert({"row number " + std::to_string(i), i}));
    ASSERT_OK(tx->Commit());
}

}  // namespace

TEST(ConnectString, KeysIgnoreCaseAndUnknownKeysAreNamed)
{
    // connect string -> passphrase; only the first '=' splits
    for (const auto& [text, passphrase] : {std::pair{";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=vormtex", "vormtex"},
                                           std::pair{";PWD=a b=c;", "a b=c"}, std::pair{";;", ""}})
        EXPECT_EQ(ParseConnect(text).value().passphrase, passphrase) << text;

    auto unknown = ParseConnect(";LANGID=0x0409;Uid=admin;pwd=x");
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().code, kDbMisuse);
    EXPECT_NE(unknown.error().description.find("Uid"), std::string::npos);
    EXPECT_FALSE(ParseConnect(";pwd").ok());
}

TEST(DatabaseFiles, CreateRefusesAnExistingFileAndOpenNeverCreatesOne)
{
    TempDir dir;
    WriteBytes(dir / "taken.db", "keep me");
    auto created = Database::Create(dir / "taken.db", kConnect);
    ASSERT_FALSE(created.ok());
    EXPECT_EQ(created.error().domain, ErrorDomain::FileSystem);
    EXPECT_EQ(created.error().code, EEXIST);
    EXPECT_EQ(ReadBytes(dir / "taken.db"), "keep me");

    auto opened = Database::Open(dir / "missing.db", kConnect);
    ASSERT_FALSE(opened.ok());
    EXPECT_NE(opened.error().description.find("missing.db"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.db"));

    // A bad connect string leaves no file behind either.
    EXPECT_FALSE(Database::Create(dir / "new.db", ";colour=blue").ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "new.db"));
}

TEST(DatabaseFiles, BadFilesAndWrongKeysGiveClearErrorsAndStayUntouched)
{
    TempDir dir;
    const auto good = dir / "good.db";
    MakeSampleFile(good);
    const std::string bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 8u * 1024);

    struct Case {
        const char* name;
        std::string content;
        std::string_view connect;
        std::string_view expected;  // part of the description
    };
    const Case cases[] = {
        {"wrong key", bytes, ";pwd=other words", "password is wrong"},
        {"no key", bytes, "", "password is wrong"},
        {"empty", "", kConnect, "empty"},
        {"ten bytes", bytes.substr(0, 10), kConnect, "too short"},
        {"text", std::string(4096, 'x'), kConnect, "password is wrong"},
        {"part of page one", bytes.substr(0, 700), kConnect, "password is wrong"},
        {"first half", bytes.substr(0, bytes.size() / 2), kConnect, "damaged or cut short"},
        {"first page only", bytes.substr(0, 1024), kConnect, "damaged or cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bad = dir / "bad.db";
        WriteBytes(bad, c.content);
        auto db = Database::Open(bad, c.connect);
        ASSERT_FALSE(db.ok());
        EXPECT_NE(db.error().description.find(c.expected), std::string::npos) << db.error().description;
        EXPECT_NE(db.error().description.find(bad.string()), std::string::npos) << db.error().description;
        EXPECT_EQ(ReadBytes(bad), c.content);
        EXPECT_FALSE(std::filesystem::exists(dir / "bad.db-journal"));
        if (c.connect != kConnect) {
            EXPECT_EQ(db.error().code, kDbNotADatabase);
        }
    }
}

TEST(KeyCache, ReopeningDerivesTheKeyOnceAcrossThreads)
{
    TempDir dir;
    const auto path = dir / "a.db";
    MakeSampleFile(path);

    // A file this process created opens from the cache straight away.
    const auto before = DatabaseKeyDerivations();
    ASSERT_OK(Database::Open(path, kConnect));
    EXPECT_EQ(DatabaseKeyDerivations(), before);

    // As if another process had made it: one derivation, then none.
    ForgetDatabaseKeys();
    const auto afterForget = DatabaseKeyDerivations();
    for (int i = 0; i < 20; ++i) {
        auto db = Database::Open(path, kConnect, i % 2 == 0);
        ASSERT_OK(db);
        EXPECT_EQ(Count(*db, "SELECT count(*) FROM T"), 300);
        EXPECT_EQ(db->IsReadOnly(), i % 2 == 0);
        EXPECT_EQ(db->Execute("DELETE FROM T WHERE N < 0").ok(), i % 2 != 0);  // read-only refuses writes
    }
    EXPECT_EQ(DatabaseKeyDerivations(), afterForget + 1);

    // A wrong password is not remembered and does not disturb the right one.
    EXPECT_FALSE(Database::Open(path, ";pwd=nope").ok());
    EXPECT_FALSE(Database::Open(path, ";pwd=nope").ok());
    EXPECT_EQ(DatabaseKeyDerivations(), afterForget + 3);
    ASSERT_OK(Database::Open(path, kConnect));
    EXPECT_EQ(DatabaseKeyDerivations(), afterForget + 3);

    // One connection per thread; the cache is shared.
    ForgetDatabaseKeys();
    std::atomic<int> good{0};
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 10; ++i)
                    if (auto db = Database::Open(path, kConnect, true);
                        db && Count(*db, "SELECT count(*) FROM T") == 300)
                        ++good;
            });
    }
    EXPECT_EQ(good.load(), 40);
}

TEST(KeyCache, FilesMadeInSeparateRunsShareOneDerivation)
{
    // Each ForgetDatabaseKeys stands for a new run of the program.
    TempDir dir;
    for (int run = 0; run < 3; ++run) {
        ForgetDatabaseKeys();
        MakeSampleFile(dir / ("run" + std::to_string(run) + ".db"));
    }
    ForgetDatabaseKeys();
    const auto before = DatabaseKeyDerivations();
    for (int run = 0; run < 3; ++run)
        ASSERT_OK(Database::Open(dir / ("run" + std::to_string(run) + ".db"), kConnect, true));
    EXPECT_EQ(DatabaseKeyDerivations(), before + 1);
}

TEST(Statements, HostileTextRoundTripsAsBoundValuesAndFindsItself)
{
    TempDir dir;
    auto db = NewFile(dir / "a.db", "CREATE TABLE [Odd Table] (Id INTEGER, S TEXT COLLATE NOCASE)");
    const std::vector<std::string> texts = {"O'Brien",
                                            "say \"hi\"",
                                            "100%",
                                            "a*b?",
                                            "[x]",
                                            "]",
                                            "'; DROP TABLE [Odd Table];--",
                                            "Ünïcödé ✓",
                                            std::string("nul\0inside", 10),
                                            ""};
    auto insert = Inserter::Prepare(db, "Odd Table", {"Id", "S"});
    ASSERT_OK(insert);
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_OK(insert->Insert({i, texts[i]}));

    auto read = db.Prepare("SELECT Id, S FROM [Odd Table] ORDER BY Id");
    ASSERT_OK(read);
    for (const std::string& text : texts) {
        ASSERT_TRUE(read->Step().value());
        EXPECT_EQ(read->Text("s"), text);
        auto found = FindFirst(db, "Odd Table", "S", text);
        ASSERT_OK(found);
        ASSERT_TRUE(found->has_value()) << text;
        EXPECT_EQ((**found)["S"], Value(text));
    }
    EXPECT_EQ(Count(db, "SELECT count(*) FROM [Odd Table]"), static_cast<std::int64_t>(texts.size()));
}

TEST(Statements, LikePatternsKeepOnlyOurWildcardsAndTrueAndFalseBecomeNumbersOnlyAsBareWords)
{
    // User text becomes a LIKE pattern: only * and ? are wildcards.
    EXPECT_EQ(LikePattern("a*b?c"), "a%b_c");
    EXPECT_EQ(LikePattern("100%_\\"), "100\\%\\_\\\\");
    EXPECT_EQ(LikePattern("[*][?][[][\xc3\xa9]x[y"), "*?[\xc3\xa9x[y");

    EXPECT_EQ(RewriteBooleanWords("SELECT * FROM t WHERE a = True AND b=FALSE OR c<>true"),
              "SELECT * FROM t WHERE a = 1 AND b=0 OR c<>1");
    const std::string untouched =
        "SELECT 'True', 'it''s false', \"False\", [True], `false`, t.True, :true, Trueish, untrue, 1e5 FROM t";
    EXPECT_EQ(RewriteBooleanWords(untouched), untouched);
    EXPECT_EQ(RewriteBooleanWords("-- True\nSELECT /* False */ TRUE"), "-- True\nSELECT /* False */ 1");
    EXPECT_EQ(RewriteBooleanWords("SELECT 'unclosed True"), "SELECT 'unclosed True");
}

TEST(Statements, RowHelpersValuesAndErrors)
{
    TempDir dir;
    const auto path = dir / "a.db";
    auto db = NewFile(path, "CREATE TABLE T (Name TEXT, Big INTEGER, Ratio REAL, Flag BOOLEAN, Note TEXT)");
    auto insert = Inserter::Prepare(db, "T", {"Name", "Big", "Ratio", "Flag", "Note"});
    ASSERT_OK(insert);
    auto first = insert->Insert({"x", INT64_MAX, 0.5, true, nullptr});
    ASSERT_OK(first);
    EXPECT_EQ(insert->Insert({"z"}).error().code, kDbMisuse);  // a short row

    auto stmt = db.Prepare("SELECT * FROM T WHERE rowid = ?");
    ASSERT_OK(stmt);
    ASSERT_OK(stmt->Bind({*first}));
    ASSERT_TRUE(stmt->Step().value());
    EXPECT_EQ(stmt->Integer("BIG"), INT64_MAX);
    EXPECT_EQ(stmt->Real("ratio"), 0.5);
    EXPECT_TRUE(stmt->Bool("Flag"));
    EXPECT_TRUE(stmt->IsNull("Note"));
    EXPECT_FALSE(stmt->ColumnIndex("Nothing").has_value());

    // Errors carry SQLite's code and name the file and the statement.
    auto nowhere = db.Prepare("SELECT * FROM Nowhere");
    ASSERT_FALSE(nowhere.ok());
    EXPECT_NE(nowhere.error().description.find(path.string()), std::string::npos);
    EXPECT_NE(nowhere.error().description.find("SELECT * FROM Nowhere"), std::string::npos);
    EXPECT_FALSE(db.Prepare("SELECT 1; SELECT 2").ok());
    ASSERT_OK(db.Prepare("SELECT 1; -- a comment"));
    EXPECT_EQ(db.Execute("DELETE FROM T WHERE Name = ?").error().code, kDbMisuse);
}

TEST(Transactions, RollbackUndoesAndSavepointsKeepTheOuterWork)
{
    TempDir dir;
    const auto path = dir / "a.db";
    {
        auto db = NewFile(path, "CREATE TABLE T (Name TEXT)");
        {
            auto tx = db.Begin();
            ASSERT_OK(tx);
            ASSERT_OK(db.Execute("INSERT INTO T VALUES ('dropped')"));
        }  // never committed
        EXPECT_FALSE(db.InTransaction());
        EXPECT_EQ(Count(db, "SELECT count(*) FROM T"), 0);

        auto outer = db.Begin();
        ASSERT_OK(outer);
        ASSERT_OK(db.Execute("INSERT INTO T VALUES ('kept')"));
        {
            auto inner = db.Begin();
            ASSERT_OK(inner);
            ASSERT_OK(db.Execute("INSERT INTO T VALUES ('undone')"));
            ASSERT_OK(inner->Rollback());
            EXPECT_FALSE(inner->Commit().ok());
        }
        EXPECT_TRUE(db.InTransaction());
        ASSERT_OK(outer->Commit());
        EXPECT_FALSE(outer->Commit().ok());
    }
    auto db = Database::Open(path, kConnect);
    ASSERT_OK(db);
    EXPECT_EQ(Count(*db, "SELECT count(*) FROM T"), 1);
    EXPECT_EQ(Count(*db, "SELECT count(*) FROM T WHERE Name = 'kept'"), 1);

    // A transaction that outlives its connection ends without touching it.
    std::optional<Transaction> orphan;
    {
        auto other = Database::Open(path, kConnect);
        ASSERT_OK(other);
        auto tx = other->Begin();
        ASSERT_OK(tx);
        ASSERT_OK(other->Execute("INSERT INTO T VALUES ('lost')"));
        orphan.emplace(std::move(*tx));
    }
    EXPECT_FALSE(orphan->Commit().ok());
    EXPECT_EQ(Count(*db, "SELECT count(*) FROM T"), 1);
}

// A small page cache makes SQLite write pages out in the middle of the
// transaction and read them back soon after (the index is filled in scattered
// order); rolling back must then restore them from the journal.
TEST(Transactions, LargeTransactionsSpillToTheFileAndStillEndWhole)
{
    TempDir dir;
    const auto path = dir / "a.db";
    const std::string filler(120, 'f');
    {
        auto db = NewFile(path,
                          "PRAGMA cache_size = 16; CREATE TABLE T (Name TEXT, N INTEGER, K INTEGER);"
                          "CREATE INDEX T_K ON T (K);");
        // Rows [from, to) in one transaction, committed or rolled back after an update.
        auto fill = [&](int from, int to, bool commit) {
            auto tx = db.Begin();
            auto insert = Inserter::Prepare(db, "T", {"Name", "N", "K"});
            ASSERT_TRUE(tx && insert);
            for (int i = from; i < to; ++i)
                ASSERT_OK(insert->Insert({filler + std::to_string(i), i, i * 7919 % 20011}));
            ASSERT_OK(commit ? tx->Commit() : db.Execute("UPDATE T SET N = -N WHERE N < 500"));
        };
        fill(0, 1000, true);
        fill(1000, 20000, false);  // rolled back when tx ends
        EXPECT_EQ(Count(db, "SELECT count(*) FROM T"), 1000);
        EXPECT_EQ(Count(db, "SELECT sum(N) FROM T"), 499500);
        fill(1000, 20000, true);
    }
    auto db = Database::Open(path, kConnect);
    ASSERT_OK(db);
    EXPECT_EQ(Count(*db, "SELECT count(*) FROM T"), 20000);
    EXPECT_EQ(Count(*db, "SELECT sum(N) FROM T"), 199990000);
    EXPECT_EQ(Count(*db, "SELECT count(*) FROM T WHERE K = N * 7919 % 20011"), 20000);
    auto check = db->QueryValue("PRAGMA integrity_check");
    ASSERT_OK(check);
    EXPECT_EQ((*check)->AsText(), "ok");
}

TEST(Statements, BorrowedValuesStoreAsOwnedOnesDo)
{
    TempDir dir;
    // Name has no declared type, so what is stored shows what was bound.
    auto db = NewFile(dir / "a.db", "CREATE TABLE T (Name, N INTEGER, Note TEXT)");
    auto insert = Inserter::Prepare(db, "T", {"Name", "N", "Note"});
    ASSERT_OK(insert);
    const std::string owned = "it's \"quoted\"";
    const std::optional<std::string> none;
    const std::optional<std::string> some = "some";
    // value given -> what is stored, as typeof(Name) || ':' || Name
    const std::vector<std::pair<ValueView, std::string>> cases = {
        {ValueView(owned), "text:it's \"quoted\""},
        {ValueView(std::string_view()), "text:"},  // an empty view is empty text, never Null
        {ValueView(""), "text:"},
        {ValueView(nullptr), "null:"},
        {ValueView(none), "null:"},
        {ValueView(some), "text:some"},
        {ValueView(true), "integer:1"},
        {ValueView(std::int64_t{-7}), "integer:-7"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto added = insert->InsertView({cases[i].first, static_cast<std::int64_t>(i), nullptr});
        ASSERT_OK(added);
        auto stored = db.QueryValue("SELECT typeof(Name) || ':' || ifnull(Name, '') FROM T WHERE rowid = ?", {*added});
        ASSERT_OK(stored);
        EXPECT_EQ((*stored)->AsText(), cases[i].second) << i;
    }
    // A wrong count is refused and leaves the inserter usable.
    EXPECT_EQ(insert->InsertView({"only one"}).error().code, kDbMisuse);
    ASSERT_OK(insert->InsertView({"last", 99, "note"}));
    EXPECT_EQ(Count(db, "SELECT count(*) FROM T WHERE N = 99 AND Note = 'note'"), 1);
}

TEST(KeyCache, ACreationKeyPreparedAheadIsDerivedOnceAndOpensTheFile)
{
    TempDir dir;
    ForgetDatabaseKeys();
    const auto before = DatabaseKeyDerivations();
    PrepareCreationKey("prepared words");
    PrepareCreationKey("prepared words");  // already under way
    // Another passphrase while one is under way is derived when needed,
    // and never gets the other's key.
    auto other = Database::Create(dir / "other.db", ";pwd=another");
    ASSERT_OK(other);
    ASSERT_OK(other->Execute("CREATE TABLE T (N INTEGER)"));
    auto first = Database::Create(dir / "first.db", ";pwd=prepared words");
    ASSERT_OK(first);
    ASSERT_OK(first->Execute("CREATE TABLE T (N INTEGER)"));
    ASSERT_OK(Database::Create(dir / "second.db", ";pwd=prepared words"));
    EXPECT_EQ(DatabaseKeyDerivations(), before + 2);  // one per passphrase, the prepared one used

    // Opened afresh, each file takes its own passphrase only.
    ForgetDatabaseKeys();
    EXPECT_TRUE(Database::Open(dir / "first.db", ";pwd=prepared words").ok());
    EXPECT_FALSE(Database::Open(dir / "first.db", ";pwd=another").ok());
    EXPECT_TRUE(Database::Open(dir / "other.db", ";pwd=another").ok());

    // A preparation forgotten before its use is waited for and dropped.
    PrepareCreationKey("late");
    ForgetDatabaseKeys();
    const auto afterForget = DatabaseKeyDerivations();
    ASSERT_OK(Database::Create(dir / "late.db", ";pwd=late"));
    EXPECT_EQ(DatabaseKeyDerivations(), afterForget + 1);
    PrepareCreationKey("");  // no passphrase, nothing to derive
    EXPECT_EQ(DatabaseKeyDerivations(), afterForget + 1);
}
