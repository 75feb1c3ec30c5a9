// SPDX-License-Identifier: MIT
// SQLCipher behind the interface in database.h: opening and creating files,
// statements, transactions and compaction. Keys are in database_keys.cpp,
// the write-coalescing file layer in coalescing_vfs.cpp, row helpers in
// database_rows.cpp.
#define SQLITE_HAS_CODEC 1  // declares sqlite3_key(); the library has it built in
#include "platform/database.h"

#include "platform/database_internal.h"
#include "platform/text_encoding.h"

#include <sqlcipher/sqlite3.h>

#include <fcntl.h>
#include <openssl/crypto.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>

namespace arbolith {

static_assert(kDbCorrupt == SQLITE_CORRUPT && kDbCantOpen == SQLITE_CANTOPEN && kDbConstraint == SQLITE_CONSTRAINT &&
              kDbMisuse == SQLITE_MISUSE && kDbNotADatabase == SQLITE_NOTADB);

using namespace db_detail;

namespace {

constexpr char kProveSql[] = "SELECT count(*) FROM sqlite_master";
constexpr int kBusyTimeoutMs = 5000;

// ---------------------------------------------------------------------------
// Files.

std::string FileName(const std::filesystem::path& path)
{
    return path.string();
}

Error OsError(int err, std::string_view what, const std::filesystem::path& path)
{
    return Error::FileSystem(err, std::string(what) + " " + FileName(path) + ": " + std::strerror(err));
}

// Makes an empty file, failing when anything is already there. SQLite takes
// an empty file for an empty database, so this claims the name atomically.
Result<void> CreateEmptyFile(const std::filesystem::path& path, std::string_view what)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST)
            return Error::FileSystem(EEXIST,
                                     std::string(what) + " " + FileName(path) + ": a file of that name already exists");
        return OsError(errno, what, path);
    }
    ::close(fd);
    return Ok();
}

void RemoveQuietly(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

Result<SaltBytes> ReadSalt(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    SaltBytes salt{};
    if (!in.read(reinterpret_cast<char*>(salt.data()), static_cast<std::streamsize>(salt.size())))
        return Error::FileSystem(EIO, "open " + FileName(path) + ": cannot read the start of the file");
    return salt;
}

struct HandleCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Handle = std::unique_ptr<sqlite3, HandleCloser>;

std::string EngineMessage(sqlite3* db)
{
    return db ? sqlite3_errmsg(db) : "out of memory";
}
int EngineCode(sqlite3* db, int rc)
{
    return db ? sqlite3_extended_errcode(db) : rc;
}

Result<Handle> OpenHandle(const std::filesystem::path& path, int flags, std::string_view what)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, CoalescingVfsName());
    Handle db(raw);
    if (rc != SQLITE_OK)
        return Error::Database(EngineCode(raw, rc),
                               std::string(what) + " " + FileName(path) + ": " + EngineMessage(raw));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return db;
}

Result<void> ApplyKey(sqlite3* db, const SecretText& key, const std::filesystem::path& path)
{
    if (sqlite3_key(db, key.text().data(), static_cast<int>(key.text().size())) != SQLITE_OK)
        return Error::Database(EngineCode(db, SQLITE_ERROR), "key " + FileName(path) + ": " + EngineMessage(db));
    return Ok();
}

// Runs one statement on a bare handle. Returns the extended code, 0 for success.
int RunOnHandle(sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc != SQLITE_OK) rc = sqlite3_extended_errcode(db);
    sqlite3_finalize(stmt);
    return rc;
}

std::string DescribeFailure(sqlite3* db, std::string_view what, std::string_view sql)
{
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    std::string text(what);
    text += ' ';
    text += (file && *file) ? file : "(database)";
    text += ": ";
    text += EngineMessage(db);
    if (!sql.empty()) {
        text += "; SQL: ";
        text += sql;
    }
    return text;
}

std::atomic<std::uint64_t> g_savepointCounter{0};

bool OnlySpaceOrSemicolons(const char* p, const char* end)
{
    for (; p < end; ++p)
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') return false;
    return true;
}

std::size_t Utf8Length(unsigned char lead)
{
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

bool IsWordStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsWordChar(unsigned char c)
{
    return IsWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}
bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

// ---------------------------------------------------------------------------

Result<ConnectOptions> ParseConnect(std::string_view connect)
{
    ConnectOptions options;
    std::size_t start = 0;
    while (start <= connect.size()) {
        std::size_t end = connect.find(';', start);
        if (end == std::string_view::npos) end = connect.size();
        const std::string_view segment = connect.substr(start, end - start);
        start = end + 1;
        if (TrimView(segment).empty()) continue;
        const std::size_t eq = segment.find('=');
        if (eq == std::string_view::npos)
            return Error::Database(SQLITE_MISUSE,
                                   "connect string: \"" + std::string(TrimView(segment)) + "\" is not key=value");
        const std::string_view key = TrimView(segment.substr(0, eq));
        if (EqualsNoCase(key, "pwd"))
            options.passphrase = std::string(segment.substr(eq + 1));
        else if (!EqualsNoCase(key, "LANGID") && !EqualsNoCase(key, "CP") && !EqualsNoCase(key, "COUNTRY"))
            return Error::Database(SQLITE_MISUSE, "connect string: unknown key \"" + std::string(key) + "\"");
    }
    return options;
}

std::int64_t Value::AsInteger() const
{
    switch (m_v.index()) {
        case 1:
            return std::get<1>(m_v);
        case 2: {
            const double d = std::get<2>(m_v);
            if (std::isnan(d)) return 0;
            if (d >= 9.2233720368547758e18) return INT64_MAX;
            if (d <= -9.2233720368547758e18) return INT64_MIN;
            return static_cast<std::int64_t>(d);
        }
        case 3:
            return std::strtoll(std::get<3>(m_v).c_str(), nullptr, 10);
        default:
            return 0;
    }
}

double Value::AsReal() const
{
    switch (m_v.index()) {
        case 1:
            return static_cast<double>(std::get<1>(m_v));
        case 2:
            return std::get<2>(m_v);
        case 3:
            return std::strtod(std::get<3>(m_v).c_str(), nullptr);
        default:
            return 0.0;
    }
}

std::string Value::AsText() const
{
    switch (m_v.index()) {
        case 1:
            return std::to_string(std::get<1>(m_v));
        case 2: {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.15g", std::get<2>(m_v));
            return buffer;
        }
        case 3:
            return std::get<3>(m_v);
        default:
            return {};
    }
}

std::string QuoteIdentifier(std::string_view name)
{
    std::string quoted;
    quoted.reserve(name.size() + 2);
    quoted += '"';
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string LikePattern(std::string_view pattern)
{
    std::string like;
    like.reserve(pattern.size() + 8);
    const auto literal = [&like](std::string_view chars) {
        if (chars.size() == 1 && (chars[0] == '%' || chars[0] == '_' || chars[0] == '\\')) like += '\\';
        like += chars;
    };
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '*') {
            like += '%';
        } else if (c == '?') {
            like += '_';
        } else if (c == '[' && i + 1 < pattern.size()) {
            // "[x]": the one character x, taken literally.
            const std::size_t n = Utf8Length(static_cast<unsigned char>(pattern[i + 1]));
            if (i + 1 + n < pattern.size() && pattern[i + 1 + n] == ']') {
                literal(pattern.substr(i + 1, n));
                i += n + 1;
            } else {
                literal(pattern.substr(i, 1));
            }
        } else {
            literal(pattern.substr(i, 1));
        }
    }
    return like;
}

std::string RewriteBooleanWords(std::string_view sql)
{
    std::string out;
    out.reserve(sql.size());
    const std::size_t n = sql.size();
    std::size_t i = 0;
    // Copies up to (not including) position `to`, clamped to the end.
    const auto copyTo = [&](std::size_t to) {
        to = std::min(to, n);
        out.append(sql.substr(i, to - i));
        i = to;
    };
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        if (c == '\'' || c == '"' || c == '`') {
            std::size_t j = i + 1;
            for (;;) {
                const std::size_t close = sql.find(static_cast<char>(c), j);
                if (close == std::string_view::npos) {
                    j = n;
                    break;
                }
                if (close + 1 < n && sql[close + 1] == static_cast<char>(c)) {
                    j = close + 2;  // a doubled quote stands for itself
                    continue;
                }
                j = close + 1;
                break;
            }
            copyTo(j);
        } else if (c == '[') {
            const std::size_t close = sql.find(']', i + 1);
            copyTo(close == std::string_view::npos ? n : close + 1);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            copyTo(sql.find('\n', i));
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const std::size_t close = sql.find("*/", i + 2);
            copyTo(close == std::string_view::npos ? n : close + 2);
        } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(static_cast<unsigned char>(sql[i + 1])))) {
            // A number, hex literal or 1e5: never a word.
            std::size_t j = i + 1;
            while (j < n && (IsWordChar(static_cast<unsigned char>(sql[j])) || sql[j] == '.')) ++j;
            copyTo(j);
        } else if (IsWordStart(c)) {
            std::size_t j = i + 1;
            while (j < n && IsWordChar(static_cast<unsigned char>(sql[j]))) ++j;
            const std::string_view word = sql.substr(i, j - i);
            const char before = i > 0 ? sql[i - 1] : ' ';
            const bool qualified =
                before == '.' || before == ':' || before == '@' || before == '$' || before == '?' || before == '#';
            if (!qualified && EqualsNoCase(word, "true")) {
                out += '1';
                i = j;
            } else if (!qualified && EqualsNoCase(word, "false")) {
                out += '0';
                i = j;
            } else {
                copyTo(j);
            }
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------

const Value* Row::Find(std::string_view name) const
{
    for (std::size_t i = 0; i < names.size() && i < values.size(); ++i)
        if (EqualsNoCase(names[i], name)) return &values[i];
    return nullptr;
}

const Value& Row::operator[](std::string_view name) const
{
    static const Value kNull;
    const Value* v = Find(name);
    return v ? *v : kNull;
}

// ---------------------------------------------------------------------------

Statement::Statement(Statement&& other) noexcept : m_stmt(std::exchange(other.m_stmt, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Error Statement::Failure(int rc, std::string_view what) const
{
    sqlite3* db = sqlite3_db_handle(m_stmt);
    const int code = sqlite3_extended_errcode(db);
    return Error::Database(code != SQLITE_OK ? code : rc, DescribeFailure(db, what, sqlite3_sql(m_stmt)));
}

Result<void> Statement::BindValue(int index, const Value& value, bool copyText)
{
    int rc = SQLITE_OK;
    if (value.IsNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else if (value.IsInteger()) {
        rc = sqlite3_bind_int64(m_stmt, index, value.AsInteger());
    } else if (value.IsReal()) {
        rc = sqlite3_bind_double(m_stmt, index, value.AsReal());
    } else {
        const std::string& text = *value.Text();
        rc = sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), copyText ? SQLITE_TRANSIENT : SQLITE_STATIC,
                                 SQLITE_UTF8);
    }
    if (rc != SQLITE_OK) return Failure(rc, "bind parameter " + std::to_string(index) + " in");
    return Ok();
}

Result<void> Statement::Bind(int index, const Value& value)
{
    return BindValue(index, value, true);
}

Result<void> Statement::Bind(std::span<const Value> values)
{
    const int expected = sqlite3_bind_parameter_count(m_stmt);
    if (static_cast<std::size_t>(expected) != values.size())
        return Error::Database(SQLITE_MISUSE, "bind: " + std::to_string(values.size()) + " values for " +
                                                  std::to_string(expected) + " parameters; SQL: " + Sql());
    for (std::size_t i = 0; i < values.size(); ++i)
        if (auto bound = BindValue(static_cast<int>(i) + 1, values[i], true); !bound) return bound;
    return Ok();
}

Result<void> Statement::Bind(std::initializer_list<Value> values)
{
    return Bind(std::span<const Value>(values.begin(), values.size()));
}

void Statement::ClearBindings()
{
    sqlite3_clear_bindings(m_stmt);
}

Result<bool> Statement::Step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Error error = Failure(rc, "run");
    sqlite3_reset(m_stmt);  // releases the statement's locks at once
    return error;
}

Result<void> Statement::Run()
{
    for (;;) {
        auto row = Step();
        if (!row) return row.error();
        if (!*row) break;
    }
    sqlite3_reset(m_stmt);
    return Ok();
}

void Statement::Reset()
{
    sqlite3_reset(m_stmt);
}

int Statement::ColumnCount() const
{
    return sqlite3_column_count(m_stmt);
}

std::string Statement::ColumnName(int column) const
{
    const char* name = sqlite3_column_name(m_stmt, column);
    return name ? name : "";
}

std::optional<int> Statement::ColumnIndex(std::string_view name) const
{
    const int count = sqlite3_column_count(m_stmt);
    for (int i = 0; i < count; ++i) {
        const char* columnName = sqlite3_column_name(m_stmt, i);
        if (columnName && EqualsNoCase(columnName, name)) return i;
    }
    return std::nullopt;
}

int Statement::Index(std::string_view name) const
{
    const auto index = ColumnIndex(name);
    assert(index && "no column of that name in the statement's result");
    return index ? *index : -1;  // SQLite reads an out-of-range column as Null
}

bool Statement::IsNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}
std::int64_t Statement::Integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}
double Statement::Real(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}
std::string Statement::Text(int column) const
{
    return std::string(TextView(column));
}

std::string_view Statement::TextView(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!text) return {};
    return std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
}

Value Statement::Get(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_INTEGER:
            return Value(static_cast<std::int64_t>(sqlite3_column_int64(m_stmt, column)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(m_stmt, column));
        case SQLITE_TEXT:
            return Value(TextView(column));
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
            const auto size = static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column));
            return Value(std::string(bytes ? bytes : "", bytes ? size : 0));
        }
        default:
            return Value();
    }
}

bool Statement::IsNull(std::string_view name) const
{
    return IsNull(Index(name));
}
std::int64_t Statement::Integer(std::string_view name) const
{
    return Integer(Index(name));
}
double Statement::Real(std::string_view name) const
{
    return Real(Index(name));
}
std::string Statement::Text(std::string_view name) const
{
    return Text(Index(name));
}
bool Statement::Bool(std::string_view name) const
{
    return Bool(Index(name));
}
Value Statement::Get(std::string_view name) const
{
    return Get(Index(name));
}

std::string Statement::Sql() const
{
    const char* sql = sqlite3_sql(m_stmt);
    return sql ? sql : "";
}

// ---------------------------------------------------------------------------

Transaction::Transaction(Transaction&& other) noexcept
    : m_db(std::move(other.m_db)),
      m_savepoint(std::move(other.m_savepoint)),
      m_active(std::exchange(other.m_active, false))
{
}

Transaction::~Transaction()
{
    if (m_active) (void)Finish(false);
}

Result<void> Transaction::Commit()
{
    return Finish(true);
}
Result<void> Transaction::Rollback()
{
    return Finish(false);
}

Result<void> Transaction::Finish(bool commit)
{
    if (!m_active) return Error::Database(SQLITE_MISUSE, "the transaction has already ended");
    const std::shared_ptr<sqlite3> connection = m_db.lock();
    if (!connection) {
        m_active = false;
        if (commit)
            return Error::Database(SQLITE_MISUSE, "commit: the database was closed first, which rolled the work back");
        return Ok();
    }
    sqlite3* db = connection.get();
    int rc = SQLITE_OK;
    std::string sql;
    if (m_savepoint.empty()) {
        // SQLite may already have rolled the whole transaction back itself
        // (after a disk-full error, say); then there is nothing left to end.
        if (sqlite3_get_autocommit(db)) {
            m_active = false;
            if (commit)
                return Error::Database(SQLITE_ERROR, DescribeFailure(db, "commit", "") +
                                                         " (the transaction was rolled back by the engine)");
            return Ok();
        }
        sql = commit ? "COMMIT" : "ROLLBACK";
        rc = RunOnHandle(db, sql.c_str());
        if (rc == SQLITE_OK || sqlite3_get_autocommit(db)) m_active = false;
    } else {
        const std::string name = QuoteIdentifier(m_savepoint);
        sql = commit ? "RELEASE " + name : "ROLLBACK TO " + name;
        rc = RunOnHandle(db, sql.c_str());
        if (rc == SQLITE_OK && !commit) {
            sql = "RELEASE " + name;
            rc = RunOnHandle(db, sql.c_str());
        }
        if (rc == SQLITE_OK) m_active = false;
    }
    if (rc != SQLITE_OK) return Error::Database(rc, DescribeFailure(db, commit ? "commit" : "roll back", sql));
    return Ok();
}

// ---------------------------------------------------------------------------

Database::Database(sqlite3* db, std::filesystem::path path, std::string passphrase, bool readOnly)
    : m_db(db, HandleCloser()), m_path(std::move(path)), m_passphrase(std::move(passphrase)), m_readOnly(readOnly)
{
}

Database::Database(Database&& other) noexcept = default;
Database& Database::operator=(Database&& other) noexcept = default;

Database::~Database()
{
    OPENSSL_cleanse(m_passphrase.data(), m_passphrase.size());
}

Error Database::Failure(std::string_view what, std::string_view sql) const
{
    return Error::Database(EngineCode(m_db.get(), SQLITE_ERROR), DescribeFailure(m_db.get(), what, sql));
}

Result<Database> Database::Create(const std::filesystem::path& path, std::string_view connect)
{
    auto options = ParseConnect(connect);
    if (!options) return options.error().In("create " + FileName(path));
    std::optional<SecretText> key;
    if (!options->passphrase.empty()) {
        auto text = CreationKeyText(options->passphrase);
        if (!text) return text.error().In("create " + FileName(path));
        key.emplace(std::move(*text));
    }
    if (auto made = CreateEmptyFile(path, "create"); !made) return made.error();

    auto fail = [&path](Error error) {
        RemoveQuietly(path);
        return error;
    };
    auto handle = OpenHandle(path, SQLITE_OPEN_READWRITE, "create");
    if (!handle) return fail(handle.error());
    if (key)
        if (auto keyed = ApplyKey(handle->get(), *key, path); !keyed) return fail(keyed.error());
    // Writing the header makes SQLCipher put down page 1 with its salt, so
    // the file is a complete (empty) database from here on. That write is
    // not synced: an empty file holds nothing worth keeping, and the
    // caller's first commit syncs it with its own pages.
    for (const char* sql : {"PRAGMA synchronous = OFF", "PRAGMA user_version = 0", "PRAGMA synchronous = FULL"})
        if (RunOnHandle(handle->get(), sql) != SQLITE_OK)
            return fail(Error::Database(EngineCode(handle->get(), SQLITE_ERROR),
                                        DescribeFailure(handle->get(), "create", sql)));
    return Database(handle->release(), path, std::move(options->passphrase), false);
}

Result<Database> Database::Open(const std::filesystem::path& path, std::string_view connect, bool readOnly)
{
    auto options = ParseConnect(connect);
    if (!options) return options.error().In("open " + FileName(path));

    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status))
        return Error::FileSystem(ENOENT, "open " + FileName(path) + ": no such file");
    if (!std::filesystem::is_regular_file(status))
        return Error::FileSystem(EISDIR, "open " + FileName(path) + ": not a file");
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return OsError(ec.value(), "open", path);
    // SQLite would take an empty file for a new database and write to it on
    // the first change; a model file is never empty.
    if (size == 0)
        return Error::Database(SQLITE_NOTADB, FileName(path) + " is empty, so it is not an Arbolith model file");

    const std::string& passphrase = options->passphrase;
    std::optional<SecretText> keyText;
    std::optional<KeyBytes> derived;  // set when this open ran the derivation
    SaltBytes salt{};
    if (!passphrase.empty()) {
        if (size < kSaltBytes)
            return Error::Database(SQLITE_NOTADB, FileName(path) + " is too short to be an Arbolith model file");
        auto read = ReadSalt(path);
        if (!read) return read.error();
        salt = *read;
        auto key = FindCachedKey(salt, passphrase);
        if (!key) {
            auto fresh = DeriveKey(passphrase, salt);
            if (!fresh) return fresh.error().In("open " + FileName(path));
            derived = *fresh;
            key = *fresh;
        }
        keyText.emplace(RawKeyText(*key, salt));
        OPENSSL_cleanse(key->data(), key->size());
    }

    auto handle = OpenHandle(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, "open");
    if (!handle) return handle.error();
    if (keyText)
        if (auto keyed = ApplyKey(handle->get(), *keyText, path); !keyed) return keyed.error();

    // A wrong key shows only when a page is read, so read one now.
    const int rc = RunOnHandle(handle->get(), kProveSql);
    if (rc != SQLITE_OK) {
        if ((rc & 0xff) == SQLITE_NOTADB)
            return Error::Database(rc, FileName(path) + " is not an Arbolith model file, or its password is wrong");
        if ((rc & 0xff) == SQLITE_CORRUPT)
            return Error::Database(rc,
                                   FileName(path) + " is damaged or cut short (" + EngineMessage(handle->get()) + ")");
        return Error::Database(rc, DescribeFailure(handle->get(), "open", kProveSql));
    }
    if (derived) {
        RememberKey(salt, passphrase, *derived);
        OPENSSL_cleanse(derived->data(), derived->size());
    }
    return Database(handle->release(), path, std::move(options->passphrase), readOnly);
}

Result<void> Database::ForEachRow(std::string_view sql, const std::function<void(const Statement&)>& each)
{
    auto stmt = Prepare(sql);
    if (!stmt) return stmt.error();
    for (;;) {
        auto more = stmt->Step();
        if (!more) return more.error();
        if (!*more) return Ok();
        each(*stmt);
    }
}

Result<Statement> Database::Prepare(std::string_view sql)
{
    const std::string text = RewriteBooleanWords(sql);
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(m_db.get(), text.data(), static_cast<int>(text.size()), &raw, &tail);
    if (rc != SQLITE_OK) return Failure("prepare", text);
    if (!raw)
        return Error::Database(SQLITE_MISUSE, "prepare " + FileName(m_path) + ": no SQL statement in \"" + text + "\"");
    Statement stmt(raw);
    const char* end = text.data() + text.size();
    if (tail && !OnlySpaceOrSemicolons(tail, end)) {
        // Comments after the statement are fine; a second statement is not,
        // since it would silently never run.
        sqlite3_stmt* extra = nullptr;
        sqlite3_prepare_v2(m_db.get(), tail, static_cast<int>(end - tail), &extra, nullptr);
        const bool another = extra != nullptr;
        sqlite3_finalize(extra);
        if (another)
            return Error::Database(SQLITE_MISUSE, "prepare " + FileName(m_path) +
                                                      ": more than one statement (use ExecuteScript); SQL: " + text);
    }
    return stmt;
}

Result<void> Database::Execute(std::string_view sql, std::span<const Value> params)
{
    auto stmt = Prepare(sql);
    if (!stmt) return stmt.error();
    if (auto bound = stmt->Bind(params); !bound) return bound;
    return stmt->Run();
}

Result<void> Database::Execute(std::string_view sql, std::initializer_list<Value> params)
{
    return Execute(sql, std::span<const Value>(params.begin(), params.size()));
}

Result<void> Database::ExecuteScript(std::string_view sql)
{
    const std::string text = RewriteBooleanWords(sql);
    const char* next = text.data();
    const char* end = text.data() + text.size();
    while (next < end) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(m_db.get(), next, static_cast<int>(end - next), &raw, &tail) != SQLITE_OK)
            return Failure("prepare", std::string_view(next, static_cast<std::size_t>(end - next)));
        if (!raw) break;  // only space or comments were left
        Statement stmt(raw);
        if (auto ran = stmt.Run(); !ran) return ran;
        next = tail;
    }
    return Ok();
}

Result<std::optional<Value>> Database::QueryValue(std::string_view sql, std::span<const Value> params)
{
    auto stmt = Prepare(sql);
    if (!stmt) return stmt.error();
    if (auto bound = stmt->Bind(params); !bound) return bound.error();
    auto row = stmt->Step();
    if (!row) return row.error();
    if (!*row) return std::optional<Value>();
    return std::optional<Value>(stmt->Get(0));
}

Result<std::optional<Value>> Database::QueryValue(std::string_view sql, std::initializer_list<Value> params)
{
    return QueryValue(sql, std::span<const Value>(params.begin(), params.size()));
}

bool Database::InTransaction() const
{
    return !sqlite3_get_autocommit(m_db.get());
}

Result<bool> Database::HasTable(std::string_view name)
{
    auto found =
        QueryValue("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE", {Value(name)});
    if (!found) return found.error();
    return found->has_value();
}

Result<Transaction> Database::Begin()
{
    if (!InTransaction()) {
        if (RunOnHandle(m_db.get(), "BEGIN") != SQLITE_OK) return Failure("begin", "BEGIN");
        return Transaction(m_db, std::string());
    }
    std::string name = "arbolith_savepoint_" + std::to_string(g_savepointCounter.fetch_add(1) + 1);
    const std::string sql = "SAVEPOINT " + QuoteIdentifier(name);
    if (RunOnHandle(m_db.get(), sql.c_str()) != SQLITE_OK) return Failure("begin", sql);
    return Transaction(m_db, std::move(name));
}

Result<void> Database::CompactInto(const std::filesystem::path& dest)
{
    const std::string what = "copy " + FileName(m_path) + " into " + FileName(dest);
    if (m_readOnly) return Error::Database(SQLITE_READONLY, what + ": the database is open read-only");
    if (InTransaction()) return Error::Database(SQLITE_MISUSE, what + ": a transaction is open");
    // The copy gets this process's creation salt, so opening it later is
    // served from the cache too.
    std::optional<SecretText> key;
    if (!m_passphrase.empty()) {
        auto text = CreationKeyText(m_passphrase);
        if (!text) return text.error().In(what);
        key.emplace(std::move(*text));
    }
    // ATTACH opens with this connection's flags, which lack CREATE; an empty
    // file is what it needs, and making it first also refuses an existing one.
    if (auto made = CreateEmptyFile(dest, "compact into"); !made) return made.error();

    auto attach = Prepare("ATTACH DATABASE ? AS compacted KEY ?");
    if (!attach) {
        RemoveQuietly(dest);
        return attach.error().In(what);
    }
    const std::array<Value, 2> params{Value(dest.string()), Value(key ? key->text() : std::string())};
    auto attached = attach->Bind(params);
    if (attached) attached = attach->Run();
    attach->ClearBindings();
    if (!attached) {
        RemoveQuietly(dest);
        return attached.error().In(what);
    }
    // Each table and index is copied in its own transaction; syncing each
    // would cost hundreds of flushes for a file flushed whole at the end.
    auto exported = ExecuteScript("PRAGMA compacted.journal_mode = MEMORY; PRAGMA compacted.synchronous = OFF");
    if (exported) exported = Execute("SELECT sqlcipher_export('compacted')");
    const int detached = RunOnHandle(m_db.get(), "DETACH DATABASE compacted");
    if (!exported) {
        RemoveQuietly(dest);
        return exported.error().In(what);
    }
    if (detached != SQLITE_OK) {
        Error error = Failure("detach", "DETACH DATABASE compacted");
        RemoveQuietly(dest);
        return error.In(what);
    }
    return Ok();
}

}  // namespace arbolith
