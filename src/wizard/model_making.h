// SPDX-License-Identifier: MIT
// Model making without windows: the wizard's settings, saved in the model's
// INF file, are applied to the model's DAT file. Every row an earlier making
// added (IsCustom) is removed first and the rows the settings call for are
// added again, so making twice gives the same tables.
#pragma once

#include "platform/result.h"
#include "store/inf_file.h"

#include <cstdint>
#include <filesystem>

namespace arbolith {

struct MadeModel {
    std::int64_t topObjectKey = 0;  // also written to the INF file
    bool customTopAdded = false;    // the top object is a custom object of its own
    std::int64_t objects = 0;       // rows of Objects afterwards
    std::int64_t edges = 0;         // rows of Edges afterwards
};

// The Make Model button without its window: an empty model name becomes
// the library file name without extension, an empty category "Misc"; the
// settings are saved to the INF file (SaveDataToINF) and applied to the DAT
// file: custom top object and its connections, the Global object,
// "<Events>", "<Controls>", custom objects, external edges, collection
// corrections and extra edges; "TopObjectKey" is written last. `data.library`
// names the library file.
//
// The work is done aside: in a copy of the DAT file (with `compact`,
// compacted into a new file) and a copy of the INF file; both replace the
// model's files only at the end (platform/files.h). A failure anywhere, a
// full disk included, leaves both files as they were, byte for byte.
Result<MadeModel> MakeModel(const std::filesystem::path& datFile, const std::filesystem::path& infFile, InfData& data,
                            bool compact);

// MakeModel starting from `source`, a freshly extracted DAT file in a
// scratch place, instead of from `datFile`, which it replaces at the end.
// `source` is used up.
Result<MadeModel> MakeModelFrom(const std::filesystem::path& source, const std::filesystem::path& datFile,
                                const std::filesystem::path& infFile, InfData& data, bool compact);

}  // namespace arbolith
