// SPDX-License-Identifier: MIT
// ProcessTables: readies the stored tables for edge creation and browsing.
//   1. pseudo-objects "<interfaces>" and "<modules>" as roots for the
//      interface and module objects, when those were extracted;
//   2. one pseudo-member per such object, making it a child of its root;
//   3. object keys on every member row, for its owner and its return type;
//   4. the Access letters that summarise each property's accessors;
//   5. the pointer flag withdrawn where owner or return type is no object.
#include <algorithm>
#include <cstdint>
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

constexpr std::string_view kInterfacesRoot = "<interfaces>";
constexpr std::string_view kModulesRoot = "<modules>";

Result<std::int64_t> CountRows(Database& db, std::string_view sql)
{
    auto value = db.QueryValue(sql);
    if (!value)
        return value.error();
    return *value ? (*value)->AsInteger() : 0;
}

// Appends a root object; its key is the number of objects before it.
Result<std::int64_t> AddPseudoObject(Database& db, std::string_view name)
{
    auto key = CountRows(db, "SELECT COUNT(*) FROM Objects");
    if (!key)
        return Failed(key.error(), "counting Objects");
    auto added = db.Execute(
        "INSERT INTO Objects (Key, Name, DefaultName, NameX, IsCollection, MemberName, HelpID, DocString, "
        "IsCustom, cChildObjects, cChildObjectsNotHid) VALUES (?, ?, '', '', 0, '', '', ?, 0, 0, 0)",
        {*key, name, "Added at user request"});
    if (!added)
        return Failed(added.error(), "adding object " + std::string(name));
    return *key;
}

// One member per interface (module) object, owned by its root and returning
// the object, in Objects table order.
Result<void> AddPseudoMembers(Database& db, std::optional<std::int64_t> interfacesKey,
                              std::optional<std::int64_t> modulesKey)
{
    struct Child {
        std::string name;
        Value key;
        bool isInterface;
    };
    std::vector<Child> children;
    {
        auto read = ForEachRow(db, "SELECT Name, Key, TypeKind FROM Objects ORDER BY rowid", "reading Objects",
                               [&](Statement& q) {
                                   if (q.IsNull(2)) return;
                                   const std::string_view kind = q.TextView(2);
                                   const bool isInterface = interfacesKey && kind == "int";
                                   if (isInterface || (modulesKey && kind == "mod"))
                                       children.push_back({q.Text(0), q.Get(1), isInterface});
                               });
        if (!read) return read.error();
    }
    if (children.empty())
        return Ok();

    auto count = CountRows(db, "SELECT COUNT(*) FROM Functions");
    if (!count)
        return Failed(count.error(), "counting Functions");
    auto inserter = Inserter::Prepare(db, "Functions",
                                      {"Key", "Name", "ObjectKey", "ObjectName", "ReturnType", "ReturnTypeKey",
                                       "RetTypeIsObject", "InvokeType", "IsPointer", "WasPointer", "Declaration",
                                       "DocString"});
    if (!inserter)
        return Failed(inserter.error(), "adding members to Functions");
    std::int64_t key = *count;
    for (const Child& child : children) {
        const std::int64_t rootKey = child.isInterface ? *interfacesKey : *modulesKey;
        const std::string_view root = child.isInterface ? kInterfacesRoot : kModulesRoot;
        auto added = inserter->Insert(
            {key++, "", rootKey, root, child.name, child.key, true, "", true, true, "", ""});
        if (!added)
            return Failed(added.error(), "adding member of " + std::string(root) + " for " + child.name);
    }
    return Ok();
}

// Object keys by name, as a seek in the Name index finds them: names compare
// without regard to case (ASCII letters, as the store's NOCASE collation),
// and among equal names the earliest row wins.
Result<std::unordered_map<std::string, std::int64_t>> ReadObjectKeys(Database& db)
{
    std::unordered_map<std::string, std::int64_t> keys;
    auto read =
        ForEachRow(db, "SELECT Name, Key FROM Objects WHERE Name IS NOT NULL ORDER BY rowid", "reading Objects",
                   [&](Statement& q) { keys.try_emplace(extract_steps::FoldNoCase(q.TextView(0)), q.Integer(1)); });
    if (!read) return read.error();
    return keys;
}

struct MemberRow {
    std::int64_t rowid = 0;
    std::optional<std::string> objectName;
    std::optional<std::string> name;
    std::optional<std::string> invokeType;
    std::optional<std::string> returnType;
    std::optional<std::string> access;  // Null stays Null, also when letters are added
    bool isPointer = false;
    Value objectKey;
    Value returnTypeKey;
    Value oldObjectKey;
    Value oldReturnTypeKey;
    Value oldAccess;
    Value oldIsPointer;
};

Result<std::vector<MemberRow>> ReadMembers(Database& db)
{
    std::vector<MemberRow> rows;
    auto read = ForEachRow(
        db,
        "SELECT rowid, ObjectName, Name, InvokeType, ReturnType, Access, IsPointer, ObjectKey, ReturnTypeKey "
        "FROM Functions ORDER BY rowid",
        "reading Functions", [&](Statement& q) {
            MemberRow row;
            row.rowid = q.Integer(0);
            row.objectName = OptionalText(q, 1);
            row.name = OptionalText(q, 2);
            row.invokeType = OptionalText(q, 3);
            row.returnType = OptionalText(q, 4);
            row.access = OptionalText(q, 5);
            row.oldAccess = q.Get(5);
            row.oldIsPointer = q.Get(6);
            row.isPointer = !q.IsNull(6) && q.Integer(6) != 0;
            row.oldObjectKey = q.Get(7);
            row.oldReturnTypeKey = q.Get(8);
            rows.push_back(std::move(row));
        });
    if (!read) return read.error();
    return rows;
}

void AssignKeys(std::vector<MemberRow>& rows, const std::unordered_map<std::string, std::int64_t>& keys)
{
    const auto keyOf = [&](const std::optional<std::string>& name) -> std::int64_t {
        if (!name)
            return -1;
        auto it = keys.find(extract_steps::FoldNoCase(*name));
        return it == keys.end() ? -1 : it->second;
    };
    for (MemberRow& row : rows) {
        row.objectKey = keyOf(row.objectName);
        row.returnTypeKey = keyOf(row.returnType);
    }
}

// Order by the store's NOCASE collation: bytes compared with ASCII letters
// folded, a shorter text before a longer one it begins, Null first.
int CompareNoCase(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    if (!a || !b)
        return a ? 1 : (b ? -1 : 0);
    const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    const std::size_t n = std::min(a->size(), b->size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = fold(static_cast<unsigned char>((*a)[i]));
        const int y = fold(static_cast<unsigned char>((*b)[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a->size() < b->size() ? -1 : (a->size() > b->size() ? 1 : 0);
}

bool IsPut(const std::optional<std::string>& invokeType)
{
    return invokeType == "propput" || invokeType == "propputref";
}

void AddLetter(std::optional<std::string>& access, char letter)
{
    if (access)
        access->push_back(letter);
}

// The Access walk over the rows sorted by owner, name and invoke type, so a
// property's get row (if any) comes right before its put and putref rows.
// Each row compares itself with the row before it (case-sensitive): a put
// after a row of the same property adds a W to that row and takes its
// letters plus another W. Then RW and RWW (get with put or putref) read as
// "", and WW (put with putref, on the put row) as W.
void ComputeAccess(std::vector<MemberRow*>& sorted)
{
    if (sorted.empty())
        return;
    if (sorted[0]->invokeType == "propget")
        sorted[0]->access = "R";
    else if (IsPut(sorted[0]->invokeType))
        sorted[0]->access = "W";
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        MemberRow& previous = *sorted[i - 1];
        MemberRow& current = *sorted[i];
        if (current.invokeType == "propget") {
            current.access = "R";
        } else if (IsPut(current.invokeType)) {
            if (current.objectName == previous.objectName && current.name == previous.name) {
                AddLetter(previous.access, 'W');
                current.access = previous.access;
                AddLetter(current.access, 'W');
            } else {
                current.access = "W";
            }
        }
    }
    for (MemberRow* row : sorted) {
        if (row->access == "RW" || row->access == "RWW")
            row->access = "";
        else if (row->access == "WW")
            row->access = "W";
    }
}

void FixAccess(std::vector<MemberRow>& rows)
{
    // Sorted as "ORDER BY ObjectName, Name, InvokeType" sorts in the store;
    // rows equal in all three keep table order.
    std::vector<MemberRow*> sorted;
    sorted.reserve(rows.size());
    for (MemberRow& row : rows)
        sorted.push_back(&row);
    std::stable_sort(sorted.begin(), sorted.end(), [](const MemberRow* a, const MemberRow* b) {
        if (int c = CompareNoCase(a->objectName, b->objectName))
            return c < 0;
        if (int c = CompareNoCase(a->name, b->name))
            return c < 0;
        return CompareNoCase(a->invokeType, b->invokeType) < 0;
    });
    ComputeAccess(sorted);
}

// Writes keys, Access and IsPointer back for the rows where they changed.
Result<void> WriteMembers(Database& db, const std::vector<MemberRow>& rows)
{
    std::vector<Value> values;
    for (const MemberRow& row : rows) {
        // A Null flag that stays false stays Null.
        std::optional<std::int64_t> isPointer;
        if (row.isPointer || !row.oldIsPointer.IsNull())
            isPointer = row.isPointer ? 1 : 0;
        const bool sameAccess = row.oldAccess.IsNull()
                                    ? !row.access
                                    : row.oldAccess.IsText() && row.access && *row.oldAccess.Text() == *row.access;
        const bool samePointer = row.oldIsPointer.IsNull()
                                     ? !isPointer
                                     : row.oldIsPointer.IsInteger() && isPointer && row.oldIsPointer.AsInteger() == *isPointer;
        if (row.objectKey == row.oldObjectKey && row.returnTypeKey == row.oldReturnTypeKey && sameAccess && samePointer)
            continue;
        values.insert(values.end(), {row.rowid, row.objectKey, row.returnTypeKey, Value(row.access), Value(isPointer)});
    }
    static constexpr std::string_view kFields[] = {"ObjectKey", "ReturnTypeKey", "Access", "IsPointer"};
    return extract_steps::UpdateRows(db, "Functions", kFields, values);
}

}  // namespace

Result<void> ProcessTables(Database& db, bool inclInterfaces, bool inclModules, ProgressSink& progress)
{
    auto transaction = db.Begin();
    if (!transaction)
        return Failed(transaction.error(), "table processing");

    std::optional<std::int64_t> interfacesKey;
    std::optional<std::int64_t> modulesKey;
    if (inclInterfaces) {
        auto key = AddPseudoObject(db, kInterfacesRoot);
        if (!key)
            return key.error();
        interfacesKey = *key;
    }
    if (inclModules) {
        auto key = AddPseudoObject(db, kModulesRoot);
        if (!key)
            return key.error();
        modulesKey = *key;
    }
    if (interfacesKey || modulesKey)
        if (auto added = AddPseudoMembers(db, interfacesKey, modulesKey); !added)
            return added.error();

    // Keys, Access and pointer flags are worked out in memory over one read
    // of Functions, and each member row is written at most once.
    progress.Caption("Assigning object keys ... ");
    progress.Yield();
    auto keys = ReadObjectKeys(db);
    if (!keys)
        return keys.error();
    auto members = ReadMembers(db);
    if (!members)
        return members.error();
    AssignKeys(*members, *keys);

    progress.Caption("Fixing Access field ... ");
    progress.Yield();
    FixAccess(*members);

    // A member is a pointer to another object of the model only when both
    // its owner and its return type were found; WasPointer keeps the first
    // verdict.
    for (MemberRow& row : *members)
        if (row.isPointer && (row.objectKey.AsInteger() == -1 || row.returnTypeKey.AsInteger() == -1))
            row.isPointer = false;

    if (auto written = WriteMembers(db, *members); !written)
        return written.error();

    if (auto committed = transaction->Commit(); !committed)
        return Failed(committed.error(), "table processing");
    return Ok();
}

}  // namespace arbolith
