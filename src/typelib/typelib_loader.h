// SPDX-License-Identifier: MIT
// Finding and loading type libraries from files: raw MSFT or SLTG files, TYPELIB
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

// Where libraries that a loaded library imports are looked for, after the
// importing library's own folder, in this order: the libraries registered
// in a Wine prefix, `folders`, the Wine installation's own library folders,
// and the folder of libraries Arbolith ships (its own stdole2.tlb), so that
// a library copied from Windows resolves its imports on any machine.
struct ImportSearch {
    std::vector<std::string> folders;
    bool registry = true;
    std::optional<std::filesystem::path> prefix;  // default: $WINEPREFIX, else ~/.wine
    bool wineFolders = true;
    bool shippedFolder = true;
};
LoadOptions ImportLoadOptions(ImportSearch search);

// The usual search: the registry of `prefix`, then `searchPaths`, then the
// Wine folders and the shipped folder. The registry is read on the first
// import that needs it.
LoadOptions RegistryLoadOptions(std::vector<std::string> searchPaths = {},
                                std::optional<std::filesystem::path> prefix = {});

// The folders of Windows libraries that a Wine installation holds, those of
// them that exist: Debian's 64-bit and 32-bit ones first.
std::vector<std::string> WineLibraryFolders();

// The folder of type libraries shipped with Arbolith, beside the running
// program's folder (share/arbolith/typelibs next to bin/, in a build tree
// and once installed); nullopt when it does not exist.
std::optional<std::string> ShippedTypeLibFolder();

// Forgets every library loaded for imports and every folder scanned.
void ClearTypeLibCache();

}  // namespace arbolith
