// SPDX-License-Identifier: MIT
// CompareModels: pairs objects, members, edges, enumerations and constants
// of two models by name (without regard to case) and lists what differs.
#include "diff/model_diff.h"

#include "platform/text_encoding.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace arbolith::diff {

std::string_view ChangeName(Change change)
{
    switch (change) {
        case Change::Added:
            return "added";
        case Change::Removed:
            return "removed";
        case Change::Changed:
            break;
    }
    return "changed";
}

namespace {

// Rows of both models that share a key, in their models' order.
template <class T>
struct Pairing {
    std::vector<const T*> before;
    std::vector<const T*> after;
};
template <class T>
using PairingMap = std::map<std::string, Pairing<T>>;

void Compare(std::vector<FieldChange>& out, std::string_view field, const std::string& before, const std::string& after)
{
    if (before != after) out.push_back(FieldChange{std::string(field), before, after});
}

std::string Lower(std::string_view text)
{
    return AsciiLower(text);
}

std::string ValueText(const std::optional<std::int64_t>& value)
{
    return value ? std::to_string(*value) : std::string();
}

int ChangeOrder(Change change)
{
    return static_cast<int>(change);  // added, removed, changed
}

std::vector<FieldChange> MemberFields(const MemberFacts& a, const MemberFacts& b)
{
    std::vector<FieldChange> fields;
    Compare(fields, "name", a.name, b.name);
    Compare(fields, "invoke kind", a.invokeType, b.invokeType);
    Compare(fields, "declaration", a.declaration, b.declaration);
    Compare(fields, "access", a.access, b.access);
    Compare(fields, "hidden state", a.hiddenState, b.hiddenState);
    Compare(fields, "doc string", a.docString, b.docString);
    return fields;
}

// The members of one object present in both models.
std::vector<MemberChange> CompareMembers(const std::vector<const MemberFacts*>& before,
                                         const std::vector<const MemberFacts*>& after)
{
    std::vector<MemberChange> changes;
    // First by name and invoke kind; a property's get and put rows share a name.
    PairingMap<MemberFacts> byKind;
    for (const MemberFacts* m : before) byKind[Lower(m->name) + '\n' + Lower(m->invokeType)].before.push_back(m);
    for (const MemberFacts* m : after) byKind[Lower(m->name) + '\n' + Lower(m->invokeType)].after.push_back(m);
    PairingMap<MemberFacts> leftOver;  // by name alone
    for (auto& [key, rows] : byKind) {
        const std::size_t common = std::min(rows.before.size(), rows.after.size());
        for (std::size_t i = 0; i < common; ++i) {
            auto fields = MemberFields(*rows.before[i], *rows.after[i]);
            if (!fields.empty())
                changes.push_back(
                    {Change::Changed, rows.after[i]->name, rows.after[i]->invokeType, "", std::move(fields)});
        }
        for (std::size_t i = common; i < rows.before.size(); ++i)
            leftOver[Lower(rows.before[i]->name)].before.push_back(rows.before[i]);
        for (std::size_t i = common; i < rows.after.size(); ++i)
            leftOver[Lower(rows.after[i]->name)].after.push_back(rows.after[i]);
    }
    // Then a member whose invoke kind changed: same name, one row gone, one new.
    for (auto& [key, rows] : leftOver) {
        const std::size_t common = std::min(rows.before.size(), rows.after.size());
        for (std::size_t i = 0; i < common; ++i)
            changes.push_back({Change::Changed, rows.after[i]->name, rows.after[i]->invokeType, "",
                               MemberFields(*rows.before[i], *rows.after[i])});
        for (std::size_t i = common; i < rows.before.size(); ++i)
            changes.push_back(
                {Change::Removed, rows.before[i]->name, rows.before[i]->invokeType, rows.before[i]->declaration, {}});
        for (std::size_t i = common; i < rows.after.size(); ++i)
            changes.push_back(
                {Change::Added, rows.after[i]->name, rows.after[i]->invokeType, rows.after[i]->declaration, {}});
    }
    std::stable_sort(changes.begin(), changes.end(), [](const MemberChange& a, const MemberChange& b) {
        return std::make_tuple(ChangeOrder(a.change), Lower(a.name), a.name, a.invokeType) <
               std::make_tuple(ChangeOrder(b.change), Lower(b.name), b.name, b.invokeType);
    });
    return changes;
}

std::vector<EdgeChange> CompareEdges(const std::vector<const EdgeFacts*>& before,
                                     const std::vector<const EdgeFacts*>& after)
{
    PairingMap<EdgeFacts> byChild;
    for (const EdgeFacts* e : before) byChild[Lower(e->child)].before.push_back(e);
    for (const EdgeFacts* e : after) byChild[Lower(e->child)].after.push_back(e);
    std::vector<EdgeChange> changes;
    for (auto& [key, rows] : byChild) {
        const std::size_t common = std::min(rows.before.size(), rows.after.size());
        for (std::size_t i = 0; i < common; ++i) {
            std::vector<FieldChange> fields;
            Compare(fields, "child", rows.before[i]->child, rows.after[i]->child);
            Compare(fields, "label", rows.before[i]->label, rows.after[i]->label);
            if (!fields.empty()) changes.push_back({Change::Changed, rows.after[i]->child, "", std::move(fields)});
        }
        for (std::size_t i = common; i < rows.before.size(); ++i)
            changes.push_back({Change::Removed, rows.before[i]->child, rows.before[i]->label, {}});
        for (std::size_t i = common; i < rows.after.size(); ++i)
            changes.push_back({Change::Added, rows.after[i]->child, rows.after[i]->label, {}});
    }
    std::stable_sort(changes.begin(), changes.end(), [](const EdgeChange& a, const EdgeChange& b) {
        return std::make_tuple(ChangeOrder(a.change), Lower(a.child), a.child, a.label) <
               std::make_tuple(ChangeOrder(b.change), Lower(b.child), b.child, b.label);
    });
    return changes;
}

void Count(ChangeCounts& counts, Change change)
{
    (change == Change::Added ? counts.added : change == Change::Removed ? counts.removed : counts.changed) += 1;
}

// Everything of one model, grouped by lower-case owner name.
struct Grouped {
    std::map<std::string, const ObjectFacts*> objects;  // the first of a name
    std::map<std::string, std::vector<const MemberFacts*>> members;
    std::map<std::string, std::vector<const EdgeFacts*>> edges;
    std::map<std::string, std::vector<const ConstantFacts*>> constants;
    std::map<std::string, std::string> enumNames;  // as first spelled
};

Grouped Group(const ModelFacts& model)
{
    Grouped g;
    for (const ObjectFacts& o : model.objects) g.objects.emplace(Lower(o.name), &o);
    for (const MemberFacts& m : model.members) g.members[Lower(m.objectName)].push_back(&m);
    for (const EdgeFacts& e : model.edges) g.edges[Lower(e.parent)].push_back(&e);
    for (const ConstantFacts& c : model.constants) {
        const std::string key = Lower(c.enumName);
        g.constants[key].push_back(&c);
        g.enumNames.emplace(key, c.enumName);
    }
    return g;
}

template <class Map>
void AddKeys(std::set<std::string>& keys, const Map& map)
{
    for (const auto& entry : map) keys.insert(entry.first);
}

template <class Map>
const typename Map::mapped_type* Lookup(const Map& map, const std::string& key)
{
    const auto at = map.find(key);
    return at == map.end() ? nullptr : &at->second;
}

void CompareObjects(const Grouped& a, const Grouped& b, ModelDiff& diff)
{
    std::set<std::string> keys;
    AddKeys(keys, a.objects);
    AddKeys(keys, b.objects);
    AddKeys(keys, a.members);
    AddKeys(keys, b.members);
    AddKeys(keys, a.edges);
    AddKeys(keys, b.edges);
    const std::vector<const MemberFacts*> noMembers;
    const std::vector<const EdgeFacts*> noEdges;
    for (const std::string& key : keys) {
        const ObjectFacts* const* before = Lookup(a.objects, key);
        const ObjectFacts* const* after = Lookup(b.objects, key);
        const auto* membersBefore = Lookup(a.members, key);
        const auto* membersAfter = Lookup(b.members, key);
        ObjectDiff section;
        if (before && !after) {
            section.name = (*before)->name;
            section.change = Change::Removed;
            section.memberCount = membersBefore ? static_cast<std::int64_t>(membersBefore->size()) : 0;
            Count(diff.summary.objects, Change::Removed);
            diff.objects.push_back(std::move(section));
            continue;
        }
        if (after && !before) {
            section.name = (*after)->name;
            section.change = Change::Added;
            section.memberCount = membersAfter ? static_cast<std::int64_t>(membersAfter->size()) : 0;
            Count(diff.summary.objects, Change::Added);
            diff.objects.push_back(std::move(section));
            continue;
        }
        if (before && after) {
            const ObjectFacts& x = **before;
            const ObjectFacts& y = **after;
            section.name = y.name;
            Compare(section.fields, "name", x.name, y.name);
            Compare(section.fields, "type kind", x.typeKind, y.typeKind);
            Compare(section.fields, "collection", x.isCollection ? "yes" : "no", y.isCollection ? "yes" : "no");
            Compare(section.fields, "collection of", x.memberName, y.memberName);
            Compare(section.fields, "default member", x.defaultName, y.defaultName);
            Compare(section.fields, "hidden state", x.hiddenState, y.hiddenState);
            Compare(section.fields, "doc string", x.docString, y.docString);
        } else {
            // Members or edges of a name that is no object in either model.
            const auto* anyMembers = membersAfter ? membersAfter : membersBefore;
            const auto* anyEdges = Lookup(b.edges, key) ? Lookup(b.edges, key) : Lookup(a.edges, key);
            section.name = anyMembers ? anyMembers->front()->objectName : anyEdges->front()->parent;
        }
        section.members =
            CompareMembers(membersBefore ? *membersBefore : noMembers, membersAfter ? *membersAfter : noMembers);
        const auto* edgesBefore = Lookup(a.edges, key);
        const auto* edgesAfter = Lookup(b.edges, key);
        section.edges = CompareEdges(edgesBefore ? *edgesBefore : noEdges, edgesAfter ? *edgesAfter : noEdges);
        if (section.fields.empty() && section.members.empty() && section.edges.empty()) continue;
        for (const MemberChange& m : section.members) Count(diff.summary.members, m.change);
        for (const EdgeChange& e : section.edges) Count(diff.summary.edges, e.change);
        if (before && after) Count(diff.summary.objects, Change::Changed);
        diff.objects.push_back(std::move(section));
    }
}

void CompareEnums(const Grouped& a, const Grouped& b, ModelDiff& diff)
{
    std::set<std::string> keys;
    AddKeys(keys, a.constants);
    AddKeys(keys, b.constants);
    for (const std::string& key : keys) {
        const auto* before = Lookup(a.constants, key);
        const auto* after = Lookup(b.constants, key);
        EnumDiff section;
        if (!after || !before) {
            section.change = after ? Change::Added : Change::Removed;
            section.name = after ? b.enumNames.at(key) : a.enumNames.at(key);
            section.constantCount = static_cast<std::int64_t>((after ? after : before)->size());
            Count(diff.summary.enums, section.change);
            diff.enums.push_back(std::move(section));
            continue;
        }
        section.name = b.enumNames.at(key);
        PairingMap<ConstantFacts> byName;
        for (const ConstantFacts* c : *before) byName[Lower(c->constant)].before.push_back(c);
        for (const ConstantFacts* c : *after) byName[Lower(c->constant)].after.push_back(c);
        for (auto& [name, rows] : byName) {
            const std::size_t common = std::min(rows.before.size(), rows.after.size());
            for (std::size_t i = 0; i < common; ++i) {
                std::vector<FieldChange> fields;
                Compare(fields, "name", rows.before[i]->constant, rows.after[i]->constant);
                Compare(fields, "value", ValueText(rows.before[i]->value), ValueText(rows.after[i]->value));
                if (!fields.empty())
                    section.constants.push_back({Change::Changed, rows.after[i]->constant, "", std::move(fields)});
            }
            for (std::size_t i = common; i < rows.before.size(); ++i)
                section.constants.push_back(
                    {Change::Removed, rows.before[i]->constant, ValueText(rows.before[i]->value), {}});
            for (std::size_t i = common; i < rows.after.size(); ++i)
                section.constants.push_back(
                    {Change::Added, rows.after[i]->constant, ValueText(rows.after[i]->value), {}});
        }
        if (section.constants.empty()) continue;
        std::stable_sort(section.constants.begin(), section.constants.end(),
                         [](const ConstantChange& x, const ConstantChange& y) {
                             return std::make_tuple(ChangeOrder(x.change), Lower(x.constant), x.constant) <
                                    std::make_tuple(ChangeOrder(y.change), Lower(y.constant), y.constant);
                         });
        for (const ConstantChange& c : section.constants) Count(diff.summary.constants, c.change);
        Count(diff.summary.enums, Change::Changed);
        diff.enums.push_back(std::move(section));
    }
}

}  // namespace

ModelDiff CompareModels(const ModelFacts& before, const ModelFacts& after)
{
    const Grouped a = Group(before);
    const Grouped b = Group(after);
    ModelDiff diff;
    // Keys are lower-case names in std::map order, so sections come sorted.
    CompareObjects(a, b, diff);
    CompareEnums(a, b, diff);
    return diff;
}

}  // namespace arbolith::diff
