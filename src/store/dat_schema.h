// SPDX-License-Identifier: MIT
// The DAT file: one encrypted database per type library holding its object
// model. Its tables are described here as data, so code that fills, reads or
// checks a DAT file walks the same definitions that created it.
//
// Field types keep the old engine's names and declared sizes visible in the
// schema text (TEXT(55), SMALLINT, ...). SQLite does not enforce sizes: text
// longer than its field is stored whole, and an Integer field holds any 64-bit
// value. Text and memo fields compare without regard to case (COLLATE NOCASE).
// A text field that does not allow zero length refuses "" but takes Null.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/database.h"
#include "platform/result.h"

namespace arbolith {

// Connect strings: a new DAT file is made with the first, opened with the second.
inline constexpr std::string_view kDatCreateConnect = ";LANGID=0x0409;CP=1252;COUNTRY=0;pwd=vormtex";
inline constexpr std::string_view kDatConnect = ";pwd=vormtex";

// The notice every DAT file carries in Library.Copyright.
inline constexpr std::string_view kDatCopyright =
    "Arbolith object model data file, made by Arbolith from the type library named in this table.";

inline constexpr std::string_view kLibraryTable = "Library";
inline constexpr std::string_view kEdgesTable = "Edges";
inline constexpr std::string_view kCoClassesTable = "CoClasses";
inline constexpr std::string_view kObjectsTable = "Objects";
inline constexpr std::string_view kFunctionsTable = "Functions";
inline constexpr std::string_view kEnumsTable = "Enums";

enum class FieldType {
    Text,     // TEXT(n)
    Memo,     // LONGTEXT
    Integer,  // SMALLINT: 16 bits in the old engine, any 64-bit integer here
    Long,     // INTEGER
    Boolean,  // BOOLEAN, stored as 1 or 0
    Date,     // DATETIME, stored as text "YYYY-MM-DD HH:MM:SS"
};

struct FieldDef {
    std::string_view name;
    FieldType type;
    int size;              // Text: its length; others: the old engine's byte size (Memo 0)
    bool allowZeroLength;  // text and memo only: "" is a valid value
};

struct IndexDef {
    std::string_view name;  // unique in the file: "<Table>_<Field>"
    std::string_view field;
    bool unique;
};

struct TableDef {
    std::string_view name;
    std::span<const FieldDef> fields;
    std::span<const IndexDef> indexes;

    // The field of that name (compared without regard to case), or nullptr.
    const FieldDef* Field(std::string_view fieldName) const;
};

// All six tables in the order they are created: Library, Edges, CoClasses,
// Objects, Functions, Enums.
std::span<const TableDef> DatTables();
// The table of that name (compared without regard to case), or nullptr.
const TableDef* FindDatTable(std::string_view name);

// "TEXT(50)", "LONGTEXT", "SMALLINT", "INTEGER", "BOOLEAN" or "DATETIME".
std::string DeclaredType(const FieldDef& field);
// The statements that make a table and its indexes.
std::string CreateTableSql(const TableDef& table);
std::vector<std::string> CreateIndexSql(const TableDef& table);

// Creates a DAT file at path holding the Library table only. Fails when a
// file is already there (deleting an old model is the caller's step); on
// any other failure no file is left behind.
enum class DatFileUse {
    Normal,    // written and synced commit by commit
    FillOnce,  // built in one go by its maker, who flushes it and renames it into place
};
Result<Database> CreateDatFile(const std::filesystem::path& path, DatFileUse use = DatFileUse::Normal);
// Starts deriving the key of the DAT files this process creates, in the
// background (PrepareCreationKey), for a caller about to make one after some
// work of its own.
void PrepareDatFileKey();
// Creates Edges, CoClasses, Objects, Functions and Enums with their indexes,
// in that order, in one transaction: all of them or none.
Result<void> CreateDataTables(Database& db);
// One table with its indexes.
Result<void> CreateDatTable(Database& db, const TableDef& table);

// Opens a DAT file with its password.
Result<Database> OpenDatFile(const std::filesystem::path& path, bool readOnly = false);

// What the first row of a DAT file's Library table says about its library.
// Empty texts when the file has no such table, column or row: these are
// conveniences, not reasons to refuse a model. The file is read only.
struct LibraryFacts {
    std::string library;   // Library: the library's description
    std::string helpFile;  // TL_HelpFile
    std::string file;      // FQLibName: where the library was read from
    std::string guid;      // TL_GUID
    std::string version;   // TL_Version
};
Result<LibraryFacts> ReadLibraryFacts(const std::filesystem::path& datFile);

// Checks that the file's table has the definition's fields in order, with
// the declared types, and its indexes; the error names the first difference.
Result<void> CheckDatTable(Database& db, const TableDef& table);

}  // namespace arbolith
