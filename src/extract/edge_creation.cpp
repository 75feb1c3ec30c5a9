// SPDX-License-Identifier: MIT
// CreateEdges: one Edges row per (parent, child) pair of objects joined by
// at least one pointer member (a property get or method of the parent that
// returns the child), labelled with those members, and the child counts of
// every parent.
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <unordered_map>
#include <vector>

#include "extract/extraction.h"
#include "extract/extraction_steps_internal.h"

namespace arbolith {
namespace {

struct Parent {
    std::size_t object = 0;       // its index in the object list
    bool countsAsVisible = true;  // the parent's own HiddenState is not "H"
};

// "P:Documents": the invoke type's first letter in upper case, then the name.
std::string LabelItem(const MemberRecord& row)
{
    std::string item;
    if (!row.invokeType.empty()) {
        char c = row.invokeType.front();
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        item.push_back(c);
    }
    item += ':';
    item += row.name;
    return item;
}

// Closes a label and blanks one that names no member.
void FinishLabel(std::string& label)
{
    if (label.empty() || label.back() != ')') label += ')';
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

void ReportIllegalEdge(ExtractionLog& log, std::string_view libraryPath, const MemberRecord& row)
{
    if (!log.errorFlag) log.Append("** Report on " + std::string(libraryPath) + "  " + Now() + " **");
    log.Append("Illegal edge error in CreateEdges: Function: " + row.name + "Object: " + row.objectName +
               "Object Key: " + std::to_string(row.objectKey) + "ReturnType: " + row.returnType +
               "ReturnType Key: " + std::to_string(row.returnTypeKey));
    log.errorFlag = true;
}

// The pointer members sorted by parent, child and member name as the store
// compares text, so the members of one pair are consecutive and in name
// order; equal rows keep list order.
std::vector<const MemberRecord*> PointerRows(const std::vector<MemberRecord>& members)
{
    std::vector<const MemberRecord*> rows;
    for (const MemberRecord& member : members)
        if (member.isPointer) rows.push_back(&member);
    std::stable_sort(rows.begin(), rows.end(), [](const MemberRecord* a, const MemberRecord* b) {
        using extract_steps::CompareNoCase;
        if (int c = CompareNoCase(a->objectName, b->objectName)) return c < 0;
        if (int c = CompareNoCase(a->returnType, b->returnType)) return c < 0;
        return CompareNoCase(a->name, b->name) < 0;
    });
    return rows;
}

}  // namespace

void CreateEdges(WorkLists& work, ExtractionLog& log, std::string_view libraryPath)
{
    const std::vector<const MemberRecord*> rows = PointerRows(work.members);
    if (rows.empty()) return;
    // Parents by key; the first object with a key is the one counted.
    std::unordered_map<std::int64_t, Parent> parents;
    for (std::size_t i = 0; i < work.objects.size(); ++i)
        parents.try_emplace(work.objects[i].key, Parent{i, work.objects[i].hiddenState != "H"});

    // The pointer rows walked in order: a row for the same pair of keys as
    // the current edge adds to its label, a row for another pair of valid
    // keys starts a new edge, and a row with a negative key is reported.
    // The first row always starts an edge, and its parent's counts are set
    // to 1 rather than added to.
    std::vector<EdgeRecord>& edges = work.edges;
    const auto startEdge = [&](const MemberRecord& row, bool first) {
        edges.push_back({row.objectKey, row.objectName, row.returnTypeKey, row.returnType, "(< " + LabelItem(row)});
        auto it = parents.find(row.objectKey);
        if (it == parents.end()) return;
        ObjectRecord& parent = work.objects[it->second.object];
        parent.cChildObjects = first ? 1 : parent.cChildObjects + 1;
        if (it->second.countsAsVisible) parent.cChildObjectsNotHid = first ? 1 : parent.cChildObjectsNotHid + 1;
    };
    startEdge(*rows.front(), true);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const MemberRecord& row = *rows[i];
        EdgeRecord& current = edges.back();
        if (row.objectKey == current.parentKey && row.returnTypeKey == current.childKey)
            current.label += "; " + LabelItem(row);
        else if (row.objectKey >= 0 && row.returnTypeKey >= 0)
            startEdge(row, false);
        else
            ReportIllegalEdge(log, libraryPath, row);
    }
    for (EdgeRecord& edge : edges) FinishLabel(edge.label);
}

}  // namespace arbolith
