// SPDX-License-Identifier: MIT
// Text and JSON forms of a model comparison.
#include "diff/diff_report.h"

namespace arbolith::diff {

namespace {

char Sign(Change change)
{
    return change == Change::Added ? '+' : change == Change::Removed ? '-' : '~';
}

std::string Quoted(const std::string& text)
{
    return '"' + text + '"';
}

void AddFields(std::vector<std::string>& lines, const std::vector<FieldChange>& fields, std::string_view indent)
{
    for (const FieldChange& f : fields)
        lines.push_back(std::string(indent) + f.field + ": " + Quoted(f.before) + " \u2192 " + Quoted(f.after));
}

std::string Counted(std::int64_t count, std::string_view one, std::string_view many)
{
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string CountsText(const ChangeCounts& c)
{
    return std::to_string(c.added) + " added, " + std::to_string(c.removed) + " removed, " + std::to_string(c.changed) +
           " changed";
}

void WriteFields(JsonWriter& json, const std::vector<FieldChange>& fields)
{
    json.Key("fields").BeginArray();
    for (const FieldChange& f : fields)
        json.BeginObject().Field("field", f.field).Field("before", f.before).Field("after", f.after).EndObject();
    json.EndArray();
}

void WriteCounts(JsonWriter& json, std::string_view key, const ChangeCounts& c)
{
    json.Key(key)
        .BeginObject()
        .Field("added", c.added)
        .Field("removed", c.removed)
        .Field("changed", c.changed)
        .EndObject();
}

void WriteSide(JsonWriter& json, std::string_view key, const ModelFacts& facts)
{
    json.Key(key)
        .BeginObject()
        .Field("source", facts.source)
        .Field("library", facts.libraryName)
        .Field("version", facts.version)
        .EndObject();
}

}  // namespace

std::string SummaryLine(const DiffSummary& s)
{
    return "objects: " + CountsText(s.objects) + "; members: " + CountsText(s.members) +
           "; edges: " + CountsText(s.edges) + "; enums: " + CountsText(s.enums) +
           "; constants: " + CountsText(s.constants);
}

std::vector<std::string> DiffReportLines(const ModelDiff& diff)
{
    std::vector<std::string> lines;
    if (diff.Empty()) return lines;
    for (const ObjectDiff& o : diff.objects) {
        std::string head = "Object " + o.name + ": " + std::string(ChangeName(o.change));
        if (o.change != Change::Changed) head += " (" + Counted(o.memberCount, "member", "members") + ")";
        lines.push_back(std::move(head));
        AddFields(lines, o.fields, "  ");
        for (const MemberChange& m : o.members) {
            std::string line = std::string("  ") + Sign(m.change) + " member " + m.name + " (" + m.invokeType + ")";
            if (m.change != Change::Changed && !m.declaration.empty()) line += ": " + m.declaration;
            lines.push_back(std::move(line));
            AddFields(lines, m.fields, "      ");
        }
        for (const EdgeChange& e : o.edges) {
            std::string line = std::string("  ") + Sign(e.change) + " edge to " + e.child;
            if (e.change != Change::Changed) line += " " + Quoted(e.label);
            lines.push_back(std::move(line));
            AddFields(lines, e.fields, "      ");
        }
    }
    for (const EnumDiff& en : diff.enums) {
        std::string head = "Enum " + en.name + ": " + std::string(ChangeName(en.change));
        if (en.change != Change::Changed) head += " (" + Counted(en.constantCount, "constant", "constants") + ")";
        lines.push_back(std::move(head));
        for (const ConstantChange& c : en.constants) {
            std::string line = std::string("  ") + Sign(c.change) + " constant " + c.constant;
            if (c.change != Change::Changed) line += " = " + (c.value.empty() ? std::string("(none)") : c.value);
            lines.push_back(std::move(line));
            AddFields(lines, c.fields, "      ");
        }
    }
    lines.push_back("Summary: " + SummaryLine(diff.summary));
    return lines;
}

void WriteDiffJson(JsonWriter& json, const ModelFacts& before, const ModelFacts& after, const ModelDiff& diff)
{
    json.BeginObject().Field("schema", "arbolith-cli/diff/1").Field("equal", diff.Empty());
    WriteSide(json, "before", before);
    WriteSide(json, "after", after);
    json.Key("objects").BeginArray();
    for (const ObjectDiff& o : diff.objects) {
        json.BeginObject()
            .Field("name", o.name)
            .Field("change", ChangeName(o.change))
            .Field("memberCount", o.memberCount);
        WriteFields(json, o.fields);
        json.Key("members").BeginArray();
        for (const MemberChange& m : o.members) {
            json.BeginObject()
                .Field("change", ChangeName(m.change))
                .Field("name", m.name)
                .Field("invokeKind", m.invokeType)
                .Field("declaration", m.declaration);
            WriteFields(json, m.fields);
            json.EndObject();
        }
        json.EndArray().Key("edges").BeginArray();
        for (const EdgeChange& e : o.edges) {
            json.BeginObject().Field("change", ChangeName(e.change)).Field("child", e.child).Field("label", e.label);
            WriteFields(json, e.fields);
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray().Key("enums").BeginArray();
    for (const EnumDiff& en : diff.enums) {
        json.BeginObject()
            .Field("name", en.name)
            .Field("change", ChangeName(en.change))
            .Field("constantCount", en.constantCount)
            .Key("constants")
            .BeginArray();
        for (const ConstantChange& c : en.constants) {
            json.BeginObject().Field("change", ChangeName(c.change)).Field("constant", c.constant);
            json.Key("value").String(c.value);
            WriteFields(json, c.fields);
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray().Key("summary").BeginObject();
    WriteCounts(json, "objects", diff.summary.objects);
    WriteCounts(json, "members", diff.summary.members);
    WriteCounts(json, "edges", diff.summary.edges);
    WriteCounts(json, "enums", diff.summary.enums);
    WriteCounts(json, "constants", diff.summary.constants);
    json.Field("total", diff.summary.Total()).EndObject().EndObject();
}

}  // namespace arbolith::diff
