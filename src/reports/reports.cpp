// SPDX-License-Identifier: MIT
#include "reports/reports.h"

#include "platform/database.h"
#include "store/dat_schema.h"

#include <cerrno>

namespace arbolith::reports {
namespace {

struct LineQuery {
    std::string_view captionPrefix;
    std::string_view errorPrefix;
    std::string_view sql;
    std::string_view emptyItem;  // "" when an empty result leaves the list empty
    std::string_view parameter;  // bound to the one `?`, if any
    bool wildcard = false;       // the parameter is a pattern with * and ?, for LIKE
};

// The text columns compare without regard to case; the queries say so
// themselves as well, so a file whose columns lack the collation reads alike.
constexpr LineQuery kCreatables{"Externally Creatable Objects for ",
                                "Error showing creatable objects. ",
                                "SELECT Name FROM Objects WHERE Flags LIKE ? ESCAPE '\\' ORDER BY Name COLLATE NOCASE",
                                "No externally creatable objects.",
                                "*/CanCre/*",
                                true};
constexpr LineQuery kHidden{
    "Hidden Objects for ",
    "Error showing hidden objects: ",
    "SELECT Name FROM Objects WHERE HiddenState = ? COLLATE NOCASE ORDER BY Name COLLATE NOCASE",
    "No hidden objects.",
    "H",
    false};
constexpr LineQuery kAllMembers{"Members in ",
                                "Error showing all members: ",
                                "SELECT DISTINCT Name COLLATE NOCASE FROM Functions WHERE Name <> '' ORDER BY 1",
                                "",
                                "",
                                false};
constexpr std::string_view kStatisticsCaption = "Library Statistics for ";
constexpr std::string_view kStatisticsError = "Error showing library statistics. ";

struct StatisticsLine {
    std::string_view label;
    std::string_view field;
};
constexpr StatisticsLine kStatistics[] = {
    {"File: ", "Library"},
    {"Path: ", "FQLibName"},
    {"File Date: ", "LibDate"},
    {"File Size: ", "LibSize"},
    {"Library Name: ", "TL_Name"},
    {"Version: ", "TL_Version"},
    {"Doc String: ", "TL_DocString"},
    {"Help File: ", "TL_HelpFile"},
    {"GUID: ", "TL_GUID"},
    {"Object Count: ", "cObjectsRaw"},
    {"Collection Objects: ", "cCollections"},
    {"Property Puts: ", "cPropPuts"},
    {"Property Gets: ", "cPropGets"},
    {"Methods: ", "cMethods"},
    {"Enums: ", "cEnums"},
    {"Constants: ", "cConstants"},
    {"Interfaces: ", "cInterfaces"},
    {"Modules: ", "cModules"},
    {"CoClasses: ", "cCoClasses"},
    {"Records: ", "cRecords"},
    {"Aliases: ", "cAliases"},
    {"Unions: ", "cUnions"},
};

// Opens the file for reading only. The engine never creates a file on
// opening; an empty path is refused here, before it could name anything.
Result<Database> OpenForReport(const std::filesystem::path& datFile)
{
    if (datFile.empty()) return Error::FileSystem(ENOENT, "no model is open: there is no DAT file to read");
    return OpenDatFile(datFile, true);
}

// Adds each row's first column as a line.
Result<void> ReadNames(Database& db, const LineQuery& query, std::vector<std::string>& lines)
{
    auto stmt = db.Prepare(query.sql);
    if (!stmt) return stmt.error();
    if (!query.parameter.empty()) {
        const std::string value = query.wildcard ? LikePattern(query.parameter) : std::string(query.parameter);
        if (auto bound = stmt->Bind(1, value); !bound) return bound.error();
    }
    for (;;) {
        auto row = stmt->Step();
        if (!row) return row.error();
        if (!*row) return {};
        lines.push_back(stmt->Text(0));
    }
}

Result<void> ReadStatistics(Database& db, std::vector<std::string>& lines)
{
    auto stmt = db.Prepare("SELECT * FROM Library");
    if (!stmt) return stmt.error();
    auto row = stmt->Step();
    if (!row) return row.error();
    if (!*row) return {};
    // Every field is looked up before a line is added, so a table that lacks
    // one gives the error and no half list.
    std::vector<int> columns;
    for (const StatisticsLine& line : kStatistics) {
        const auto column = stmt->ColumnIndex(line.field);
        if (!column) return Error::Database(kDbCorrupt, "the Library table has no field " + std::string(line.field));
        columns.push_back(*column);
    }
    for (std::size_t i = 0; i < columns.size(); ++i)
        lines.push_back(std::string(kStatistics[i].label) + stmt->Text(columns[i]));
    return {};
}

}  // namespace

LineReport MakeLineReport(ReportKind kind, const std::filesystem::path& datFile, std::string_view modelKey)
{
    const LineQuery* query = nullptr;
    switch (kind) {
        case ReportKind::Creatables:
            query = &kCreatables;
            break;
        case ReportKind::Hidden:
            query = &kHidden;
            break;
        case ReportKind::AllMembers:
            query = &kAllMembers;
            break;
        case ReportKind::Statistics:
            break;
    }
    LineReport report;
    report.caption = std::string(query ? query->captionPrefix : kStatisticsCaption) + std::string(modelKey);
    const std::string_view errorPrefix = query ? query->errorPrefix : kStatisticsError;

    auto db = OpenForReport(datFile);
    Result<void> read = db ? (query ? ReadNames(*db, *query, report.lines) : ReadStatistics(*db, report.lines))
                           : Result<void>(db.error());
    if (!read) {
        report.error = std::string(errorPrefix) + read.error().description;
        return report;
    }
    if (query && report.lines.empty() && !query->emptyItem.empty()) {
        report.lines.emplace_back(query->emptyItem);
        report.nothingFound = true;
    }
    return report;
}

std::vector<FrequencyRow> ObjectFrequencies(const browser::ObjectModel& model,
                                            std::span<const browser::NodeRecord> nodes)
{
    // A node names its object by position in the model's array, which holds
    // each object once, and its parent by node index. One pass: every node
    // counts for its object, and the first child found under a node makes
    // that node count as interior for its own object.
    const std::size_t objectCount = model.objects.size();
    const auto objectOf = [&](const browser::NodeRecord& node) -> std::int64_t {
        // The flat view's root (-1) and damaged positions belong to no object.
        return node.object >= 0 && static_cast<std::size_t>(node.object) < objectCount ? node.object : -1;
    };
    std::vector<std::int64_t> totals(objectCount, 0);
    std::vector<std::int64_t> interiors(objectCount, 0);
    std::vector<bool> hasChild(nodes.size(), false);
    for (const browser::NodeRecord& node : nodes) {
        if (const auto object = objectOf(node); object >= 0) ++totals[object];
        if (node.parent < 0 || static_cast<std::size_t>(node.parent) >= nodes.size() || hasChild[node.parent]) continue;
        hasChild[node.parent] = true;
        if (const auto object = objectOf(nodes[node.parent]); object >= 0) ++interiors[object];
    }
    std::vector<FrequencyRow> rows;
    rows.reserve(objectCount);
    for (std::size_t i = 0; i < objectCount; ++i)
        rows.push_back({model.objects[i].name, interiors[i], totals[i] - interiors[i], totals[i]});
    return rows;
}

std::string FrequencyText(std::int64_t count)
{
    std::string text = std::to_string(count);
    const std::size_t sign = count < 0 ? 1 : 0;
    if (text.size() - sign < 3) text.insert(sign, 3 - (text.size() - sign), '0');
    return text;
}

std::string FrequencyCaption(std::string_view modelName)
{
    return "Object Frequency Counts for Current Display of " + std::string(modelName);
}

}  // namespace arbolith::reports
