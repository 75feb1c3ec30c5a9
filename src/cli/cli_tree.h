// SPDX-License-Identifier: MIT
// arbolith-cli tree MODEL [--depth N] [--models DIR]: the model's global tree
// as text, one node per line, indented two spaces per level, each line the
// node's label with the current settings, children in the window's order.
#pragma once

#include "browser/object_browser.h"
#include "platform/prompt.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith::cli {

struct TreeOptions {
    std::string model;                   // a model key, a library file name or path
    std::optional<int> depth;            // levels below the top to print; unset: all
    std::filesystem::path modelsFolder;  // empty: the application's
    // One JSON document: the nodes in the text's order, each with its depth,
    // its parent's position in the list, its label, object and member.
    bool json = false;
};

// Returns the exit status.
int TreeCommand(const TreeOptions& options);

// Makes a model current as the window opens it, with ZV.INI's settings and
// the models folder given on the command line (empty: the application's).
// A failure is told on stderr, with how to make the model, and gives nothing.
// Messages of the browser go to `prompt`, which must outlive it.
std::unique_ptr<browser::ObjectBrowser> OpenCliModel(const std::string& model,
                                                     const std::filesystem::path& modelsOption, Prompt& prompt);

// Whether the name given for a model is rather a library's file name or
// path: it holds a folder separator or ends in a library extension
// (optionally followed by "\N", a resource number).
bool NamesLibraryFile(std::string_view name);

}  // namespace arbolith::cli
