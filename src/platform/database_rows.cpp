// SPDX-License-Identifier: MIT
// Row helpers over a Database: the first row matching one field, and an
// INSERT prepared once and run for many rows.
#include "platform/database.h"

#include <sqlcipher/sqlite3.h>

namespace arbolith {

Result<std::optional<Row>> FindFirst(Database& db, std::string_view table, std::string_view field, const Value& value)
{
    std::string sql = "SELECT rowid, * FROM " + QuoteIdentifier(table) + " WHERE " + QuoteIdentifier(field);
    if (value.IsNull())
        sql += " IS NULL";
    else if (value.IsText())
        sql += " = ? COLLATE NOCASE";
    else
        sql += " = ?";
    sql += " ORDER BY rowid LIMIT 1";
    auto stmt = db.Prepare(sql);
    if (!stmt) return stmt.error();
    if (!value.IsNull())
        if (auto bound = stmt->Bind(1, value); !bound) return bound.error();
    auto found = stmt->Step();
    if (!found) return found.error();
    if (!*found) return std::optional<Row>();
    Row row;
    row.rowid = stmt->Integer(0);
    const int count = stmt->ColumnCount();
    for (int i = 1; i < count; ++i) {
        row.names.push_back(stmt->ColumnName(i));
        row.values.push_back(stmt->Get(i));
    }
    return std::optional<Row>(std::move(row));
}

Result<Inserter> Inserter::Prepare(Database& db, std::string_view table, std::span<const std::string_view> fields)
{
    if (fields.empty())
        return Error::Database(SQLITE_MISUSE, "insert into " + std::string(table) + ": no fields given");
    std::string sql = "INSERT INTO " + QuoteIdentifier(table) + " (";
    std::string marks;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) {
            sql += ", ";
            marks += ", ";
        }
        sql += QuoteIdentifier(fields[i]);
        marks += '?';
    }
    sql += ") VALUES (" + marks + ")";
    auto stmt = db.Prepare(sql);
    if (!stmt) return stmt.error();
    return Inserter(std::move(*stmt), fields.size());
}

Result<Inserter> Inserter::Prepare(Database& db, std::string_view table, std::initializer_list<std::string_view> fields)
{
    return Prepare(db, table, std::span<const std::string_view>(fields.begin(), fields.size()));
}

Result<std::int64_t> Inserter::Insert(std::span<const Value> values)
{
    if (values.size() != m_fieldCount)
        return Error::Database(SQLITE_MISUSE, "insert: " + std::to_string(values.size()) + " values for " +
                                                  std::to_string(m_fieldCount) + " fields; SQL: " + m_stmt.Sql());
    // The values outlive the step, so their text is bound without a copy.
    // The statement keeps pointing at them afterwards, which is harmless:
    // only this function steps it, and it rebinds every parameter first.
    // (Clearing the bindings each row costs measurably in bulk loads.)
    Result<void> done = Ok();
    for (std::size_t i = 0; i < values.size() && done; ++i)
        done = m_stmt.BindValue(static_cast<int>(i) + 1, values[i], false);
    if (done)
        done = m_stmt.Run();
    else
        m_stmt.Reset();
    if (!done) return done.error();
    return static_cast<std::int64_t>(sqlite3_last_insert_rowid(sqlite3_db_handle(m_stmt.m_stmt)));
}

Result<std::int64_t> Inserter::Insert(std::initializer_list<Value> values)
{
    return Insert(std::span<const Value>(values.begin(), values.size()));
}

Result<std::int64_t> Inserter::InsertView(std::span<const ValueView> values)
{
    if (values.size() != m_fieldCount)
        return Error::Database(SQLITE_MISUSE, "insert: " + std::to_string(values.size()) + " values for " +
                                                  std::to_string(m_fieldCount) + " fields; SQL: " + m_stmt.Sql());
    sqlite3_stmt* stmt = m_stmt.m_stmt;
    // Bound without a copy, as in Insert: every parameter is bound again
    // before each step.
    for (std::size_t i = 0; i < values.size(); ++i) {
        const ValueView& value = values[i];
        const int index = static_cast<int>(i) + 1;
        int rc = SQLITE_OK;
        switch (value.m_kind) {
            case ValueView::Kind::Null:
                rc = sqlite3_bind_null(stmt, index);
                break;
            case ValueView::Kind::Integer:
                rc = sqlite3_bind_int64(stmt, index, value.m_integer);
                break;
            case ValueView::Kind::Text:
                // A null pointer would bind Null; an empty text stays text.
                rc = sqlite3_bind_text64(stmt, index, value.m_text.data() ? value.m_text.data() : "",
                                         value.m_text.size(), SQLITE_STATIC, SQLITE_UTF8);
                break;
        }
        if (rc != SQLITE_OK) {
            m_stmt.Reset();
            return m_stmt.Failure(rc, "bind parameter " + std::to_string(index) + " in");
        }
    }
    if (auto done = m_stmt.Run(); !done) return done.error();
    return static_cast<std::int64_t>(sqlite3_last_insert_rowid(sqlite3_db_handle(stmt)));
}

Result<std::int64_t> Inserter::InsertView(std::initializer_list<ValueView> values)
{
    return InsertView(std::span<const ValueView>(values.begin(), values.size()));
}
}  // namespace arbolith
