// SPDX-License-Identifier: MIT
#include "store/dat_schema.h"

#include <optional>
#include <system_error>

namespace arbolith {
namespace {

constexpr FieldDef Text(std::string_view name, int size, bool zla)
{
    return {name, FieldType::Text, size, zla};
}
constexpr FieldDef Memo(std::string_view name)
{
    return {name, FieldType::Memo, 0, true};
}
constexpr FieldDef Integer(std::string_view name)
{
    return {name, FieldType::Integer, 2, false};
}
constexpr FieldDef Long(std::string_view name)
{
    return {name, FieldType::Long, 4, false};
}
constexpr FieldDef Boolean(std::string_view name)
{
    return {name, FieldType::Boolean, 1, false};
}
constexpr FieldDef Date(std::string_view name)
{
    return {name, FieldType::Date, 8, false};
}

constexpr bool Z = true;    // zero-length text allowed
constexpr bool NZ = false;  // "" refused; Null still allowed

constexpr FieldDef kLibraryFields[] = {
    Text("Library", 50, Z), Text("FQLibName", 255, Z),   Date("LibDate"),           Long("LibSize"),
    Text("Resource", 5, Z), Boolean("InclInterfaces"),   Boolean("InclModules"),    Text("TL_Name", 50, Z),
    Memo("TL_DocString"),   Text("TL_HelpFile", 255, Z), Text("TL_Version", 50, Z), Long("TL_cTypeDesc"),
    Long("cObjectsRaw"),    Long("cCollections"),        Long("cPropPuts"),         Long("cPropGets"),
    Long("cMethods"),       Long("cInterfaces"),         Long("cModules"),          Long("cEnums"),
    Long("cConstants"),     Long("cCoClasses"),          Long("cAliases"),          Long("cUnions"),
    Long("cRecords"),       Text("TL_GUID", 50, Z),      Text("Copyright", 255, Z),
};

constexpr FieldDef kEdgesFields[] = {
    Integer("ParentObjectKey"),
    Text("ParentObjectName", 55, NZ),
    Integer("ChildObjectKey"),
    Text("ChildObjectName", 55, NZ),
    Memo("Label"),
    Boolean("IsCustom"),
};

constexpr FieldDef kCoClassesFields[] = {
    Integer("Key"),
    Text("Name", 55, NZ),
    Text("ForReplacement", 5, Z),
    Boolean("Event"),
    Text("GUID", 39, NZ),
    Integer("FlagsVal"),
    Text("Flags", 255, Z),
    Text("RefTypes", 255, Z),
    Text("DefInterface", 255, Z),
    Text("SourceInterface", 255, Z),
    Text("HelpID", 255, Z),
    Memo("DocString"),
    Integer("cInterfaces"),
    Text("HelpFile", 255, Z),
};

constexpr FieldDef kObjectsFields[] = {
    Text("Name", 55, NZ),
    Text("RawName", 55, Z),
    Text("NameX", 50, Z),
    Text("MemberName", 255, Z),
    Text("RawMemberName", 255, Z),
    Text("GUID", 39, Z),
    Boolean("IsCollection"),
    Boolean("RawIsCollection"),
    Boolean("IsCustom"),
    Text("HiddenState", 5, Z),
    Text("TypeKind", 5, Z),
    Boolean("IsExternal"),
    Long("Key"),
    Integer("FlagsVal"),
    Text("Flags", 255, Z),
    Integer("ImplTypes"),
    Memo("RefTypes"),
    Text("DefaultName", 255, Z),
    Text("HelpID", 255, Z),
    Memo("DocString"),
    Integer("cFunctions"),
    Integer("cVariables"),
    Integer("cChildObjects"),
    Integer("cChildObjectsNotHid"),
    Text("HelpFile", 255, Z),
};

constexpr FieldDef kFunctionsFields[] = {
    Text("Name", 50, Z),
    Text("ObjectName", 55, NZ),
    Text("InvokeType", 20, Z),
    Text("ReturnType", 50, Z),
    Boolean("IsPointer"),
    Boolean("WasPointer"),
    Boolean("IsExternal"),
    Boolean("RetTypeIsObject"),
    Text("ExtTypeLibName", 50, Z),
    Boolean("IsCustom"),
    Integer("ObjectKey"),
    Integer("ReturnTypeKey"),
    Text("TypeKind", 5, Z),
    Long("Key"),
    Long("Flags"),
    Text("Access", 5, Z),
    Memo("Parameters"),
    Text("HiddenState", 5, Z),
    Boolean("IsDefault"),
    Text("HelpID", 255, Z),
    Text("HelpFile", 255, Z),
    Memo("DocString"),
    Memo("Declaration"),
};

constexpr FieldDef kEnumsFields[] = {
    Text("Enum", 100, NZ),
    Integer("cConstants"),
    Text("Constant", 100, NZ),
    Long("Value"),
};

// Index names are per file in SQLite, not per table, hence the table prefix.
constexpr IndexDef kObjectsIndexes[] = {
    {"Objects_Key", "Key", true},
    {"Objects_Name", "Name", false},
};
constexpr IndexDef kFunctionsIndexes[] = {{"Functions_Key", "Key", true}};
constexpr IndexDef kCoClassesIndexes[] = {{"CoClasses_Key", "Key", true}};

constexpr TableDef kTables[] = {
    {kLibraryTable, kLibraryFields, {}},
    {kEdgesTable, kEdgesFields, {}},
    {kCoClassesTable, kCoClassesFields, kCoClassesIndexes},
    {kObjectsTable, kObjectsFields, kObjectsIndexes},
    {kFunctionsTable, kFunctionsFields, kFunctionsIndexes},
    {kEnumsTable, kEnumsFields, {}},
};

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool IsText(const FieldDef& field)
{
    return field.type == FieldType::Text || field.type == FieldType::Memo;
}

Error SchemaError(const Database& db, std::string message)
{
    return Error::Database(kDbCorrupt, db.Path().string() + ": " + std::move(message));
}

}  // namespace

const FieldDef* TableDef::Field(std::string_view fieldName) const
{
    for (const FieldDef& field : fields)
        if (SameName(field.name, fieldName)) return &field;
    return nullptr;
}

std::span<const TableDef> DatTables()
{
    return kTables;
}

const TableDef* FindDatTable(std::string_view name)
{
    for (const TableDef& table : kTables)
        if (SameName(table.name, name)) return &table;
    return nullptr;
}

std::string DeclaredType(const FieldDef& field)
{
    switch (field.type) {
        case FieldType::Text:
            return "TEXT(" + std::to_string(field.size) + ")";
        case FieldType::Memo:
            return "LONGTEXT";
        case FieldType::Integer:
            return "SMALLINT";
        case FieldType::Long:
            return "INTEGER";
        case FieldType::Boolean:
            return "BOOLEAN";
        case FieldType::Date:
            return "DATETIME";
    }
    return "TEXT";
}

std::string CreateTableSql(const TableDef& table)
{
    std::string sql = "CREATE TABLE " + QuoteIdentifier(table.name) + " (";
    bool first = true;
    for (const FieldDef& field : table.fields) {
        sql += first ? "\n  " : ",\n  ";
        first = false;
        const std::string name = QuoteIdentifier(field.name);
        sql += name + " " + DeclaredType(field);
        if (IsText(field)) sql += " COLLATE NOCASE";
        if (IsText(field) && !field.allowZeroLength) {
            // A named constraint makes SQLite's refusal say which field it was.
            const std::string label = std::string(table.name) + "." + std::string(field.name) + " may not be empty";
            sql += " CONSTRAINT " + QuoteIdentifier(label) + " CHECK (" + name + " <> '')";
        }
    }
    sql += "\n)";
    return sql;
}

std::vector<std::string> CreateIndexSql(const TableDef& table)
{
    std::vector<std::string> statements;
    for (const IndexDef& index : table.indexes)
        statements.push_back(std::string(index.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
                             QuoteIdentifier(index.name) + " ON " + QuoteIdentifier(table.name) + " (" +
                             QuoteIdentifier(index.field) + ")");
    return statements;
}

Result<Database> CreateDatFile(const std::filesystem::path& path, DatFileUse use)
{
    std::optional<Error> failure;
    {
        auto db = Database::Create(path, kDatCreateConnect);
        if (!db) return db.error();  // nothing was made, or Create removed it again
        // A file filled once and renamed into place by its maker: the
        // rollback journal stays in memory (a failed transaction still rolls
        // back), nothing is synced until the maker flushes the finished file,
        // and the page cache (16 MB) holds the whole of any model Wine's
        // libraries make (mshtml's is under 4 MB), so each page is encrypted
        // once, at commit. A far larger model spills pages as it is filled;
        // its rows go in in key order, so few spilled pages are touched again.
        auto made = use == DatFileUse::FillOnce ? db->ExecuteScript(
                                                      "PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; "
                                                      "PRAGMA cache_size = -16384")
                                                : Result<void>(Ok());
        if (made) made = db->Execute(CreateTableSql(kTables[0]));
        if (made) return std::move(*db);
        failure = made.error();
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return failure->In("create model file");
}

void PrepareDatFileKey()
{
    if (auto options = ParseConnect(kDatCreateConnect)) PrepareCreationKey(options->passphrase);
}

Result<void> CreateDataTables(Database& db)
{
    auto transaction = db.Begin();
    if (!transaction) return transaction.error();
    for (const TableDef& table : DatTables().subspan(1))
        if (auto made = CreateDatTable(db, table); !made) return made;
    return transaction->Commit();
}

Result<void> CreateDatTable(Database& db, const TableDef& table)
{
    if (auto made = db.Execute(CreateTableSql(table)); !made)
        return made.error().In("create table " + std::string(table.name));
    for (const std::string& sql : CreateIndexSql(table))
        if (auto made = db.Execute(sql); !made) return made.error().In("create index on " + std::string(table.name));
    return Ok();
}

Result<Database> OpenDatFile(const std::filesystem::path& path, bool readOnly)
{
    return Database::Open(path, kDatConnect, readOnly);
}

Result<void> CheckDatTable(Database& db, const TableDef& table)
{
    const std::string tableName(table.name);
    auto columns = db.Prepare("PRAGMA table_info(" + QuoteIdentifier(table.name) + ")");
    if (!columns) return columns.error();
    std::size_t count = 0;
    for (;;) {
        auto row = columns->Step();
        if (!row) return row.error();
        if (!*row) break;
        if (count >= table.fields.size())
            return SchemaError(db, "table " + tableName + " has an extra field " + columns->Text("name"));
        const FieldDef& field = table.fields[count];
        if (!SameName(columns->Text("name"), field.name))
            return SchemaError(db, "table " + tableName + ": field " + std::to_string(count + 1) + " is " +
                                       columns->Text("name") + ", expected " + std::string(field.name));
        if (!SameName(columns->Text("type"), DeclaredType(field)))
            return SchemaError(db, "table " + tableName + ": field " + std::string(field.name) + " is " +
                                       columns->Text("type") + ", expected " + DeclaredType(field));
        ++count;
    }
    if (count == 0) return SchemaError(db, "no table " + tableName);
    if (count < table.fields.size())
        return SchemaError(db, "table " + tableName + " lacks the field " + std::string(table.fields[count].name));

    for (const IndexDef& index : table.indexes) {
        auto listed = db.Prepare("PRAGMA index_list(" + QuoteIdentifier(table.name) + ")");
        if (!listed) return listed.error();
        std::optional<bool> unique;
        for (;;) {
            auto row = listed->Step();
            if (!row) return row.error();
            if (!*row) break;
            if (SameName(listed->Text("name"), index.name)) unique = listed->Bool("unique");
        }
        auto columns = db.Prepare("PRAGMA index_info(" + QuoteIdentifier(index.name) + ")");
        if (!columns) return columns.error();
        auto first = columns->Step();
        if (!first) return first.error();
        if (!unique || !*first || !SameName(columns->Text("name"), index.field))
            return SchemaError(db, "table " + tableName + " lacks the index " + std::string(index.name) + " on " +
                                       std::string(index.field));
        if (*unique != index.unique)
            return SchemaError(db, "table " + tableName + ": index " + std::string(index.name) + " should " +
                                       (index.unique ? "" : "not ") + "be unique");
    }
    return Ok();
}

Result<LibraryFacts> ReadLibraryFacts(const std::filesystem::path& datFile)
{
    auto db = OpenDatFile(datFile, /*readOnly=*/true);
    if (!db) return db.error();
    auto has = db->HasTable(kLibraryTable);
    if (!has) return has.error();
    LibraryFacts row;
    if (!*has) return row;
    auto stmt = db->Prepare("SELECT * FROM Library LIMIT 1");
    if (!stmt) return stmt.error();
    auto step = stmt->Step();
    if (!step) return step.error();
    if (!*step) return row;
    const auto text = [&](std::string_view name) {
        const auto column = stmt->ColumnIndex(name);
        return column ? stmt->Text(*column) : std::string();
    };
    row.library = text("Library");
    row.helpFile = text("TL_HelpFile");
    row.file = text("FQLibName");
    row.guid = text("TL_GUID");
    row.version = text("TL_Version");
    return row;
}

}  // namespace arbolith
