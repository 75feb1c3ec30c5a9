// SPDX-License-Identifier: MIT
// What the two sides of a comparison name, and reading both of them.
//
// A side is named by one text:
//   - a path ending in ".DAT" (any case): a model's data file, read-only;
//   - an existing library file, optionally followed by "\N" for its
//     TYPELIB resource N: the library, extracted in memory;
//   - otherwise a model key (the library's file name, with or without its
//     extension) looked up in the models folder without regard to case.
#pragma once

#include "diff/model_diff.h"
#include "diff/model_facts.h"
#include "platform/progress.h"
#include "platform/result.h"

#include <filesystem>
#include <optional>
#include <string>

namespace arbolith::diff {

struct DiffInput {
    enum class Kind { Library, ModelFile };
    Kind kind = Kind::Library;
    std::string path;  // the library ("path" or "path\N") or the DAT file
};

// Whether the text needs a models folder to be understood (it names no
// existing library or DAT file by path).
bool NeedsModelsFolder(const std::string& text);

// Decides what `text` names; a model key is looked for in `modelsFolder`
// (none when empty). Fails with a message that names the text.
Result<DiffInput> ResolveDiffInput(const std::string& text, const std::filesystem::path& modelsFolder);

struct DiffRequest {
    std::string before;
    std::string after;
    std::filesystem::path modelsFolder;
    // Whether libraries are read with interfaces (modules) as objects. Unset:
    // as the model on the other side was made, or not when both are libraries.
    std::optional<bool> inclInterfaces;
    std::optional<bool> inclModules;
    LoadOptions load;
};

struct DiffOutcome {
    ModelFacts before;
    ModelFacts after;
    ModelDiff diff;
};

// Resolves and reads both sides, then compares them. Between a library and
// a model, the model's custom objects, members and edges are left out. A side that cannot be
// read fails the whole run, its error naming that side.
Result<DiffOutcome> RunDiff(const DiffRequest& request, ProgressSink& progress);

}  // namespace arbolith::diff
