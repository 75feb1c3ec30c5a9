// SPDX-License-Identifier: MIT
// arbolith-cli graph MODEL [--root NAME] [--depth N] [--format dot|svg|png]
// [-o FILE] [--json]: the diagram the window's View > Diagram shows, as DOT
// text, an SVG drawing or a PNG picture; --json prints what the graph holds
// (its objects and edges) instead, and still writes FILE when one is given.
#pragma once

#include <filesystem>
#include <string>

namespace arbolith::cli {

struct GraphOptions {
    std::string model;
    std::string root;  // "": the model's top object
    int depth = 2;
    bool all = false;              // every object of the model, not a neighbourhood
    std::string format = "dot";    // dot, svg or png
    std::filesystem::path output;  // empty: stdout
    bool json = false;
    std::filesystem::path modelsFolder;
};

// Returns the exit status: 0, or 1 after a message on stderr.
int GraphCommand(const GraphOptions& options);

}  // namespace arbolith::cli
