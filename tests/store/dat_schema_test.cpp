// SPDX-License-Identifier: MIT
// DAT files made, filled, read back, compacted and read by the stock shell.
#include "store/dat_schema.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/query_rows.h"
#include "support/temp_dir.h"

using namespace arbolith;
using arbolith::test::QueryRows;
using arbolith::test::ReadBytes;
using arbolith::test::TempDir;
using arbolith::test::WriteBytes;

#define ASSERT_OK(r) ASSERT_TRUE((r).ok()) << (r).error().description

namespace {

std::int64_t Count(Database& db, std::string_view sql, std::initializer_list<Value> params = {})
{
    auto value = db.QueryValue(sql, params);
    EXPECT_TRUE(value.ok()) << value.error().description;
    return value.ok() && *value ? (*value)->AsInteger() : -1;
}

// A new DAT file with every table; a failure fails the test.
Database MakeModel(const std::filesystem::path& path)
{
    auto db = CreateDatFile(path);
    EXPECT_TRUE(db.ok()) << db.error().description;
    auto made = CreateDataTables(db.value());
    EXPECT_TRUE(made.ok()) << made.error().description;
    return std::move(db.value());
}

// Adds one object; the fields not given stay Null.
Result<void> AddObject(Database& db, const Value& name, std::int64_t key)
{
    return db.Execute("INSERT INTO Objects (Name, Key) VALUES (?, ?)", {name, key});
}

}  // namespace

TEST(DatSchema, FullSchemaIsCreatedAllOrNothingAndReadsBackAfterReopening)
{
    TempDir dir;
    const auto path = dir / "Model.DAT";
    WriteBytes(path, "an older model");
    EXPECT_FALSE(CreateDatFile(path).ok());
    EXPECT_EQ(ReadBytes(path), "an older model");
    std::filesystem::remove(path);
    {
        auto db = CreateDatFile(path);
        ASSERT_OK(db);
        EXPECT_TRUE(db->HasTable("library").value());
        EXPECT_FALSE(db->HasTable("Objects").value());
        ASSERT_OK(CreateDataTables(*db));
    }
    auto db = OpenDatFile(path);
    ASSERT_OK(db);
    EXPECT_EQ(QueryRows(*db, "SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name"),
              (std::vector<std::string>{"CoClasses_Key", "Functions_Key", "Objects_Key", "Objects_Name"}));
    for (const TableDef& table : DatTables()) EXPECT_TRUE(CheckDatTable(*db, table).ok()) << table.name;
    ASSERT_OK(AddObject(*db, "A", 1));
    EXPECT_EQ(DbPrimaryCode(AddObject(*db, "B", 1).error().code), kDbConstraint);  // Key is unique

    // Making the tables again fails whole and keeps the rows.
    auto again = CreateDataTables(*db);
    ASSERT_FALSE(again.ok());
    EXPECT_NE(again.error().description.find("Edges"), std::string::npos) << again.error().description;
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(Count(*db, "SELECT count(*) FROM Objects"), 1);
}

TEST(DatSchema, CheckNamesTheFirstDifference)
{
    TempDir dir;
    auto db = Database::Create(dir / "odd.DAT", kDatCreateConnect);
    ASSERT_OK(db);
    // Enums lacks Constant's rule; CoClasses has every field but not its index.
    ASSERT_OK(db->ExecuteScript(
        "CREATE TABLE Enums (Enum TEXT(100), Constant TEXT(100), cConstants SMALLINT, Value INTEGER);"
        "CREATE TABLE CoClasses (Key SMALLINT, Name TEXT(55), ForReplacement TEXT(5), Event BOOLEAN, GUID TEXT(39), "
        "FlagsVal SMALLINT, Flags TEXT(255), RefTypes TEXT(255), DefInterface TEXT(255), SourceInterface TEXT(255), "
        "HelpID TEXT(255), DocString LONGTEXT, cInterfaces SMALLINT, HelpFile TEXT(255));"));
    auto enums = CheckDatTable(*db, *FindDatTable("Enums"));
    ASSERT_FALSE(enums.ok());
    EXPECT_NE(enums.error().description.find("Constant"), std::string::npos) << enums.error().description;
    auto coclasses = CheckDatTable(*db, *FindDatTable("CoClasses"));
    ASSERT_FALSE(coclasses.ok());
    EXPECT_NE(coclasses.error().description.find("CoClasses_Key"), std::string::npos);
    EXPECT_FALSE(CheckDatTable(*db, *FindDatTable("Objects")).ok());  // absent
}

TEST(DatSchema, FieldRules)
{
    TempDir dir;
    auto db = MakeModel(dir / "Model.DAT");

    // A text field without zero length allowed refuses "" but takes Null.
    auto empty = AddObject(db, "", 1);
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(DbPrimaryCode(empty.error().code), kDbConstraint);
    EXPECT_NE(empty.error().description.find("Objects.Name"), std::string::npos) << empty.error().description;
    ASSERT_OK(AddObject(db, nullptr, 2));
    ASSERT_OK(db.Execute("INSERT INTO Objects (Name, Key, RawName, DocString) VALUES ('X', 3, '', '')"));
    EXPECT_FALSE(db.Execute("INSERT INTO Enums (Enum, Constant) VALUES ('E', '')").ok());

    // Overlong text is kept whole; Integer fields hold more than 16 bits.
    const std::string longName(300, 'n');
    ASSERT_OK(db.Execute("INSERT INTO Objects (Name, Key, FlagsVal, cFunctions) VALUES (?, ?, ?, ?)",
                         {longName, 4, 40000, std::int64_t{1} << 40}));
    EXPECT_EQ(Count(db, "SELECT length(Name) FROM Objects WHERE Key = 4"), 300);
    EXPECT_EQ(Count(db, "SELECT FlagsVal FROM Objects WHERE Key = 4"), 40000);
    EXPECT_EQ(Count(db, "SELECT cFunctions FROM Objects WHERE Key = 4"), std::int64_t{1} << 40);

    // Text compares without regard to case; booleans are 1 and 0; dates stay text.
    ASSERT_OK(db.Execute("INSERT INTO Objects (Name, Key, IsCollection) VALUES ('Workbook', 5, ?)", {true}));
    EXPECT_EQ(Count(db, "SELECT Key FROM Objects WHERE Name = 'WORKBOOK' AND IsCollection = True"), 5);
    ASSERT_OK(db.Execute("INSERT INTO Library (Library, LibDate, InclModules, Copyright) VALUES (?, ?, ?, ?)",
                         {"Excel", "2024-03-01 12:30:00", false, kDatCopyright}));
    EXPECT_EQ(QueryRows(db, "SELECT LibDate, typeof(LibDate), InclModules FROM Library")[0],
              "2024-03-01 12:30:00|text|0");
}

TEST(DatSchema, FindFirstIgnoresCaseAndTakesTheFirstInIndexOrder)
{
    TempDir dir;
    auto db = MakeModel(dir / "Model.DAT");
    // Inserted out of rowid order, so "first inserted" and "first in the index" differ.
    ASSERT_OK(
        db.Execute("INSERT INTO Objects (rowid, Name, Key) VALUES (7, 'Range', 70), (3, 'RANGE', 30), "
                   "(9, 'range', 90), (5, 'Ranges', 50)"));
    const auto found = FindFirst(db, kObjectsTable, "Name", "range").value();
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->rowid, 3);
    EXPECT_EQ((*found)["key"].AsInteger(), 30);
    EXPECT_EQ((*found)["Name"], Value("RANGE"));
    EXPECT_EQ(FindFirst(db, kObjectsTable, "Key", 90).value()->rowid, 9);
    EXPECT_FALSE(FindFirst(db, kObjectsTable, "Name", "Rang*").value().has_value());
}

TEST(DatSchema, StockShellReadsOurFileWithThePassphrase)
{
    if (std::system("command -v sqlcipher >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the sqlcipher shell is not installed (apt-get install sqlcipher); not checked";
    TempDir dir;
    const auto path = dir / "Shell.DAT";
    {
        auto db = MakeModel(path);
        ASSERT_OK(AddObject(db, "One", 1));
        ASSERT_OK(AddObject(db, "Two", 2));
    }
    const std::string command = "sqlcipher '" + path.string() +
                                "' \"PRAGMA key='vormtex'; SELECT count(*) FROM Objects; PRAGMA kdf_iter; "
                                "PRAGMA cipher_page_size; PRAGMA integrity_check;\" > '" +
                                (dir / "out.txt").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "2\n64000\n1024\nok\n");
}

TEST(DatSchema, CompactionKeepsRowsIndexesAndSchema)
{
    TempDir dir;
    const auto source = dir / "Model.DAT";
    const auto copy = dir / "Compact.DAT";
    auto db = MakeModel(source);
    {
        auto tx = db.Begin();
        ASSERT_OK(tx);
        auto functions = Inserter::Prepare(db, kFunctionsTable, {"Name", "ObjectName", "Key", "IsDefault"});
        ASSERT_OK(functions);
        for (int i = 0; i < 2000; ++i) ASSERT_OK(functions->Insert({"F" + std::to_string(i), "Obj", i, i % 2 == 0}));
        for (int i = 0; i < 50; ++i) ASSERT_OK(AddObject(db, "Obj" + std::to_string(i), i));
        ASSERT_OK(db.Execute("INSERT INTO Library (Library, Copyright) VALUES ('Lib', ?)", {kDatCopyright}));
        ASSERT_OK(tx->Commit());
    }
    ASSERT_OK(db.Execute("DELETE FROM Functions WHERE Key < 1000"));
    const auto schema = QueryRows(db, "SELECT type || ' ' || name || ' ' || sql FROM sqlite_master ORDER BY name");

    WriteBytes(copy, "in the way");
    EXPECT_FALSE(db.CompactInto(copy).ok());
    EXPECT_EQ(ReadBytes(copy), "in the way");
    std::filesystem::remove(copy);

    ASSERT_OK(db.CompactInto(copy));
    EXPECT_LT(std::filesystem::file_size(copy), std::filesystem::file_size(source));
    auto compacted = Database::Open(copy, ";pwd=vormtex");
    ASSERT_OK(compacted);
    EXPECT_EQ(QueryRows(*compacted, "SELECT type || ' ' || name || ' ' || sql FROM sqlite_master ORDER BY name"),
              schema);
    EXPECT_EQ(Count(*compacted, "SELECT count(*) FROM Functions"), 1000);
    EXPECT_EQ(Count(*compacted, "SELECT sum(Key) FROM Functions WHERE IsDefault = True"), 749500);
    EXPECT_EQ(Count(*compacted, "SELECT count(*) FROM Objects"), 50);
    EXPECT_EQ(QueryRows(*compacted, "SELECT Copyright FROM Library")[0], kDatCopyright);
}
