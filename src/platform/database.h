// SPDX-License-Identifier: MIT
// The database engine: SQLCipher files behind a small RAII interface.
//
// A Database owns one connection. Statements, transactions and inserters made
// from it borrow that connection, and moving the Database does not disturb
// them. Outliving the Database is safe too: statements and inserters keep
// working, and the connection really closes when the last is finalized; a
// transaction is simply over (closing rolls its work back).
// A connection belongs to one thread at a time; the only state shared between
// connections is the process-wide cache of derived keys, behind a mutex.
//
// Values never enter SQL text: they are bound to `?` parameters. Table and
// field names go through QuoteIdentifier().
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/result.h"

struct sqlite3;
struct sqlite3_stmt;

namespace arbolith {

// Error::code of a Database-domain error from this interface is an SQLite result code, extended
// where SQLite gives one (SQLITE_CONSTRAINT_CHECK is 275, say). Compare
// DbPrimaryCode(code) against these.
inline constexpr int kDbCorrupt = 11;       // damaged or truncated file
inline constexpr int kDbCantOpen = 14;      // missing file, or a file in the way of a new one
inline constexpr int kDbConstraint = 19;    // CHECK, UNIQUE or NOT NULL refused a row
inline constexpr int kDbMisuse = 21;        // the caller's mistake: bad connect string, wrong value count
inline constexpr int kDbNotADatabase = 26;  // not a database, or the wrong password
inline constexpr int DbPrimaryCode(int number)
{
    return number & 0xff;
}

// ---------------------------------------------------------------------------
// Connect strings: ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=vormtex".
// Segments are split at ';', empty ones skipped, and each is key=value with
// the key compared without regard to case (and trimmed). PWD gives the
// passphrase, kept byte for byte; LANGID, CP and COUNTRY are accepted and
// ignored; any other key is an error that names it. Without a PWD (or with an
// empty one) the file is a plain, unencrypted SQLite database.
struct ConnectOptions {
    std::string passphrase;
};
Result<ConnectOptions> ParseConnect(std::string_view connect);

// ---------------------------------------------------------------------------
// One SQL value. Booleans become the integers 1 and 0, as they are stored.
class Value {
public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : m_v(std::int64_t{b ? 1 : 0}) {}
    template <std::integral I>
    requires(!std::same_as<I, bool>) Value(I i) : m_v(static_cast<std::int64_t>(i)) {}
    Value(double d) : m_v(d) {}
    Value(std::string s) : m_v(std::move(s)) {}
    Value(std::string_view s) : m_v(std::string(s)) {}
    Value(const char* s) : m_v(std::string(s)) {}
    template <class T>
    Value(const std::optional<T>& v) : Value(v ? Value(*v) : Value())
    {
    }

    bool IsNull() const { return m_v.index() == 0; }
    bool IsInteger() const { return m_v.index() == 1; }
    bool IsReal() const { return m_v.index() == 2; }
    bool IsText() const { return m_v.index() == 3; }

    // Conversions as SQLite makes them: Null reads as 0 or "", text as its
    // leading number, numbers as their decimal text.
    std::int64_t AsInteger() const;
    double AsReal() const;
    std::string AsText() const;
    bool AsBool() const { return AsInteger() != 0; }

    // The stored text itself, or nullptr when this is not text.
    const std::string* Text() const { return std::get_if<3>(&m_v); }

    bool operator==(const Value&) const = default;

private:
    std::variant<std::monostate, std::int64_t, double, std::string> m_v;
};

// A name as a quoted SQL identifier: "Name", with embedded quotes doubled.
std::string QuoteIdentifier(std::string_view name);

// Turns one of the program's wildcard patterns into a LIKE pattern for
// `... LIKE ? ESCAPE '\'`. `*` matches any run of characters, `?` any one
// character, and a single character in brackets (`[*]`, `[?]`, `[[]`) stands
// for itself. Every other character, `%` and `_` among them, matches only
// itself. LIKE ignores case for ASCII letters only.
std::string LikePattern(std::string_view pattern);

// SQLite 3.15 has no TRUE and FALSE keywords; the program's queries use them.
// Rewrites the bare words True and False (any case) to 1 and 0, leaving them
// alone inside 'strings', "identifiers", [names], `names` and comments, and
// after a '.' or a parameter sigil. Prepare() applies this to every statement.
std::string RewriteBooleanWords(std::string_view sql);

// ---------------------------------------------------------------------------
// A row read whole: its rowid and its fields by name.
struct Row {
    std::int64_t rowid = 0;
    std::vector<std::string> names;
    std::vector<Value> values;

    // The field of that name (compared without regard to case), or nullptr.
    const Value* Find(std::string_view name) const;
    // As Find(), but a Null value for a name the row lacks.
    const Value& operator[](std::string_view name) const;
};

// A prepared statement, finalized when it goes out of scope. Parameters are
// numbered from 1; columns from 0. Column reads refer to the current row, so
// they are valid after Step() returned true. Reading a column by a name the
// result does not have is a bug in the caller: it asserts, and in release
// builds reads as Null. Use ColumnIndex() when the name comes from outside.
class Statement {
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    Result<void> Bind(int index, const Value& value);
    // Binds values[0] to parameter 1, values[1] to 2, and so on; the count
    // must equal the statement's parameter count.
    Result<void> Bind(std::span<const Value> values);
    Result<void> Bind(std::initializer_list<Value> values);
    void ClearBindings();

    // Moves to the next row: true when one is ready, false at the end.
    Result<bool> Step();
    // Runs the statement to its end (for statements that return no rows).
    Result<void> Run();
    // Back to before the first row; bindings stay.
    void Reset();

    int ColumnCount() const;
    std::string ColumnName(int column) const;
    std::optional<int> ColumnIndex(std::string_view name) const;

    bool IsNull(int column) const;
    std::int64_t Integer(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;
    // Valid until the next Step(), Reset() or read of the same column as another type.
    std::string_view TextView(int column) const;
    bool Bool(int column) const { return Integer(column) != 0; }
    Value Get(int column) const;

    bool IsNull(std::string_view name) const;
    std::int64_t Integer(std::string_view name) const;
    double Real(std::string_view name) const;
    std::string Text(std::string_view name) const;
    bool Bool(std::string_view name) const;
    Value Get(std::string_view name) const;

    // The statement's text as SQLite runs it (after RewriteBooleanWords).
    std::string Sql() const;

private:
    friend class Database;
    friend class Inserter;
    explicit Statement(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    int Index(std::string_view name) const;
    Result<void> BindValue(int index, const Value& value, bool copyText);
    Error Failure(int rc, std::string_view what) const;

    sqlite3_stmt* m_stmt = nullptr;
};

// A transaction, rolled back when it goes out of scope uncommitted. Begun
// while another is open, it becomes a savepoint inside it, so an edit can be
// undone without losing the work around it; inner ones must end first. If
// the Database closes first, closing rolled the work back and this one is
// simply over.
class Transaction {
public:
    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    Result<void> Commit();
    Result<void> Rollback();

private:
    friend class Database;
    Transaction(std::weak_ptr<sqlite3> db, std::string savepoint)
        : m_db(std::move(db)), m_savepoint(std::move(savepoint)), m_active(true)
    {
    }
    Result<void> Finish(bool commit);

    std::weak_ptr<sqlite3> m_db;
    std::string m_savepoint;  // empty for an outermost BEGIN
    bool m_active = false;
};

class Database {
public:
    // Makes a new database file. Fails when anything exists at path; callers
    // that mean to replace a file delete it first. The new file is written
    // (one page) before this returns, so it never lingers empty.
    static Result<Database> Create(const std::filesystem::path& path, std::string_view connect);
    // Opens an existing file, never creating one, and proves the key with one
    // read. A wrong password, an empty or damaged file, or one that is no
    // database at all is an error; the file is left as it was.
    static Result<Database> Open(const std::filesystem::path& path, std::string_view connect, bool readOnly = false);

    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    const std::filesystem::path& Path() const { return m_path; }
    bool IsReadOnly() const { return m_readOnly; }

    // One statement (a trailing ';' is fine, a second statement is an error).
    Result<Statement> Prepare(std::string_view sql);
    // Runs one query without parameters and hands each row to `each`.
    Result<void> ForEachRow(std::string_view sql, const std::function<void(const Statement&)>& each);
    // Prepares, binds and runs one statement that returns no rows.
    Result<void> Execute(std::string_view sql, std::span<const Value> params = {});
    Result<void> Execute(std::string_view sql, std::initializer_list<Value> params);
    // Runs several ';'-separated statements without parameters, in order,
    // stopping at the first that fails.
    Result<void> ExecuteScript(std::string_view sql);
    // The first column of the first row, or nullopt when there is no row.
    Result<std::optional<Value>> QueryValue(std::string_view sql, std::span<const Value> params = {});
    Result<std::optional<Value>> QueryValue(std::string_view sql, std::initializer_list<Value> params);

    bool InTransaction() const;
    Result<bool> HasTable(std::string_view name);

    Result<Transaction> Begin();

    // Writes a compact copy of the whole database (schema, rows, indexes) to
    // a new file at dest, keyed with the same passphrase. dest must not exist;
    // on failure it is removed again. Needs a writable connection and no open
    // transaction. Rowids in the copy are renumbered 1..n in their old order.
    // The copy is not flushed to disk on the way: the caller flushes the
    // finished file once (ReplaceFileWith in platform/files.h does).
    Result<void> CompactInto(const std::filesystem::path& dest);

private:
    Database(sqlite3* db, std::filesystem::path path, std::string passphrase, bool readOnly);
    Error Failure(std::string_view what, std::string_view sql = {}) const;

    std::shared_ptr<sqlite3> m_db;  // shared only with Transactions, which hold it weakly
    std::filesystem::path m_path;
    std::string m_passphrase;
    bool m_readOnly = false;
};

// ---------------------------------------------------------------------------
// Row helpers built on Prepare(). Table and field names are quoted here.

// The first row, in index order, whose field equals value: text is compared
// without regard to case, and among equal values the lowest rowid comes
// first. A Null value looks for a Null field.
Result<std::optional<Row>> FindFirst(Database& db, std::string_view table, std::string_view field, const Value& value);

// A field name with its value, for building rows field by field.
struct FieldValue {
    std::string_view name;
    Value value;
};

// An INSERT prepared once and run for many rows: the way to fill a table.
// Wrap the rows in one Transaction, or every row becomes its own write.
// A value for one insert that borrows its text instead of owning it: rows
// that already live in memory go into a table without a copy of each text.
// The text must outlive the insert.
class ValueView {
public:
    ValueView() = default;
    ValueView(std::nullptr_t) {}
    ValueView(bool b) : m_kind(Kind::Integer), m_integer(b ? 1 : 0) {}
    template <std::integral I>
    requires(!std::same_as<I, bool>) ValueView(I i) : m_kind(Kind::Integer), m_integer(static_cast<std::int64_t>(i)) {}
    ValueView(std::string_view s) : m_kind(Kind::Text), m_text(s) {}
    ValueView(const std::string& s) : m_kind(Kind::Text), m_text(s) {}
    ValueView(const char* s) : m_kind(Kind::Text), m_text(s) {}
    template <class T>
    ValueView(const std::optional<T>& v) : ValueView(v ? ValueView(*v) : ValueView())
    {
    }

private:
    friend class Inserter;
    enum class Kind : std::uint8_t { Null, Integer, Text };
    Kind m_kind = Kind::Null;
    std::int64_t m_integer = 0;
    std::string_view m_text;
};

class Inserter {
public:
    static Result<Inserter> Prepare(Database& db, std::string_view table, std::span<const std::string_view> fields);
    static Result<Inserter> Prepare(Database& db, std::string_view table,
                                    std::initializer_list<std::string_view> fields);

    // One value per field, in the order given to Prepare; returns the new rowid.
    Result<std::int64_t> Insert(std::span<const Value> values);
    Result<std::int64_t> Insert(std::initializer_list<Value> values);
    // The same for borrowed values, for bulk loads.
    Result<std::int64_t> InsertView(std::span<const ValueView> values);
    Result<std::int64_t> InsertView(std::initializer_list<ValueView> values);
    std::size_t FieldCount() const { return m_fieldCount; }

private:
    Inserter(Statement stmt, std::size_t fieldCount) : m_stmt(std::move(stmt)), m_fieldCount(fieldCount) {}
    Statement m_stmt;
    std::size_t m_fieldCount = 0;
};

// ---------------------------------------------------------------------------
// The key cache. Opening an encrypted file costs one PBKDF2 derivation (tens
// of milliseconds); the result is kept per passphrase and file salt for the
// life of the process, so later opens of that file take well under a millisecond.

// How many derivations this process has run; lets tests and benchmarks see
// whether an open was served from the cache.
std::uint64_t DatabaseKeyDerivations();
// Forgets every cached key (the next open of each file derives again).
void ForgetDatabaseKeys();
// Starts deriving, on a thread of its own, the key of the files this process
// creates with that passphrase, so the derivation runs while the caller does
// other work instead of when the first file is created. Does nothing when the
// key is known or already being derived.
void PrepareCreationKey(std::string_view passphrase);

}  // namespace arbolith
