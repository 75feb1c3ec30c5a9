// SPDX-License-Identifier: MIT
// The four ways the Create Model Wizard finds a library, without windows:
// the type libraries registered in the Wine prefixes of this machine, a
// file browser over chosen roots, a breadth-first search of a folder tree
// for .olb and .tlb files, and the DAT files already in the models folder.
// Also the first look at a chosen library (its counts and description).
// The wizard's window and `arbolith-cli libraries` / `search` share it.
#pragma once

#include "platform/result.h"
#include "platform/wine_registry.h"
#include "typelib/typelib.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

// ---------------------------------------------------------------------------
// Wine prefixes and the registry list.

// One row of the registry list: one registered library version.
struct RegistryLibrary {
    std::string description;     // "Library" column
    std::string path;            // Linux path of the file; the Windows path when no file was found
    std::uint32_t resource = 0;  // N of a "file\N" registration, 0 when none
    bool fileExists = false;
    std::string guid;
    std::string version;  // "1.0", as the key reads
    std::filesystem::path prefix;
    bool win64 = false;
};

struct RegistryListing {
    std::vector<RegistryLibrary> libraries;
    // One line for the list when it is empty for a reason (no prefix at all:
    // suggest winecfg or the Browse tab), or when a registry file was only
    // partly readable; "" otherwise.
    std::string note;
};

// The libraries registered in the given prefixes: each version whose FLAGS
// reads "0", win32 and win64 registrations both considered (the one whose
// file exists wins, then the last numeric locale), sorted by description
// without regard to case, then path.
RegistryListing ReadRegistry(std::span<const std::filesystem::path> prefixes);

// ---------------------------------------------------------------------------
// Browse.

struct BrowseRoot {
    std::string label;  // "/", "Home", "C:" (with the prefix's name when there are several), a mount's name
    std::filesystem::path path;
    bool wineDrive = false;
};

// "/", the home folder, each drive of each prefix (dosdevices/<x>: links,
// "z:" to "/" left out as it repeats the first root) and mounted media
// (/media/$USER/*, /run/media/$USER/*, /mnt/*).
std::vector<BrowseRoot> BrowseRoots(std::span<const std::filesystem::path> prefixes);

// The three "Show" options: 0 "all", 1 "libs, execs", 2 "libs". A stored
// value other than 0, 1 or 2 reads as 2.
int NormalizeShowType(std::int64_t stored);
// Whether a file name matches the option's patterns, without regard to case.
bool MatchesShowType(std::string_view fileName, int showType);
// The files of a folder that match, by name (case-blind, then as bytes).
// Folders are left out; an unreadable folder gives an error.
Result<std::vector<std::string>> BrowseFiles(const std::filesystem::path& folder, int showType);

// ---------------------------------------------------------------------------
// Search.

struct FoundLibrary {
    std::string fileName;  // "OLB/TLBs" column
    std::string folder;    // "Path" column, ending in "/"
    bool operator==(const FoundLibrary&) const = default;
};

struct SearchProgress {
    std::int64_t foldersVisited = 0;
    std::int64_t librariesFound = 0;
};

struct SearchOutcome {
    std::vector<FoundLibrary> found;
    std::int64_t foldersVisited = 0;
    bool cancelled = false;  // stopped early; `found` holds what was found so far
};

// Breadth first from `root`: every folder is listed first (the list grows
// while it is walked, entries of a folder by name), then the files of each
// folder in that order; a file whose name ends in ".olb" or ".tlb" (any
// case) is a result. Directory symlinks are never followed; /proc, /sys,
// /dev and /run and unreadable folders are skipped; folders whose names
// begin with "." are entered only when `enterHidden` (a Wine drive's root).
// `progress` is called from the searching thread now and then; `cancel`
// is polled between folders. No limit on folders or results.
SearchOutcome FindLibraries(const std::filesystem::path& root, bool enterHidden,
                            const std::atomic<bool>* cancel = nullptr,
                            const std::function<void(const SearchProgress&)>& progress = {});

// Replaces section "WizardSearch" of the settings file with one key per
// result ("name|folder", empty value) in one atomic write; a result whose
// text cannot be an INI key is left out (the count is returned).
Result<std::size_t> SaveSearchResults(const std::filesystem::path& settingsFile, std::span<const FoundLibrary> results);
// The saved results, in their order.
std::vector<FoundLibrary> LoadSearchResults(const std::filesystem::path& settingsFile);
// "Search results for drive " + the root's label. For restored results pass
// the first result's folder instead: the label is then worked out from it
// ("C:" under a Wine prefix's drive_c, else "/").
std::string SearchCaption(std::string_view rootLabel);

// ---------------------------------------------------------------------------
// Existing DAT files.

// Base names of the DAT files of the models folder (".dat" in any case), by
// name without regard to case.
std::vector<std::string> ListDatFiles(const std::filesystem::path& modelsFolder);

struct DatFileDescription {
    std::string modelName;  // INF "ModelName", or "<unnamed>" without an INF file
    bool interfaces = false;
    bool modules = false;
    std::string text;  // lblLibDesc: the library's description, or why the DAT file cannot be read
    bool readable = false;
};
DatFileDescription DescribeDatFile(const std::filesystem::path& modelsFolder, std::string_view baseName);

// ---------------------------------------------------------------------------
// The first look at a chosen library.

enum class PrelimResult { Fine, Big, NoObjects, Error };

struct PrelimInfo {
    PrelimResult result = PrelimResult::Error;
    std::string description;  // lblLibDesc
    std::int64_t objects = 0, members = 0, enums = 0, interfaces = 0, modules = 0, coclasses = 0;
    // From the model's INF file when it exists ("Main" keys "Interfaces",
    // "Modules"); nothing otherwise.
    std::optional<bool> infInterfaces, infModules;
};

// Opens the library (resource 0 or 1: the first TYPELIB resource), counts its
// types and describes it; `infFile` is the model's INF file, which may not
// exist.
PrelimInfo GetPrelimInfo(const std::string& libraryPath, std::uint32_t resource, const std::filesystem::path& infFile,
                         const LoadOptions& load);

}  // namespace arbolith
