// SPDX-License-Identifier: MIT
// CreateEdges: one Edges row per (parent, child) pair of objects joined by
// at least one pointer member (a property get or method of the parent that
// returns the child), labelled with those members, and the child counts of
// every parent.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "extract/extraction.h"
#include "extract/extraction_steps_internal.h"

namespace arbolith {

using extract_steps::Failed;
using extract_steps::ForEachRow;
using extract_steps::OptionalText;
namespace {

struct PointerRow {
    std::string name;
    std::string objectName;
    std::int64_t objectKey = 0;
    std::string returnType;
    std::int64_t returnTypeKey = 0;
    std::string invokeType;
};

struct Edge {
    std::int64_t parentKey = 0;
    std::string parentName;
    std::int64_t childKey = 0;
    std::string childName;
    std::string label;
};

struct Parent {
    std::int64_t rowid = 0;
    bool countsAsVisible = true;  // the parent's own HiddenState is not "H"
    std::int64_t children = 0;
    std::int64_t visibleChildren = 0;
    bool touched = false;
};

// "P:Documents": the invoke type's first letter in upper case, then the name.
std::string LabelItem(const PointerRow& row)
{
    std::string item;
    if (!row.invokeType.empty()) {
        char c = row.invokeType.front();
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        item.push_back(c);
    }
    item += ':';
    item += row.name;
    return item;
}

// Closes a label and blanks one that names no member.
void FinishLabel(std::string& label)
{
    if (label.empty() || label.back() != ')')
        label += ')';
    if (label == "(< : )" || label == "(<)" || label == "(< :)" || label == "(< :; : )" || label == "(< :; :)")
        label.clear();
}

std::string Now()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, n);
}

void ReportIllegalEdge(ExtractionLog& log, std::string_view libraryPath, const PointerRow& row)
{
    if (!log.errorFlag)
        log.Append("** Report on " + std::string(libraryPath) + "  " + Now() + " **");
    log.Append("Illegal edge error in CreateEdges: Function: " + row.name + "Object: " + row.objectName +
               "Object Key: " + std::to_string(row.objectKey) + "ReturnType: " + row.returnType +
               "ReturnType Key: " + std::to_string(row.returnTypeKey));
    log.errorFlag = true;
}

Result<std::vector<PointerRow>> ReadPointerRows(Database& db)
{
    // Sorted by parent, child and member name as the store compares text, so
    // the members of one pair are consecutive and in name order.
    std::vector<PointerRow> rows;
    auto read = ForEachRow(db,
                           "SELECT Name, ObjectName, ObjectKey, ReturnType, ReturnTypeKey, InvokeType FROM Functions "
                           "WHERE IsPointer = True ORDER BY ObjectName, ReturnType, Name, rowid",
                           "reading pointer members", [&](Statement& q) {
                               rows.push_back({q.Text(0), q.Text(1), q.Integer(2), q.Text(3), q.Integer(4), q.Text(5)});
                           });
    if (!read) return read.error();
    return rows;
}

Result<std::unordered_map<std::int64_t, Parent>> ReadParents(Database& db)
{
    std::unordered_map<std::int64_t, Parent> parents;
    auto read = ForEachRow(db,
                           "SELECT rowid, Key, HiddenState, cChildObjects, cChildObjectsNotHid FROM Objects "
                           "WHERE Key IS NOT NULL ORDER BY rowid",
                           "reading Objects", [&](Statement& q) {
                               Parent parent;
                               parent.rowid = q.Integer(0);
                               parent.countsAsVisible = q.IsNull(2) || q.TextView(2) != "H";
                               parent.children = q.Integer(3);
                               parent.visibleChildren = q.Integer(4);
                               parents.try_emplace(q.Integer(1), parent);
                           });
    if (!read) return read.error();
    return parents;
}

}  // namespace

Result<void> CreateEdges(Database& db, ExtractionLog& log, std::string_view libraryPath)
{
    auto transaction = db.Begin();
    if (!transaction)
        return Failed(transaction.error(), "edge creation");

    auto rows = ReadPointerRows(db);
    if (!rows)
        return rows.error();
    if (rows->empty())
        return transaction->Commit();
    auto parents = ReadParents(db);
    if (!parents)
        return parents.error();

    // The pointer rows walked in order: a row for the same pair of keys as
    // the current edge adds to its label, a row for another pair of valid
    // keys starts a new edge, and a row with a negative key is reported.
    // The first row always starts an edge, and its parent's counts are set
    // to 1 rather than added to.
    std::vector<Edge> edges;
    const auto startEdge = [&](const PointerRow& row, bool first) {
        edges.push_back({row.objectKey, row.objectName, row.returnTypeKey, row.returnType, "(< " + LabelItem(row)});
        auto it = parents->find(row.objectKey);
        if (it == parents->end())
            return;
        Parent& parent = it->second;
        parent.children = first ? 1 : parent.children + 1;
        if (parent.countsAsVisible)
            parent.visibleChildren = first ? 1 : parent.visibleChildren + 1;
        parent.touched = true;
    };
    startEdge(rows->front(), true);
    for (std::size_t i = 1; i < rows->size(); ++i) {
        const PointerRow& row = (*rows)[i];
        Edge& current = edges.back();
        if (row.objectKey == current.parentKey && row.returnTypeKey == current.childKey)
            current.label += "; " + LabelItem(row);
        else if (row.objectKey >= 0 && row.returnTypeKey >= 0)
            startEdge(row, false);
        else
            ReportIllegalEdge(log, libraryPath, row);
    }
    for (Edge& edge : edges)
        FinishLabel(edge.label);

    // Rows that were in Edges before this step get the same closing rule.
    auto oldRows = db.QueryValue("SELECT MAX(rowid) FROM Edges");
    if (!oldRows)
        return Failed(oldRows.error(), "reading Edges");
    if (*oldRows && !(*oldRows)->IsNull()) {
        const Value last = (*oldRows)->AsInteger();
        if (auto closed = db.Execute("UPDATE Edges SET Label = Label || ')' WHERE rowid <= ? AND substr(Label, -1) <> ')'",
                                     {last});
            !closed)
            return Failed(closed.error(), "closing edge labels");
        if (auto blanked = db.Execute("UPDATE Edges SET Label = '' WHERE rowid <= ? AND Label IN "
                                      "('(< : )', '(<)', '(< :)', '(< :; : )', '(< :; :)')",
                                      {last});
            !blanked)
            return Failed(blanked.error(), "blanking edge labels");
    }

    auto inserter = Inserter::Prepare(db, "Edges",
                                      {"ParentObjectKey", "ParentObjectName", "ChildObjectKey", "ChildObjectName", "Label"});
    if (!inserter)
        return Failed(inserter.error(), "adding Edges");
    for (const Edge& edge : edges)
        if (auto added = inserter->Insert({edge.parentKey, edge.parentName, edge.childKey, edge.childName, edge.label});
            !added)
            return Failed(added.error(), "adding edge " + edge.parentName + " -> " + edge.childName);

    auto update = db.Prepare("UPDATE Objects SET cChildObjects = ?, cChildObjectsNotHid = ? WHERE rowid = ?");
    if (!update)
        return Failed(update.error(), "counting child objects");
    for (const auto& [key, parent] : *parents) {
        if (!parent.touched)
            continue;
        update->Reset();
        if (auto bound = update->Bind({parent.children, parent.visibleChildren, parent.rowid}); !bound)
            return Failed(bound.error(), "counting child objects of object " + std::to_string(key));
        if (auto ran = update->Run(); !ran)
            return Failed(ran.error(), "counting child objects of object " + std::to_string(key));
    }

    if (auto committed = transaction->Commit(); !committed)
        return Failed(committed.error(), "edge creation");
    return Ok();
}

}  // namespace arbolith
