// SPDX-License-Identifier: MIT
// The reports of a model without their window: externally creatable
// objects, hidden objects, all members and the library's statistics, read
// from the model's DAT file, and the frequencies of the objects in the
// current object tree. The report window and `arbolith-cli report` show the
// same lines.
#pragma once

#include "browser/object_model.h"
#include "browser/tree_builder.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::reports {

enum class ReportKind { Creatables, Hidden, AllMembers, Statistics };

// One report of lines, as the window's list shows it.
struct LineReport {
    std::string caption;             // "Hidden Objects for " + model key, ...
    std::vector<std::string> lines;  // with the empty-result item where the report has one
    bool nothingFound = false;       // `lines` holds the empty-result item only
    // Set when reading stopped: the report's message prefix followed by the
    // reason ("Error showing hidden objects: ..."); `lines` holds what was
    // read before.
    std::optional<std::string> error;
};

// Runs one report on a model's DAT file. The file is opened read-only and
// never created: a missing file or an empty path is an error.
LineReport MakeLineReport(ReportKind kind, const std::filesystem::path& datFile, std::string_view modelKey);

// Object frequencies: how often each object of the model is shown in the
// current tree, counted by object key in one pass over the nodes.
struct FrequencyRow {
    std::string object;
    std::int64_t interior = 0;  // nodes of the object that have children
    std::int64_t leaf = 0;      // nodes without
    std::int64_t total = 0;
};
// One row per object of `model`, in its order, also when its total is 0.
std::vector<FrequencyRow> ObjectFrequencies(const browser::ObjectModel& model,
                                            std::span<const browser::NodeRecord> nodes);
// A count as the table shows it: at least three digits ("007", "1234").
std::string FrequencyText(std::int64_t count);
// "Object Frequency Counts for Current Display of " + model name.
std::string FrequencyCaption(std::string_view modelName);

}  // namespace arbolith::reports
