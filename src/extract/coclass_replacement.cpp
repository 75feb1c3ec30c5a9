// SPDX-License-Identifier: MIT
// ReplaceWithCoClassNames: objects are stored under their interface names
// (IFoo, _Document); here each default interface and each event interface
// takes the name of the one coclass chosen for it, in the object row and in
// every reference to it from member rows. RawName and RawMemberName keep the
// names as extracted.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "extract/extraction.h"
#include "extract/extraction_steps_internal.h"

namespace arbolith {

namespace {

using extract_steps::DropFirstCharacter;
using extract_steps::FoldNoCase;

// One choice phase: the coclasses of one kind (event or not) are grouped by
// interface name as the store compares it (without regard to case). In each
// group the first coclass whose name, less its first character, equals the
// interface name less its first character (case-sensitive) is marked;
// without such a coclass the group's first row is. Rows are taken in table
// order. An empty interface name forms no group: nothing is chosen for it,
// so no object or member is ever renamed from "".
void MarkChoices(std::vector<CoClassRecord>& rows, bool eventPhase, const char* mark)
{
    std::unordered_map<std::string, std::size_t> groupOf;
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].event != eventPhase) continue;
        const std::string& iface = eventPhase ? rows[i].sourceInterface : rows[i].defInterface;
        if (iface.empty()) continue;
        auto [it, added] = groupOf.try_emplace(FoldNoCase(iface), groups.size());
        if (added) groups.emplace_back();
        groups[it->second].push_back(i);
    }
    for (const auto& group : groups) {
        const CoClassRecord& first = rows[group.front()];
        const std::string_view stem = DropFirstCharacter(eventPhase ? first.sourceInterface : first.defInterface);
        std::size_t chosen = group.front();
        for (const std::size_t i : group)
            if (DropFirstCharacter(rows[i].name) == stem) {
                chosen = i;
                break;
            }
        rows[chosen].forReplacement = mark;
    }
}

// Member rows grouped by one text field as the store compares it, so that
// "every row whose field equals X" is one lookup; a rename moves the rows to
// the group of the new name, where a later rename finds them.
class NameGroups {
public:
    // Rows come grouped by owner, so a value is mostly the one before it:
    // that group is reused without folding and hashing the text again.
    void Add(const std::string& value, std::uint32_t row)
    {
        if (!m_last || value != m_lastValue) {
            m_last = &m_groups[FoldNoCase(value)];
            m_lastValue = value;
        }
        m_last->push_back(row);
    }

    template <class SetValue>
    void Rename(std::string_view from, std::string_view to, SetValue setValue)
    {
        m_last = nullptr;  // groups move and go from here on
        auto it = m_groups.find(FoldNoCase(from));
        if (it == m_groups.end()) return;
        std::vector<std::uint32_t> rows = std::move(it->second);
        m_groups.erase(it);
        for (const std::uint32_t row : rows) setValue(row);
        auto& target = m_groups[FoldNoCase(to)];
        target.insert(target.end(), rows.begin(), rows.end());
    }

private:
    std::unordered_map<std::string, std::vector<std::uint32_t>> m_groups;
    std::vector<std::uint32_t>* m_last = nullptr;  // the group of m_lastValue
    std::string m_lastValue;
};

}  // namespace

void ReplaceWithCoClassNames(WorkLists& work)
{
    MarkChoices(work.coclasses, false, "d");
    MarkChoices(work.coclasses, true, "s");

    std::vector<MemberRecord>& members = work.members;
    NameGroups byObjectName;
    NameGroups byReturnType;
    for (std::uint32_t i = 0; i < members.size(); ++i) {
        byObjectName.Add(members[i].objectName, i);
        byReturnType.Add(members[i].returnType, i);
    }

    // The renames, in coclass order: X is the marked interface, Y the
    // coclass name. A later rename sees the names an earlier one wrote.
    std::vector<std::pair<std::string, std::string>> renames;
    for (const CoClassRecord& coclass : work.coclasses) {
        if (!coclass.forReplacement) continue;
        const std::string& from = *coclass.forReplacement == "d" ? coclass.defInterface : coclass.sourceInterface;
        const std::string& to = coclass.name;
        renames.emplace_back(from, to);

        // Objects: exact (case-sensitive) matches on the name as extracted,
        // then on the element type as it reads now.
        const bool hidden = (coclass.flagsVal & kTypeFlagHidden) != 0;
        for (ObjectRecord& object : work.objects) {
            if (object.rawName == from) {
                object.name = to;
                object.flags = coclass.flags;
                object.flagsVal = coclass.flagsVal;
                object.hiddenState = hidden ? "H" : "";
            }
            if (object.memberName == from) object.memberName = to;
        }
        // Member rows: selected as the store compares (without regard to case).
        byObjectName.Rename(from, to, [&](std::uint32_t row) { members[row].objectName = to; });
        byReturnType.Rename(from, to, [&](std::uint32_t row) { members[row].returnType = to; });
    }

    // Declarations: X becomes Y wherever it stands as a whole name
    // (case-sensitive), one coclass after the other. A longer name that
    // merely contains X (IFooBar, IFolderCollection) names another type and
    // keeps its name.
    const extract_steps::ReplacementSequence sequence(std::move(renames));
    if (!sequence.Empty())
        for (MemberRecord& member : members) sequence.Apply(member.declaration);
}

}  // namespace arbolith
