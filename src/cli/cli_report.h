// SPDX-License-Identifier: MIT
// arbolith-cli report MODEL KIND [--models DIR] [--flat]: one report of a
// model as the report window lists it, one item per line on stdout. The
// window's caption is not printed. KIND is creatables, hidden, members, stats
// or frequencies; the frequencies are four columns separated by tabs (object,
// as interior node, as leaf node, total) counted over the model's global tree,
// or its flat tree with --flat.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace arbolith::cli {

struct ReportOptions {
    std::string model;  // a model key, a library file name or path
    std::string kind;
    bool flat = false;
    std::filesystem::path modelsFolder;  // empty: the application's
    // One JSON document: the names as an array (empty when there are none),
    // the statistics as named fields with the counts as numbers, or the
    // frequencies as rows of numbers.
    bool json = false;
};

// The names KIND takes, in the order the help lists them.
inline constexpr std::string_view kReportKinds[] = {"creatables", "hidden", "members", "stats", "frequencies"};

// Returns the exit status.
int ReportCommand(const ReportOptions& options);

}  // namespace arbolith::cli
