// SPDX-License-Identifier: MIT
// The whole road from a library file to a browsable model without the
// wizard's window: extract the library (unless its DAT file is current),
// take the model's settings from its INF file when there is one, let the
// request override the scalar ones, save the INF file and make the model.
// `arbolith-cli make` and the first start's sample model both come here.
#pragma once

#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "platform/result.h"
#include "wizard/model_making.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace arbolith {

struct ModelRequest {
    std::string library;         // library path, optionally "\N" for TYPELIB resource N
    std::string topObject;       // empty: the INF file's
    bool customTop = false;      // topObject names a custom top object, not a library object
    std::optional<bool> events;  // unset: keep the INF file's (or the default)
    std::optional<bool> controls;
    std::optional<bool> global;
    std::optional<std::vector<std::string>> connectToTop;
    std::optional<bool> interfaces;
    std::optional<bool> modules;
    bool reextract = false;  // extract even when the DAT file is current
    // Runs on the current DAT file and the settings about to be saved, just
    // before the model is made; an error stops there, nothing saved.
    std::function<Result<void>(const std::filesystem::path& datFile, const InfData& settings)> beforeMaking;
};

struct ModelPlaces {
    std::filesystem::path modelsFolder;
    std::filesystem::path errorLog;
    LoadOptions load;     // how imported libraries are found
    bool compact = true;  // the CompactDAT setting
};

struct MadeFromLibrary {
    std::filesystem::path datFile;
    std::filesystem::path infFile;
    bool extracted = false;       // false: the DAT file was current and kept
    ExtractionResult extraction;  // when extracted
    InfData settings;             // as saved
    MadeModel made;
};

Result<MadeFromLibrary> MakeModelFromLibrary(const ModelRequest& request, const ModelPlaces& places,
                                             ProgressSink& progress, Prompt& prompt);

}  // namespace arbolith
