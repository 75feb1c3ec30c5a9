// SPDX-License-Identifier: MIT
// arbolith-cli diff: the comparison report on stdout, messages on stderr.
#include "cli/cli_diff.h"

#include "cli/cli_output.h"
#include "cli/cli_support.h"
#include "diff/diff_inputs.h"
#include "diff/diff_report.h"
#include "platform/json_writer.h"
#include "typelib/typelib_loader.h"

#include <cstdio>

namespace arbolith::cli {

namespace {

constexpr int kEqual = 0;
constexpr int kDifferent = 1;
constexpr int kBadInput = 2;

// Captions would clutter a script's stderr; only failures are told.
class QuietProgress : public ProgressSink {
public:
    void Caption(std::string_view) override {}
};

}  // namespace

int DiffCommand(const DiffOptions& options)
{
    diff::DiffRequest request;
    request.before = options.before;
    request.after = options.after;
    request.inclInterfaces = options.interfaces;
    request.inclModules = options.modules;
    request.load = RegistryLoadOptions();
    request.modelsFolder = options.modelsFolder;
    if (request.modelsFolder.empty() &&
        (diff::NeedsModelsFolder(options.before) || diff::NeedsModelsFolder(options.after))) {
        const auto folders = PrepareCliFolders({});
        if (!folders) return kBadInput;
        request.modelsFolder = folders->modelsFolder;
    }

    QuietProgress progress;
    auto outcome = diff::RunDiff(request, progress);
    if (!outcome) {
        Complain(outcome.error().description);
        return kBadInput;
    }
    const diff::ModelDiff& result = outcome->diff;
    if (options.json) {
        JsonWriter json;
        diff::WriteDiffJson(json, outcome->before, outcome->after, result);
        const std::string text = json.Take();
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        std::string text;
        for (const std::string& line : diff::DiffReportLines(result)) {
            AppendPrintable(text, line);
            text += '\n';
        }
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    if (std::fflush(stdout) != 0) {
        Complain("cannot write the report");
        return kBadInput;
    }
    return result.Empty() ? kEqual : kDifferent;
}

}  // namespace arbolith::cli
