// SPDX-License-Identifier: MIT
#include "browser/object_model.h"

#include "platform/database.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"
#include "store/inf_file.h"

#include <cerrno>
#include <limits>

namespace arbolith::browser {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxRows = std::numeric_limits<std::int32_t>::max();

// Reads a row's fields by column name. A column the table lacks reads like a
// Null one: the field keeps its value. Values of another type convert as
// SQLite converts them (text "12" reads as 12, a number as its decimal text).
class RowReader {
public:
    explicit RowReader(const Statement& stmt) : m_stmt(stmt) {}

    void Text(std::string_view column, std::string& field) const
    {
        if (const auto c = Present(column)) field = m_stmt.Text(*c);
    }
    void Integer(std::string_view column, std::int64_t& field) const
    {
        if (const auto c = Present(column)) field = m_stmt.Integer(*c);
    }
    void Bool(std::string_view column, bool& field) const
    {
        if (const auto c = Present(column)) field = m_stmt.Integer(*c) != 0;
    }

private:
    std::optional<int> Present(std::string_view column) const
    {
        auto it = m_columns.find(std::string(column));
        if (it == m_columns.end()) it = m_columns.emplace(std::string(column), m_stmt.ColumnIndex(column)).first;
        if (it->second && !m_stmt.IsNull(*it->second)) return it->second;
        return std::nullopt;
    }

    const Statement& m_stmt;
    mutable std::unordered_map<std::string, std::optional<int>> m_columns;
};

template <class ReadRow>
Result<void> ReadTable(const fs::path& datFile, std::string_view sql, ReadRow readRow)
{
    auto db = OpenDatFile(datFile, /*readOnly=*/true);
    if (!db) return db.error();
    auto stmt = db->Prepare(sql);
    if (!stmt) return stmt.error();
    RowReader reader(*stmt);
    for (std::size_t rows = 0;; ++rows) {
        auto step = stmt->Step();
        if (!step) return step.error();
        if (!*step) return Ok();
        if (rows == kMaxRows) return Error::Model("more rows than the browser can hold");
        readRow(reader);
    }
}

}  // namespace

Result<void> ObjectModel::FillObjectsArray(const fs::path& datFile)
{
    objects.clear();
    edges.clear();
    auto read = ReadTable(datFile, "SELECT * FROM Objects ORDER BY Key", [&](const RowReader& row) {
        ObjectRecord& o = objects.emplace_back();
        row.Integer("Key", o.key);
        row.Text("Name", o.name);
        row.Text("NameX", o.nameX);
        row.Bool("IsCollection", o.isCollection);
        row.Text("MemberName", o.memberName);
        row.Text("HelpID", o.helpId);
        row.Text("HelpFile", o.helpFile);
        row.Text("DocString", o.docString);
        row.Integer("cFunctions", o.cFunctions);
        row.Integer("cChildObjects", o.cChildObjects);
        row.Integer("cChildObjectsNotHid", o.cChildObjectsNotHid);
        row.Text("DefaultName", o.defaultName);
        row.Text("HiddenState", o.hiddenState);
        row.Text("FLAGS", o.flags);
        row.Bool("IsCustom", o.isCustom);
        row.Bool("IsExternal", o.isExternal);
    });
    IndexKeys();
    IndexEdges();
    return read;
}

Result<void> ObjectModel::FillEdgesArray(const fs::path& datFile)
{
    edges.clear();
    // rowid order is the order the rows were written in.
    auto read = ReadTable(datFile, "SELECT * FROM Edges ORDER BY rowid", [&](const RowReader& row) {
        std::int64_t parent = -1, child = -1;
        row.Integer("ParentObjectKey", parent);
        row.Integer("ChildObjectKey", child);
        EdgeRecord& e = edges.emplace_back();
        e.parent = PositionOfKey(parent).value_or(-1);
        e.child = PositionOfKey(child).value_or(-1);
        row.Text("Label", e.label);
    });
    IndexEdges();
    return read;
}

void ObjectModel::Reindex()
{
    IndexKeys();
    IndexEdges();
}

void ObjectModel::IndexKeys()
{
    m_keyPositions.clear();
    m_keysAreRunning = true;
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (objects[i].key != static_cast<std::int64_t>(i)) m_keysAreRunning = false;
    if (m_keysAreRunning) return;
    // Rows come in Key order, so the first of equal keys is the lowest row.
    for (std::size_t i = 0; i < objects.size(); ++i)
        m_keyPositions.emplace(objects[i].key, static_cast<std::int32_t>(i));
}

std::optional<std::int32_t> ObjectModel::PositionOfKey(std::int64_t key) const
{
    if (m_keysAreRunning) {
        if (key >= 0 && key < static_cast<std::int64_t>(objects.size())) return static_cast<std::int32_t>(key);
        return std::nullopt;
    }
    const auto it = m_keyPositions.find(key);
    if (it == m_keyPositions.end()) return std::nullopt;
    return it->second;
}

void ObjectModel::IndexEdges()
{
    // A counting sort by parent: stable, so each object's edges keep their
    // order in the edge array, which is the order siblings are appended in.
    const std::size_t n = objects.size();
    m_edgeStart.assign(n + 1, 0);
    m_unlinkedEdges = 0;
    const auto linked = [n](const EdgeRecord& e) {
        return e.parent >= 0 && static_cast<std::size_t>(e.parent) < n && e.child >= 0;
    };
    for (const EdgeRecord& e : edges) {
        if (linked(e))
            ++m_edgeStart[static_cast<std::size_t>(e.parent) + 1];
        else
            ++m_unlinkedEdges;
    }
    for (std::size_t i = 0; i < n; ++i) m_edgeStart[i + 1] += m_edgeStart[i];
    m_edgeIds.assign(static_cast<std::size_t>(m_edgeStart[n]), 0);
    std::vector<std::int32_t> fill(m_edgeStart.begin(), m_edgeStart.end() - 1);
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const EdgeRecord& e = edges[i];
        if (linked(e))
            m_edgeIds[static_cast<std::size_t>(fill[static_cast<std::size_t>(e.parent)]++)] =
                static_cast<std::int32_t>(i);
    }
}

ObjectModel::EdgeRange ObjectModel::EdgesFrom(std::int32_t object) const
{
    if (object < 0 || static_cast<std::size_t>(object) + 1 >= m_edgeStart.size()) return {nullptr, nullptr};
    const std::int32_t* ids = m_edgeIds.data();
    return {ids + m_edgeStart[static_cast<std::size_t>(object)],
            ids + m_edgeStart[static_cast<std::size_t>(object) + 1]};
}

void ReadNonleafCounts(const fs::path& infFile, std::int32_t defaultDepth, std::vector<ObjectRecord>& objects)
{
    const auto inRange = [](std::int32_t limit) { return limit >= 0 && limit <= kMaxBranchLimit; };
    std::int32_t defaultLimit = inRange(defaultDepth) ? defaultDepth : 6;

    // INF key names compare without regard to case; the first of equal names wins.
    std::unordered_map<std::string, std::int32_t> limits;
    if (auto keys = ReadInfBrowseKeys(infFile)) {
        for (const auto& [name, count] : keys->nonleafCounts)
            if (inRange(count)) limits.emplace(AsciiLower(name), count);
    }
    if (const auto it = limits.find(AsciiLower(kDefaultBranchKey)); it != limits.end()) defaultLimit = it->second;
    for (ObjectRecord& o : objects) {
        const auto it = limits.find(AsciiLower(o.name));
        o.branchLimit = it == limits.end() ? defaultLimit : it->second;
    }
}

}  // namespace arbolith::browser
