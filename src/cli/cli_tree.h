// SPDX-License-Identifier: MIT
// arbolith-cli tree MODEL [--depth N] [--models DIR]: the model's global tree
// as text, one node per line, indented two spaces per level, each line the
// node's label with the current settings, children in the window's order.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith::cli {

struct TreeOptions {
    std::string model;                   // a model key, a library file name or path
    std::optional<int> depth;            // levels below the top to print; unset: all
    std::filesystem::path modelsFolder;  // empty: the application's
};

// Returns the exit status.
int TreeCommand(const TreeOptions& options);

// Whether the name given for a model is rather a library's file name or
// path: it holds a folder separator or ends in a library extension
// (optionally followed by "\N", a resource number).
bool NamesLibraryFile(std::string_view name);

}  // namespace arbolith::cli
