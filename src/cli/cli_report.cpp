// SPDX-License-Identifier: MIT
#include "cli/cli_report.h"

#include "browser/object_browser.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "cli/cli_tree.h"
#include "reports/reports.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::cli {
namespace {

std::optional<reports::ReportKind> LineReportKind(std::string_view kind)
{
    if (kind == "creatables") return reports::ReportKind::Creatables;
    if (kind == "hidden") return reports::ReportKind::Hidden;
    if (kind == "members") return reports::ReportKind::AllMembers;
    if (kind == "stats") return reports::ReportKind::Statistics;
    return std::nullopt;
}

// The statistics lines ("Label: value") as named fields; the counts and the
// file size as integers, or null when the model holds no number there.
struct StatisticsField {
    std::string_view label;
    std::string_view key;
    bool number;
};
constexpr StatisticsField kStatisticsFields[] = {
    {"File", "file", false},
    {"Path", "path", false},
    {"File Date", "fileDate", false},
    {"File Size", "fileSize", true},
    {"Library Name", "libraryName", false},
    {"Version", "version", false},
    {"Doc String", "docString", false},
    {"Help File", "helpFile", false},
    {"GUID", "guid", false},
    {"Object Count", "objects", true},
    {"Collection Objects", "collections", true},
    {"Property Puts", "propertyPuts", true},
    {"Property Gets", "propertyGets", true},
    {"Methods", "methods", true},
    {"Enums", "enums", true},
    {"Constants", "constants", true},
    {"Interfaces", "interfaces", true},
    {"Modules", "modules", true},
    {"CoClasses", "coclasses", true},
    {"Records", "records", true},
    {"Aliases", "aliases", true},
    {"Unions", "unions", true},
};

std::optional<std::int64_t> WholeNumber(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

void WriteStatistics(JsonWriter& json, const std::vector<std::string>& lines)
{
    json.Key("statistics");
    // A Library table without a row gives no lines.
    if (lines.empty()) {
        json.Null();
        return;
    }
    json.BeginObject();
    for (const StatisticsField& field : kStatisticsFields) {
        // Every line is "Label: value"; the value itself may hold ": ".
        std::optional<std::string_view> value;
        for (const std::string& line : lines)
            if (line.size() >= field.label.size() + 2 && line.starts_with(field.label) &&
                std::string_view(line).substr(field.label.size(), 2) == ": ")
                value = std::string_view(line).substr(field.label.size() + 2);
        json.Key(field.key);
        if (!field.number) {
            json.String(value.value_or(""));
        } else if (const auto number = value ? WholeNumber(*value) : std::nullopt) {
            json.Int(*number);
        } else {
            json.Null();
        }
    }
    json.EndObject();
}

int Finish(std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int ReportCommand(const ReportOptions& options)
{
    const auto lineKind = LineReportKind(options.kind);
    if (!lineKind && options.kind != "frequencies") {
        Complain("no report named " + options.kind +
                 "; the reports are creatables, hidden, members, stats and "
                 "frequencies");
        return 2;
    }
    StderrPrompt prompt;
    const auto opened = OpenCliModel(options.model, options.modelsFolder, prompt);
    if (!opened) return 1;
    browser::ObjectBrowser& browser = *opened;

    std::string text;
    if (lineKind) {
        const reports::LineReport report =
            reports::MakeLineReport(*lineKind, browser.Current().datPath, browser.Current().baseName);
        if (report.error) {
            // What was read before the failure is not printed: a partial list
            // would pass for the whole one in a script.
            Complain(*report.error);
            return 1;
        }
        if (options.json) {
            JsonWriter json = BeginJsonDocument("report");
            json.Field("model", browser.Current().baseName).Field("kind", options.kind);
            if (*lineKind == reports::ReportKind::Statistics) {
                WriteStatistics(json, report.lines);
            } else {
                json.Key("items").BeginArray();
                if (!report.nothingFound)
                    for (const std::string& line : report.lines) json.String(line);
                json.EndArray();
            }
            return FinishJsonDocument(json);
        }
        for (const std::string& line : report.lines) {
            AppendPrintable(text, line);
            text += '\n';
        }
        return Finish(text);
    }
    // Each step tells why it stopped.
    if (!(options.flat ? browser.CreateFlatModelNodes() : browser.CreateModelNodes())) return 1;
    if (options.json) {
        JsonWriter json = BeginJsonDocument("report");
        json.Field("model", browser.Current().baseName).Field("kind", options.kind);
        json.Field("tree", options.flat ? "flat" : "global");
        json.Key("rows").BeginArray();
        for (const reports::FrequencyRow& row : reports::ObjectFrequencies(browser.Model(), browser.Nodes()))
            json.BeginObject()
                .Field("object", row.object)
                .Field("interior", row.interior)
                .Field("leaf", row.leaf)
                .Field("total", row.total)
                .EndObject();
        json.EndArray();
        return FinishJsonDocument(json);
    }
    for (const reports::FrequencyRow& row : reports::ObjectFrequencies(browser.Model(), browser.Nodes())) {
        AppendPrintable(text, row.object);
        text += '\t' + reports::FrequencyText(row.interior) + '\t' + reports::FrequencyText(row.leaf) + '\t' +
                reports::FrequencyText(row.total) + '\n';
    }
    return Finish(text);
}

}  // namespace arbolith::cli
