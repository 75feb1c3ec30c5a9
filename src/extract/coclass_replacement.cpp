// SPDX-License-Identifier: MIT
// ReplaceWithCoClassNames: objects are stored under their interface names
// (IFoo, _Document); here each default interface and each event interface
// takes the name of the one coclass chosen for it, in the object row and in
// every reference to it from member rows. RawName and RawMemberName keep the
// names as extracted.
//
// The tables are read once, the renames are done in memory in the same order
// the row-by-row procedure would do them (a later rename sees the names an
// earlier one wrote), and only the changed rows are written back.
#include <algorithm>
#include <cstdint>
#include <deque>
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

namespace extract_steps {

std::string FoldNoCase(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string_view DropFirstCharacter(std::string_view text)
{
    if (text.empty())
        return text;
    std::size_t n = 1;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        ++n;
    return text.substr(n);
}

bool ReplaceAll(std::string& text, std::string_view find, std::string_view with)
{
    if (find.empty())
        return false;
    std::size_t at = text.find(find);
    if (at == std::string::npos)
        return false;
    std::string out;
    out.reserve(text.size() + with.size());
    std::size_t from = 0;
    while (at != std::string::npos) {
        out.append(text, from, at - from);
        out.append(with);
        from = at + find.size();
        at = text.find(find, from);
    }
    out.append(text, from, std::string::npos);
    const bool changed = out != text;
    text = std::move(out);
    return changed;
}

ReplacementSequence::ReplacementSequence(std::vector<std::pair<std::string, std::string>> edits)
    : m_edits(std::move(edits))
{
    // Alphabet: only bytes that occur in some search text get their own
    // class; every other byte sends the automaton back to its start.
    for (const auto& edit : m_edits)
        for (const char c : edit.first) {
            auto& cls = m_class[static_cast<unsigned char>(c)];
            if (cls == 0)
                cls = static_cast<std::uint8_t>(m_alphabet++);
        }

    // Trie of the search texts.
    m_next.assign(m_alphabet, -1);
    m_ends.emplace_back();
    for (std::uint32_t i = 0; i < m_edits.size(); ++i) {
        const std::string& find = m_edits[i].first;
        if (find.empty())
            continue;
        std::int32_t state = 0;
        for (const char c : find) {
            const std::size_t slot = static_cast<std::size_t>(state) * m_alphabet + m_class[static_cast<unsigned char>(c)];
            if (m_next[slot] < 0) {
                m_next[slot] = static_cast<std::int32_t>(m_ends.size());
                m_ends.emplace_back();
                m_next.resize(m_next.size() + m_alphabet, -1);
            }
            state = m_next[slot];
        }
        m_ends[static_cast<std::size_t>(state)].push_back(i);
    }

    // Failure links, breadth first, turned into complete transitions.
    const std::size_t states = m_ends.size();
    std::vector<std::int32_t> fail(states, 0);
    m_outLink.assign(states, -1);
    std::deque<std::int32_t> queue;
    for (std::size_t c = 0; c < m_alphabet; ++c) {
        std::int32_t& to = m_next[c];
        if (to < 0) {
            to = 0;
        } else {
            fail[static_cast<std::size_t>(to)] = 0;
            queue.push_back(to);
        }
    }
    while (!queue.empty()) {
        const auto state = static_cast<std::size_t>(queue.front());
        queue.pop_front();
        for (std::size_t c = 0; c < m_alphabet; ++c) {
            std::int32_t& to = m_next[state * m_alphabet + c];
            const std::int32_t viaFail = m_next[static_cast<std::size_t>(fail[state]) * m_alphabet + c];
            if (to < 0) {
                to = viaFail;
                continue;
            }
            const auto child = static_cast<std::size_t>(to);
            fail[child] = viaFail;
            const auto f = static_cast<std::size_t>(viaFail);
            m_outLink[child] = m_ends[f].empty() ? m_outLink[f] : viaFail;
            queue.push_back(to);
        }
    }
}

Result<void> UpdateRows(Database& db, std::string_view table, std::span<const std::string_view> fields,
                        std::span<const Value> values)
{
    const std::size_t width = fields.size() + 1;
    if (values.empty())
        return Ok();
    constexpr std::string_view kScratch = "temp.arbolith_row_update";
    std::string columns = "id INTEGER PRIMARY KEY";
    std::string names = "id";
    std::string marks = "?";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        columns += ", v" + std::to_string(i);
        names += ", v" + std::to_string(i);
        marks += ", ?";
    }
    const auto failed = [&](const Error& error) { return error.In("updating " + std::string(table)); };
    if (auto made = db.ExecuteScript("DROP TABLE IF EXISTS " + std::string(kScratch) + "; CREATE TABLE " +
                                     std::string(kScratch) + " (" + columns + ")");
        !made)
        return failed(made.error());
    {
        auto insert = db.Prepare("INSERT INTO " + std::string(kScratch) + " (" + names + ") VALUES (" + marks + ")");
        if (!insert)
            return failed(insert.error());
        for (std::size_t at = 0; at + width <= values.size(); at += width) {
            insert->Reset();
            if (auto bound = insert->Bind(values.subspan(at, width)); !bound)
                return failed(bound.error());
            if (auto ran = insert->Run(); !ran)
                return failed(ran.error());
        }
    }
    const std::string quoted = QuoteIdentifier(table);
    // One row-value subquery per row, not one per field.
    std::string targets;
    std::string sources;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        targets += (i > 0 ? ", " : "") + QuoteIdentifier(fields[i]);
        sources += (i > 0 ? ", v" : "v") + std::to_string(i);
    }
    std::string sql = "UPDATE " + quoted + " SET (" + targets + ") = (SELECT " + sources + " FROM " +
                      std::string(kScratch) + " WHERE id = " + quoted + ".rowid) WHERE rowid IN (SELECT id FROM " +
                      std::string(kScratch) + ")";
    if (auto updated = db.Execute(sql); !updated)
        return failed(updated.error());
    if (auto dropped = db.Execute("DROP TABLE " + std::string(kScratch)); !dropped)
        return failed(dropped.error());
    return Ok();
}

void ReplacementSequence::Occurring(std::string_view text, std::vector<std::uint32_t>& found) const
{
    found.clear();
    std::size_t state = 0;
    for (const char c : text) {
        state = static_cast<std::size_t>(m_next[state * m_alphabet + m_class[static_cast<unsigned char>(c)]]);
        for (std::int32_t out = m_ends[state].empty() ? m_outLink[state] : static_cast<std::int32_t>(state); out >= 0;
             out = m_outLink[static_cast<std::size_t>(out)])
            found.insert(found.end(), m_ends[static_cast<std::size_t>(out)].begin(),
                         m_ends[static_cast<std::size_t>(out)].end());
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

bool ReplacementSequence::Apply(std::string& text) const
{
    if (m_edits.empty())
        return false;
    std::vector<std::uint32_t> found;
    Occurring(text, found);
    bool changed = false;
    std::uint32_t nextEdit = 0;
    std::size_t k = 0;
    while (k < found.size()) {
        const std::uint32_t edit = found[k++];
        if (edit < nextEdit)
            continue;
        if (ReplaceAll(text, m_edits[edit].first, m_edits[edit].second)) {
            // The text is new: which later edits apply must be found again.
            changed = true;
            nextEdit = edit + 1;
            Occurring(text, found);
            k = 0;
        }
    }
    return changed;
}

}  // namespace extract_steps

namespace {

using extract_steps::DropFirstCharacter;
using extract_steps::FoldNoCase;

struct CoClassRow {
    std::int64_t rowid = 0;
    std::string name;
    std::optional<bool> event;  // Null takes part in neither choice
    std::string defInterface;   // Null reads as ""
    std::string sourceInterface;
    Value flags;
    Value flagsVal;
    std::optional<std::string> mark;  // ForReplacement
    bool markSet = false;
};

struct ObjectRow {
    std::int64_t rowid = 0;
    std::optional<std::string> rawName;
    Value name;
    std::optional<std::string> memberName;
    Value flags;
    Value flagsVal;
    Value hiddenState;
    bool changed = false;
};

struct FunctionRow {
    std::int64_t rowid = 0;
    std::optional<std::string> objectName;
    std::optional<std::string> returnType;
    std::optional<std::string> declaration;
    bool changed = false;
};

Result<std::vector<CoClassRow>> ReadCoClasses(Database& db)
{
    std::vector<CoClassRow> rows;
    auto read = ForEachRow(db,
                           "SELECT rowid, Name, Event, DefInterface, SourceInterface, Flags, FlagsVal, ForReplacement "
                           "FROM CoClasses ORDER BY rowid",
                           "reading CoClasses", [&](Statement& q) {
                               CoClassRow row;
                               row.rowid = q.Integer(0);
                               row.name = q.Text(1);
                               if (!q.IsNull(2)) row.event = q.Integer(2) != 0;
                               row.defInterface = q.Text(3);
                               row.sourceInterface = q.Text(4);
                               row.flags = q.Get(5);
                               row.flagsVal = q.Get(6);
                               row.mark = OptionalText(q, 7);
                               rows.push_back(std::move(row));
                           });
    if (!read) return read.error();
    return rows;
}

// One choice phase: the coclasses of one kind (event or not) are grouped by
// interface name as the store compares it (without regard to case). In each
// group the first coclass whose name, less its first character, equals the
// interface name less its first character (case-sensitive) is marked;
// without such a coclass the group's first row is. Rows are taken in table
// order. An empty interface name forms no group: nothing is chosen for it,
// so no object or member is ever renamed from "".
void MarkChoices(std::vector<CoClassRow>& rows, bool eventPhase, const char* mark)
{
    std::unordered_map<std::string, std::size_t> groupOf;
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].event || *rows[i].event != eventPhase)
            continue;
        const std::string& iface = eventPhase ? rows[i].sourceInterface : rows[i].defInterface;
        if (iface.empty())
            continue;
        auto [it, added] = groupOf.try_emplace(FoldNoCase(iface), groups.size());
        if (added)
            groups.emplace_back();
        groups[it->second].push_back(i);
    }
    for (const auto& group : groups) {
        const CoClassRow& first = rows[group.front()];
        const std::string_view stem = DropFirstCharacter(eventPhase ? first.sourceInterface : first.defInterface);
        std::size_t chosen = group.front();
        for (const std::size_t i : group)
            if (DropFirstCharacter(rows[i].name) == stem) {
                chosen = i;
                break;
            }
        rows[chosen].mark = mark;
        rows[chosen].markSet = true;
    }
}

Result<std::vector<ObjectRow>> ReadObjects(Database& db)
{
    std::vector<ObjectRow> rows;
    auto read = ForEachRow(
        db, "SELECT rowid, RawName, Name, MemberName, Flags, FlagsVal, HiddenState FROM Objects ORDER BY rowid",
        "reading Objects", [&](Statement& q) {
            ObjectRow row;
            row.rowid = q.Integer(0);
            row.rawName = OptionalText(q, 1);
            row.name = q.Get(2);
            row.memberName = OptionalText(q, 3);
            row.flags = q.Get(4);
            row.flagsVal = q.Get(5);
            row.hiddenState = q.Get(6);
            rows.push_back(std::move(row));
        });
    if (!read) return read.error();
    return rows;
}

Result<std::vector<FunctionRow>> ReadFunctions(Database& db)
{
    std::vector<FunctionRow> rows;
    auto read = ForEachRow(db, "SELECT rowid, ObjectName, ReturnType, Declaration FROM Functions ORDER BY rowid",
                           "reading Functions", [&](Statement& q) {
                               FunctionRow row;
                               row.rowid = q.Integer(0);
                               row.objectName = OptionalText(q, 1);
                               row.returnType = OptionalText(q, 2);
                               row.declaration = OptionalText(q, 3);
                               rows.push_back(std::move(row));
                           });
    if (!read) return read.error();
    return rows;
}

// Member rows grouped by one text field as the store compares it, so that
// "every row whose field equals X" is one lookup; a rename moves the rows to
// the group of the new name, where a later rename finds them.
class NameGroups {
public:
    void Add(const std::optional<std::string>& value, std::uint32_t row)
    {
        if (value)
            m_groups[FoldNoCase(*value)].push_back(row);
    }

    template <class SetValue>
    void Rename(std::string_view from, std::string_view to, SetValue setValue)
    {
        auto it = m_groups.find(FoldNoCase(from));
        if (it == m_groups.end())
            return;
        std::vector<std::uint32_t> rows = std::move(it->second);
        m_groups.erase(it);
        for (const std::uint32_t row : rows)
            setValue(row);
        auto& target = m_groups[FoldNoCase(to)];
        target.insert(target.end(), rows.begin(), rows.end());
    }

private:
    std::unordered_map<std::string, std::vector<std::uint32_t>> m_groups;
};

Result<void> WriteBack(Database& db, const std::vector<CoClassRow>& coclasses, const std::vector<ObjectRow>& objects,
                       const std::vector<FunctionRow>& functions)
{
    std::vector<Value> values;
    for (const CoClassRow& row : coclasses)
        if (row.markSet)
            values.insert(values.end(), {row.rowid, Value(row.mark)});
    static constexpr std::string_view kCoClassFields[] = {"ForReplacement"};
    if (auto written = extract_steps::UpdateRows(db, "CoClasses", kCoClassFields, values); !written)
        return written.error();

    values.clear();
    for (const ObjectRow& row : objects)
        if (row.changed)
            values.insert(values.end(), {row.rowid, row.name, row.flags, row.flagsVal, row.hiddenState,
                                         Value(row.memberName)});
    static constexpr std::string_view kObjectFields[] = {"Name", "Flags", "FlagsVal", "HiddenState", "MemberName"};
    if (auto written = extract_steps::UpdateRows(db, "Objects", kObjectFields, values); !written)
        return written.error();

    values.clear();
    for (const FunctionRow& row : functions)
        if (row.changed)
            values.insert(values.end(),
                          {row.rowid, Value(row.objectName), Value(row.returnType), Value(row.declaration)});
    static constexpr std::string_view kFunctionFields[] = {"ObjectName", "ReturnType", "Declaration"};
    return extract_steps::UpdateRows(db, "Functions", kFunctionFields, values);
}

}  // namespace

Result<void> ReplaceWithCoClassNames(Database& db)
{
    auto transaction = db.Begin();
    if (!transaction)
        return Failed(transaction.error(), "coclass replacement");

    auto coclasses = ReadCoClasses(db);
    if (!coclasses)
        return coclasses.error();
    MarkChoices(*coclasses, false, "d");
    MarkChoices(*coclasses, true, "s");

    auto objects = ReadObjects(db);
    if (!objects)
        return objects.error();
    auto functions = ReadFunctions(db);
    if (!functions)
        return functions.error();

    NameGroups byObjectName;
    NameGroups byReturnType;
    for (std::uint32_t i = 0; i < functions->size(); ++i) {
        byObjectName.Add((*functions)[i].objectName, i);
        byReturnType.Add((*functions)[i].returnType, i);
    }

    // The renames, in coclass table order: X is the marked interface, Y the
    // coclass name.
    std::vector<std::pair<std::string, std::string>> renames;
    for (const CoClassRow& coclass : *coclasses) {
        if (!coclass.mark || (*coclass.mark != "d" && *coclass.mark != "s"))
            continue;
        const std::string& from = *coclass.mark == "d" ? coclass.defInterface : coclass.sourceInterface;
        if (from.empty())
            continue;
        const std::string& to = coclass.name;
        renames.emplace_back(from, to);

        // Objects: exact (case-sensitive) matches on the name as extracted,
        // then on the element type as it reads now.
        const bool hidden = (coclass.flagsVal.AsInteger() & 0x10) != 0;
        for (ObjectRow& object : *objects) {
            if (object.rawName == from) {
                object.name = to;
                object.flags = coclass.flags;
                object.flagsVal = coclass.flagsVal;
                object.hiddenState = hidden ? "H" : "";
                object.changed = true;
            }
            if (object.memberName == from) {
                object.memberName = to;
                object.changed = true;
            }
        }
        // Member rows: selected as the store compares (without regard to case).
        byObjectName.Rename(from, to, [&](std::uint32_t row) {
            (*functions)[row].objectName = to;
            (*functions)[row].changed = true;
        });
        byReturnType.Rename(from, to, [&](std::uint32_t row) {
            (*functions)[row].returnType = to;
            (*functions)[row].changed = true;
        });
    }

    // Declarations: every case-sensitive occurrence of X becomes Y, also
    // inside longer names, one coclass after the other. Rows whose text holds
    // X only in another case would be selected by a case-insensitive search
    // and left unchanged by the replacement, so every row can go through the
    // replacement directly.
    const extract_steps::ReplacementSequence sequence(std::move(renames));
    if (!sequence.Empty())
        for (FunctionRow& row : *functions)
            if (row.declaration && sequence.Apply(*row.declaration))
                row.changed = true;

    if (auto written = WriteBack(db, *coclasses, *objects, *functions); !written)
        return written.error();
    if (auto committed = transaction->Commit(); !committed)
        return Failed(committed.error(), "coclass replacement");
    return Ok();
}

}  // namespace arbolith
