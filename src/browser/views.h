// SPDX-License-Identifier: MIT
// Saved views: the state of the object tree kept in a text file of the
// views folder, so that the same tree can be built again later. A view
// holds the model's key, every object's branch limit, the seeds the tree was
// built from and which of its nodes were expanded.
//
// The file is text with CR LF line ends and no line end after its last line:
//   1        the model key
//   2        each object's branch limit followed by ":" ("3:3:10:")
//   3        the seed count between two blanks (" 2 ")
//   then     one line "SP:[name]" per seed (the start path)
//   then     13 tagged lines per seed, "01:" to "13:" (see ViewSeed)
//   last     one "1" or "0" per tree node: expanded or not
// Reading checks the whole file before anything uses it, so a damaged file
// is refused with its fault named and changes nothing.
#pragma once

#include "browser/image_codes.h"
#include "browser/object_model.h"
#include "browser/tree_builder.h"
#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::browser {

inline constexpr std::string_view kViewExtension = "zvv";
// A view holds the path from the root to the chosen node: at most the depth
// cap plus one nodes.
inline constexpr std::size_t kMaxViewSeeds = 101;

// One seed as the file keeps it: where it sits in the start path and the
// texts of its object at saving time. Only the object key, level, image and
// origin are used to build the tree again; the texts make the file readable
// and let the Load View dialog show the start path without the model.
struct ViewSeed {
    bool isCollection = false;  // 01
    std::int32_t index = 0;     // 02: the seed's position
    std::int32_t level = 0;     // 03
    std::int64_t object = 0;    // 04: the object's Key
    std::int32_t parent = -1;   // 05: the seed before it; -1 for the root
    std::string docString;      // 06
    std::string helpId;         // 07
    std::string hiddenState;    // 08
    NodeImage image;            // 09: stored as its key ("OnColHid")
    std::string member;         // 10: "{Contained}" for a collection
    std::string name;           // 11
    std::string nameExtra;      // 12
    std::string origin;         // 13: the label of the edge that led to it

    bool operator==(const ViewSeed&) const = default;
};

struct ViewFile {
    std::string modelKey;
    std::vector<std::int32_t> branchLimits;  // in object-array order
    std::vector<ViewSeed> seeds;             // root first
    std::vector<bool> expanded;              // per tree node, in node order

    bool operator==(const ViewFile&) const = default;
};

// The file's bytes. Line breaks inside texts become blanks, so every field
// stays on its own line.
std::string FormatView(const ViewFile& view);
// Reads and checks a whole file. A file whose text is not UTF-8 is read as
// Windows-1252. A line end after the last line is allowed, as are LF line
// ends.
Result<ViewFile> ParseView(std::string_view bytes);

// ---- Between a view and a model ------------------------------------------

// The seed record of node `seed` (at position `index` of the start path).
ViewSeed MakeViewSeed(const ObjectModel& model, const NodeRecord& seed, std::int32_t index);
// The seeds to build from, checked against `model`: every object key must
// name an object of the model. Each seed after the first is reached by the
// edge from the seed before it that has the stored origin (or, when the
// model has changed, any edge between the two objects).
Result<std::vector<NodeRecord>> ViewSeedNodes(const ObjectModel& model, std::span<const ViewSeed> seeds);
// Gives the objects the stored branch limits by position; objects beyond
// the stored ones keep theirs.
void ApplyViewBranchLimits(std::span<const std::int32_t> limits, std::vector<ObjectRecord>& objects);

// ---- The views folder -----------------------------------------------------

// Why a view name cannot be used, "" when it can. A name becomes a file
// name of the views folder: it must not be empty, name a folder or carry
// an extension, so ".", "/", "\", NUL and control characters are refused.
std::string InvalidViewNameReason(std::string_view name);

// The file of view `name`: an existing one whose name matches without
// regard to case, else the name with ".zvv" (for creating it).
std::filesystem::path ViewFilePath(const std::filesystem::path& viewsFolder, std::string_view name);

struct ViewEntry {
    std::string name;  // the file name without ".zvv"
    std::filesystem::path file;
    bool operator==(const ViewEntry&) const = default;
};
// Every ".zvv" file of the folder (the extension in any case), sorted by
// name without regard to case. A missing folder has no views.
Result<std::vector<ViewEntry>> ListViews(const std::filesystem::path& viewsFolder);

Result<ViewFile> ReadViewFile(const std::filesystem::path& file);
// Replaces the file whole (the old one stays when writing fails); makes
// the views folder when it is missing.
Result<void> WriteViewFile(const std::filesystem::path& file, const ViewFile& view);
Result<void> DeleteViewFile(const std::filesystem::path& file);

}  // namespace arbolith::browser
