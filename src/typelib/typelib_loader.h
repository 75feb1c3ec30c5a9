// SPDX-License-Identifier: MIT
// Finding and loading type libraries from files: raw MSFT files, TYPELIB
// resources of PE files, and the libraries a loaded one imports.
// LoadTypeLib itself is declared in platform/typelib.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "typelib/typelib.h"

namespace arbolith {

// "path\N" split into the file and resource N; a path whose last backslash is
// not followed by digits only (or that names an existing file as a whole)
// has resource 0, meaning "the library itself, or resource 1 of a PE file".
struct LibraryLocation {
    std::string path;
    std::uint32_t resource = 0;
};
LibraryLocation SplitResourcePath(std::string_view pathWithResource);

// Loads a library from bytes already in memory; `displayName` names it in
// errors and as TypeLib::path, `folder` is where its imports are looked for
// first ("" for none).
Result<TypeLib> LoadTypeLibFromBytes(std::string_view bytes, std::string_view displayName, std::uint32_t resource,
                                     std::string_view folder, const LoadOptions& options = {});

// Load options that find imported libraries as a user expects: the
// referencing library's folder, then the type libraries registered in the
// Wine prefix `prefix` (default: $WINEPREFIX, else ~/.wine), then
// `searchPaths`. The registry is read on the first import that needs it.
LoadOptions RegistryLoadOptions(std::vector<std::string> searchPaths = {},
                                std::optional<std::filesystem::path> prefix = {});

// Forgets every library loaded for imports and every folder scanned.
void ClearTypeLibCache();

}  // namespace arbolith
