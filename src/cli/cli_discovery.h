// SPDX-License-Identifier: MIT
// arbolith-cli's libraries and scan commands: the wizard's registry list
// and drive search, printed one library a line. Each returns the exit
// status: 0 done, 1 failed.
#pragma once

#include <filesystem>
#include <vector>

namespace arbolith::cli {

struct LibrariesOptions {
    std::vector<std::filesystem::path> prefixes;  // empty: every Wine prefix found
    // One JSON document: each library version with its fields apart, its
    // GUID, prefix and whether its file is there.
    bool json = false;
};

struct SearchOptions {
    std::filesystem::path root;
    bool hidden = false;  // enter folders whose names begin with "."
};

// One line per registered library version: description, version, Linux
// path (the Windows path when the file is missing) and resource number,
// separated by tabs. Why the list is empty or partial goes to stderr.
int LibrariesCommand(const LibrariesOptions& options);

// One line per .olb or .tlb file found below the root, its full path, in
// the search's order (breadth first, each folder's files by name); a count
// of folders and libraries to stderr at the end.
int SearchCommand(const SearchOptions& options);

}  // namespace arbolith::cli
