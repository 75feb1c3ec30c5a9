// SPDX-License-Identifier: MIT
#include "enums/enum_source.h"

#include "platform/database.h"
#include "store/dat_schema.h"

#include <cerrno>
#include <system_error>

namespace arbolith::enums {

std::vector<std::filesystem::path> SpecialDataFolders(const std::filesystem::path& programFolder)
{
    if (programFolder.empty()) return {};
    return {programFolder, (programFolder / ".." / "share" / "arbolith").lexically_normal()};
}

namespace {

constexpr std::string_view kPassword = ";pwd=vormtex";

// "[name]" for a table name; the two tables this reads have no ']' in them.
std::string Bracketed(std::string_view table)
{
    return "[" + std::string(table) + "]";
}

// A search text as a LIKE pattern that matches it anywhere, every character
// standing for itself.
std::string ContainsPattern(std::string_view text)
{
    std::string pattern = "%";
    for (char c : text) {
        if (c == '\\' || c == '%' || c == '_') pattern += '\\';
        pattern += c;
    }
    pattern += '%';
    return pattern;
}

// The stored value; a Null value reads as 0, so the constant is still listed
// and found. Models hold 32-bit values; wider ones are shown as they are.
std::int64_t ReadValue(const Statement& stmt, int column)
{
    return stmt.IsNull(column) ? 0 : stmt.Integer(column);
}

}  // namespace

class EnumSource::Impl {
public:
    Impl(Database database, std::string_view tableName) : db(std::move(database)), table(tableName) {}
    Database db;
    std::string table;
};

EnumSource::EnumSource(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
EnumSource::EnumSource(EnumSource&&) noexcept = default;
EnumSource& EnumSource::operator=(EnumSource&&) noexcept = default;
EnumSource::~EnumSource() = default;

std::optional<std::filesystem::path> FindSpecialFile(const std::filesystem::path& appFolder,
                                                     const std::vector<std::filesystem::path>& dataFolders)
{
    auto isFile = [](const std::filesystem::path& path) {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    };
    if (!appFolder.empty() && isFile(appFolder / kSpecialFileName)) return appFolder / kSpecialFileName;
    for (const std::filesystem::path& folder : dataFolders) {
        if (!folder.empty() && isFile(folder / kSpecialFileName)) return folder / kSpecialFileName;
    }
    return std::nullopt;
}

namespace {

// Opens an existing file read-only and checks that it has the table.
Result<Database> OpenWithTable(const std::filesystem::path& path, std::string_view table, bool datFile)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Error::FileSystem(ENOENT, path.string() + ": no such file");
    Result<Database> db = datFile ? OpenDatFile(path, true) : Database::Open(path, kPassword, true);
    if (!db) return db.error();
    Result<bool> has = db->HasTable(table);
    if (!has) return has.error();
    if (!*has) return Error::Model(path.string() + ": the file has no table \"" + std::string(table) + "\"");
    return db;
}

}  // namespace

Result<EnumSource> EnumSource::OpenModel(const std::filesystem::path& datFile)
{
    Result<Database> db = OpenWithTable(datFile, kModelEnumsTable, true);
    if (!db) return db.error();
    return EnumSource(std::make_unique<Impl>(std::move(*db), kModelEnumsTable));
}

Result<EnumSource> EnumSource::OpenVba(const std::filesystem::path& specialFile)
{
    Result<Database> db = OpenWithTable(specialFile, kVbaEnumsTable, false);
    if (!db) return db.error();
    return EnumSource(std::make_unique<Impl>(std::move(*db), kVbaEnumsTable));
}

std::string_view EnumSource::Table() const
{
    return m_impl->table;
}

Result<std::vector<std::string>> EnumSource::EnumNames()
{
    // A Null name would be a node without text; such rows are left out.
    Result<Statement> stmt = m_impl->db.Prepare("SELECT DISTINCT [Enum] FROM " + Bracketed(m_impl->table) +
                                                " WHERE [Enum] IS NOT NULL ORDER BY [Enum] COLLATE NOCASE, [Enum]");
    if (!stmt) return stmt.error();
    std::vector<std::string> names;
    for (;;) {
        Result<bool> row = stmt->Step();
        if (!row) return row.error();
        if (!*row) break;
        names.push_back(stmt->Text(0));
    }
    return names;
}

Result<std::vector<EnumConstant>> EnumSource::Constants(std::string_view enumName)
{
    Result<Statement> stmt = m_impl->db.Prepare("SELECT [Constant], [Value] FROM " + Bracketed(m_impl->table) +
                                                " WHERE [Enum] = ? ORDER BY [Value], rowid");
    if (!stmt) return stmt.error();
    if (Result<void> bound = stmt->Bind(1, Value(enumName)); !bound) return bound.error();
    std::vector<EnumConstant> constants;
    for (;;) {
        Result<bool> row = stmt->Step();
        if (!row) return row.error();
        if (!*row) break;
        constants.push_back({stmt->Text(0), ReadValue(*stmt, 1)});
    }
    return constants;
}

Result<std::vector<ConstantMatch>> EnumSource::FindConstants(std::string_view text)
{
    Result<Statement> stmt =
        m_impl->db.Prepare("SELECT [Enum], [Constant], [Value] FROM " + Bracketed(m_impl->table) +
                           " WHERE [Constant] LIKE ? ESCAPE '\\' ORDER BY [Enum] COLLATE NOCASE, [Enum], rowid");
    if (!stmt) return stmt.error();
    if (Result<void> bound = stmt->Bind(1, Value(ContainsPattern(text))); !bound) return bound.error();
    std::vector<ConstantMatch> matches;
    for (;;) {
        Result<bool> row = stmt->Step();
        if (!row) return row.error();
        if (!*row) break;
        matches.push_back({stmt->Text(0), {stmt->Text(1), ReadValue(*stmt, 2)}});
    }
    return matches;
}

std::string ConstantItem(const EnumConstant& constant)
{
    return constant.name + " = " + std::to_string(constant.value);
}

std::string MatchItem(const ConstantMatch& match)
{
    return ConstantItem(match.constant) + "   [Enum: " + match.enumName + "]";
}

namespace {

constexpr std::string_view kLineBreak = "\r\n";

std::string_view Trim(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

// Joins lines with CR LF, no break after the last.
std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += kLineBreak;
        text += lines[i];
    }
    return text;
}

}  // namespace

std::string ConstantCopyText(std::string_view item)
{
    return "' " + std::string(item);
}

std::string EnumCopyText(std::string_view enumName, const std::vector<std::string>& items)
{
    std::vector<std::string> lines;
    lines.reserve(items.size() + 2);
    lines.push_back("' Enum " + std::string(enumName));
    for (const std::string& item : items) lines.push_back("\t' " + item);
    lines.push_back("' End Enum");
    return JoinLines(lines);
}

std::string EnumSelectCode(std::string_view enumName, const std::vector<std::string>& items)
{
    if (enumName.empty()) return {};
    const std::string name(enumName);
    std::vector<std::string> lines;
    lines.reserve(items.size() + 8);
    lines.push_back("Function " + name + "Name(lValue As Long) As String");
    lines.push_back("' Returns symbolic name for given value of enum " + name);
    lines.push_back("Dim sName As String");
    lines.push_back("Select case lValue");
    for (const std::string& item : items) {
        const std::string_view trimmed = Trim(item);
        std::string_view constant = trimmed;
        std::string_view value = "<unknown>";
        if (const std::size_t eq = trimmed.find('='); eq != std::string_view::npos) {
            constant = Trim(trimmed.substr(0, eq));
            value = Trim(trimmed.substr(eq + 1));
            if (const std::size_t paren = value.find('('); paren != std::string_view::npos)
                value = Trim(value.substr(0, paren));
        }
        lines.push_back("\tCase " + std::string(value) + ": sName = \"" + std::string(constant) + "\"");
    }
    lines.push_back("\tCase Else: sName = \"<invalid>\"");
    lines.push_back("End Select");
    lines.push_back(name + "Name = sName");
    lines.push_back("End Function");
    return JoinLines(lines);
}

}  // namespace arbolith::enums
