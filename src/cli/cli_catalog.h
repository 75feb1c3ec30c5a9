// SPDX-License-Identifier: MIT
// arbolith-cli models [--models DIR]: the Open Model dialog's catalog, one
// model a line in the dialog's order (categories as first met, models by
// their text), five fields separated by tabs: category, key, model name,
// library, and the files there are ("INF DAT", "INF" or "DAT").
#pragma once

#include <filesystem>

namespace arbolith::cli {

// Returns the exit status: 0 listed (an empty folder lists nothing), 1 the
// folder cannot be read. Reads only: no folder or file is made.
// With `json`, one JSON document: the folder and its models, each with its
// fields apart and whether its INF and DAT files are there.
int ModelsCommand(const std::filesystem::path& modelsFolder, bool json = false);

}  // namespace arbolith::cli
