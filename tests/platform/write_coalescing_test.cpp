// SPDX-License-Identifier: MIT
// The write-coalescing file layer under a disk that fills up: a write it
// could not put down surfaces as a failed commit, never as success, and the
// file keeps its last committed rows.
#include "platform/database.h"
#include "platform/write_faults.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace arbolith {
namespace {

constexpr std::string_view kConnect = ";pwd=full disk";
constexpr int kFull = 13;  // SQLITE_FULL

std::int64_t RowCount(Database& db)
{
    return db.QueryValue("SELECT COUNT(*) FROM T").value()->AsInteger();
}

Result<void> InsertRows(Database& db, int first, int count)
{
    auto transaction = db.Begin();
    if (!transaction) return transaction.error();
    auto insert = Inserter::Prepare(db, "T", {"Name", "N"});
    if (!insert) return insert.error();
    for (int i = first; i < first + count; ++i)
        if (auto added = insert->Insert({std::string(100, 'a' + i % 26), i}); !added) return added.error();
    return transaction->Commit();
}

TEST(WriteCoalescing, AWriteTheDiskRefusesFailsTheCommitAndKeepsTheCommittedRows)
{
    test::TempDir dir;
    const auto file = dir / "Full.DAT";
    {
        auto db = Database::Create(file, kConnect);
        ASSERT_TRUE(db.ok());
        ASSERT_TRUE(db->Execute("CREATE TABLE T (Name TEXT, N INTEGER)").ok());
        ASSERT_TRUE(InsertRows(*db, 0, 500).ok());
    }
    // Each limit stops the next commit at another point: in the journal, in
    // the first coalesced run of pages, in a later one.
    int failed = 0;
    for (const std::int64_t limit : {0, 700, 5'000, 40'000, 70'000, 150'000, 400'000, 4'000'000}) {
        SCOPED_TRACE(limit);
        std::int64_t before = 0;
        Result<void> committed = Ok();
        {
            auto db = Database::Open(file, kConnect);
            ASSERT_TRUE(db.ok()) << db.error().description;
            before = RowCount(*db);
            ScopedWriteFaults restore;
            FailWritesAfter(limit);
            committed = InsertRows(*db, 0, 2000);
        }
        auto db = Database::Open(file, kConnect);
        ASSERT_TRUE(db.ok()) << db.error().description;
        auto check = db->QueryValue("PRAGMA integrity_check");
        ASSERT_TRUE(check.ok() && *check);
        EXPECT_EQ((*check)->AsText(), "ok");
        if (committed) {
            EXPECT_EQ(RowCount(*db), before + 2000);
            continue;
        }
        ++failed;
        EXPECT_EQ(committed.error().domain, ErrorDomain::Database);
        EXPECT_EQ(DbPrimaryCode(committed.error().code), kFull) << committed.error().description;
        EXPECT_EQ(RowCount(*db), before);
    }
    EXPECT_GE(failed, 5);
}

}  // namespace
}  // namespace arbolith
