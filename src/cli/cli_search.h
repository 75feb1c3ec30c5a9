// SPDX-License-Identifier: MIT
// arbolith-cli search TEXT: the members, objects and constants of every model
// of the models folder that match TEXT, through the index beside the models.
#pragma once

#include <filesystem>
#include <string>

namespace arbolith::cli {

struct ModelSearchOptions {
    std::string text;
    std::filesystem::path modelsFolder;  // empty: the application's
    bool rebuild = false;                // throw the index away and make it anew first
    bool json = false;
};

// One match a line: model, object, member and declaration, separated by tabs;
// models that could not be read are warned about on stderr. Exit status: 0
// with matches, 1 without any or when the search failed, 2 for a text with
// no word in it.
int ModelSearchCommand(const ModelSearchOptions& options);

}  // namespace arbolith::cli
