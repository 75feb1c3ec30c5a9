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
namespace {

constexpr std::string_view kInterfacesRoot = "<interfaces>";
constexpr std::string_view kModulesRoot = "<modules>";

// Appends a root object; its key is the number of objects before it.
std::int64_t AddPseudoObject(WorkLists& work, std::string_view name)
{
    ObjectRecord root;
    root.key = static_cast<std::int64_t>(work.objects.size());
    root.name = name;
    root.docString = "Added at user request";
    root.pseudo = true;
    work.objects.push_back(std::move(root));
    return work.objects.back().key;
}

// One member per interface (module) object, owned by its root and returning
// the object, in object order.
void AddPseudoMembers(WorkLists& work, std::optional<std::int64_t> interfacesKey,
                      std::optional<std::int64_t> modulesKey)
{
    const std::size_t objects = work.objects.size();
    for (std::size_t i = 0; i < objects; ++i) {
        const ObjectRecord& child = work.objects[i];
        const bool isInterface = interfacesKey && child.typeKind == "int";
        if (!isInterface && !(modulesKey && child.typeKind == "mod")) continue;
        MemberRecord member;
        member.key = static_cast<std::int64_t>(work.members.size());
        member.objectKey = member.ownerKey = isInterface ? *interfacesKey : *modulesKey;
        member.objectName = isInterface ? kInterfacesRoot : kModulesRoot;
        member.returnType = child.name;
        member.returnTypeKey = child.key;
        member.retTypeIsObject = true;
        member.isPointer = true;
        member.wasPointer = true;
        member.access.reset();
        member.pseudo = true;
        work.members.push_back(std::move(member));
    }
}

// Object keys by name, as a seek in the Name index finds them: names compare
// without regard to case (ASCII letters, as the store's NOCASE collation),
// and among equal names the earliest row wins.
void AssignKeys(WorkLists& work)
{
    std::unordered_map<std::string, std::int64_t> keys;
    keys.reserve(work.objects.size());
    for (const ObjectRecord& object : work.objects)
        keys.try_emplace(extract_steps::FoldNoCase(object.name), object.key);
    const auto keyOf = [&](const std::string& name) -> std::int64_t {
        auto it = keys.find(extract_steps::FoldNoCase(name));
        return it == keys.end() ? -1 : it->second;
    };
    // Rows come grouped by owner: an owner name like the one before costs
    // no lookup.
    const std::string* lastOwner = nullptr;
    std::int64_t lastOwnerKey = -1;
    for (MemberRecord& member : work.members) {
        if (!lastOwner || member.objectName != *lastOwner) {
            lastOwner = &member.objectName;
            lastOwnerKey = keyOf(member.objectName);
        }
        member.objectKey = lastOwnerKey;
        member.returnTypeKey = keyOf(member.returnType);
    }
}

bool IsPut(std::string_view invokeType)
{
    return invokeType == "propput" || invokeType == "propputref";
}

void AddLetter(std::optional<std::string>& access, char letter)
{
    if (access) access->push_back(letter);
}

// The Access walk over the rows sorted by owner, name and invoke type, so a
// property's get row (if any) comes right before its put and putref rows.
// Each row compares itself with the row before it (owner and name, the name
// case-sensitive): a put after a row of the same property adds a W to that
// row and takes its letters plus another W. Then RW and RWW (get with put or putref) read as
// "", and WW (put with putref, on the put row) as W. A Null Access stays
// Null, also when letters are added.
void ComputeAccess(std::vector<MemberRecord*>& sorted)
{
    if (sorted.empty()) return;
    if (sorted[0]->invokeType == "propget")
        sorted[0]->access = "R";
    else if (IsPut(sorted[0]->invokeType))
        sorted[0]->access = "W";
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        MemberRecord& previous = *sorted[i - 1];
        MemberRecord& current = *sorted[i];
        if (current.invokeType == "propget") {
            current.access = "R";
        } else if (IsPut(current.invokeType)) {
            if (current.ownerKey == previous.ownerKey && current.objectName == previous.objectName &&
                current.name == previous.name) {
                AddLetter(previous.access, 'W');
                current.access = previous.access;
                AddLetter(current.access, 'W');
            } else {
                current.access = "W";
            }
        }
    }
    for (MemberRecord* row : sorted) {
        if (row->access == "RW" || row->access == "RWW")
            row->access = "";
        else if (row->access == "WW")
            row->access = "W";
    }
}

void FixAccess(std::vector<MemberRecord>& members)
{
    // Sorted by owner name, then owner, then member name and invoke type,
    // as the store sorts text; equal rows keep table order. Two objects can
    // share a name (a dual interface's dispatch and vtable views both take
    // their coclass's name): each keeps its own rows together, so the
    // accessors of one view never add letters to those of the other.
    // Only rows of one owner are ever compared, so the order of the owners
    // among themselves does not matter: the rows are grouped by owner (the
    // walk made them so already; a stable sort by key keeps that cheap) and
    // each owner's rows are sorted on their own, a few at a time.
    std::vector<MemberRecord*> sorted;
    sorted.reserve(members.size());
    for (MemberRecord& member : members) sorted.push_back(&member);
    const auto byOwner = [](const MemberRecord* a, const MemberRecord* b) { return a->ownerKey < b->ownerKey; };
    if (!std::is_sorted(sorted.begin(), sorted.end(), byOwner)) std::stable_sort(sorted.begin(), sorted.end(), byOwner);
    using extract_steps::CompareNoCase;
    const auto byMember = [](const MemberRecord* a, const MemberRecord* b) {
        if (int c = CompareNoCase(a->name, b->name)) return c < 0;
        return CompareNoCase(a->invokeType, b->invokeType) < 0;
    };
    const auto byRow = [&byMember](const MemberRecord* a, const MemberRecord* b) {
        if (int c = CompareNoCase(a->objectName, b->objectName)) return c < 0;
        return byMember(a, b);
    };
    for (auto first = sorted.begin(); first != sorted.end();) {
        const MemberRecord& head = **first;
        bool oneName = true;
        auto last = first;
        for (; last != sorted.end() && (*last)->ownerKey == head.ownerKey; ++last)
            oneName = oneName && (*last)->objectName == head.objectName;
        // An owner's rows nearly always carry one owner name; then it need
        // not be compared over and over.
        if (oneName)
            std::stable_sort(first, last, byMember);
        else
            std::stable_sort(first, last, byRow);
        first = last;
    }
    ComputeAccess(sorted);
}

}  // namespace

void ProcessTables(WorkLists& work, bool inclInterfaces, bool inclModules, ProgressSink& progress)
{
    std::optional<std::int64_t> interfacesKey;
    std::optional<std::int64_t> modulesKey;
    if (inclInterfaces) interfacesKey = AddPseudoObject(work, kInterfacesRoot);
    if (inclModules) modulesKey = AddPseudoObject(work, kModulesRoot);
    if (interfacesKey || modulesKey) AddPseudoMembers(work, interfacesKey, modulesKey);

    progress.Caption("Assigning object keys ... ");
    progress.Yield();
    AssignKeys(work);

    progress.Caption("Fixing Access field ... ");
    progress.Yield();
    FixAccess(work.members);

    // A member is a pointer to another object of the model only when both
    // its owner and its return type were found; WasPointer keeps the first
    // verdict.
    for (MemberRecord& member : work.members)
        if (member.isPointer && (member.objectKey == -1 || member.returnTypeKey == -1)) member.isPointer = false;
}

}  // namespace arbolith
