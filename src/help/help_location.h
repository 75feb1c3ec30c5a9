// SPDX-License-Identifier: MIT
// Where a library's help file is on this machine. A type library names its
// help file as its maker's system knew it: often a bare name, or a Windows
// path. The file is looked for, each time without regard to case:
//   1. the setting itself, when it is an existing Linux path;
//   2. its file name in the library's folder;
//   3. a Windows path mapped through the drives of each Wine prefix;
//   4. its file name in the HELPDIR of the library's registration in each
//      Wine prefix (by the library's GUID and version).
#pragma once

#include "platform/result.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::help {

struct HelpPlaces {
    // The library's file on this machine (the DAT file's FQLibName); "" when unknown.
    std::filesystem::path libraryFile;
    // The library's GUID and version ("{...}", "1.0", as the DAT file's
    // Library table holds them); "" when unknown.
    std::string libraryGuid;
    std::string libraryVersion;
    // The Wine prefixes to look in; empty means the usual ones
    // ($WINEPREFIX, ~/.wine, ~/.local/share/wineprefixes/*).
    std::vector<std::filesystem::path> winePrefixes;
};

// The help file found, or an error that names the setting and every place
// looked in. An empty setting is an error too.
Result<std::filesystem::path> LocateHelpFile(std::string_view setting, const HelpPlaces& places);

}  // namespace arbolith::help
