// SPDX-License-Identifier: MIT
// arbolith-cli diff A B [--models DIR] [--json]: what changed from model (or
// library) A to B, grouped per object. Exit status 0 when they are equal,
// 1 when they differ, 2 when a side cannot be read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace arbolith::cli {

struct DiffOptions {
    std::string before;
    std::string after;
    std::filesystem::path modelsFolder;  // empty: the application's
    std::optional<bool> interfaces;
    std::optional<bool> modules;
    bool json = false;
};

int DiffCommand(const DiffOptions& options);

}  // namespace arbolith::cli
