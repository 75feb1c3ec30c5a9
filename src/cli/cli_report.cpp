// SPDX-License-Identifier: MIT
#include "cli/cli_report.h"

#include "browser/object_browser.h"
#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "cli/cli_tree.h"
#include "reports/reports.h"

#include <cstdio>
#include <optional>
#include <string>

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
        for (const std::string& line : report.lines) {
            AppendPrintable(text, line);
            text += '\n';
        }
        return Finish(text);
    }
    // Each step tells why it stopped.
    if (!(options.flat ? browser.CreateFlatModelNodes() : browser.CreateModelNodes())) return 1;
    for (const reports::FrequencyRow& row : reports::ObjectFrequencies(browser.Model(), browser.Nodes())) {
        AppendPrintable(text, row.object);
        text += '\t' + reports::FrequencyText(row.interior) + '\t' + reports::FrequencyText(row.leaf) + '\t' +
                reports::FrequencyText(row.total) + '\n';
    }
    return Finish(text);
}

}  // namespace arbolith::cli
