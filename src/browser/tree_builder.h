// SPDX-License-Identifier: MIT
// Unrolling the object graph into a finite tree.
//
// An object model is a graph: an object is reached from many parents and
// through cycles. The builder walks it breadth-first from the seeds, limited
// by depth (maxLevel), by how often each object may be expanded (its branch
// limit) and by the model's rules for the top object and for hidden and
// external objects. With branch limits of at most 100, a tree holds at most
// 1 + 100 x edges nodes beyond its seeds.
//
// Nodes are small: they name their object and the edge that led to them, and
// every text (name, origin, member, flags) is read from the object model when
// it is shown. A million nodes take about 20 MB.
#pragma once

#include "browser/image_codes.h"
#include "browser/object_model.h"
#include "platform/progress.h"
#include "platform/result.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::browser {

// One node of the tree. Its index in the node array is its identity; index 0
// is the root.
struct NodeRecord {
    std::int32_t object = -1;  // position in the object array; -1 only for the flat view's root
    std::int32_t parent = -1;  // index of the parent node; -1 for the root
    std::int32_t level = 0;    // 0 for the root
    std::int32_t edge = -1;    // the edge that led here (its label is the origin); -1 for the root and seeds
    // Chosen by NodeImageFor (image_codes.h); without the "Hid" variants for
    // the global view's root and the flat view. "OffObj" until set.
    NodeImage image;
    bool hiddenMark = false;  // flat view: " (H)" follows the name of a hidden object

    bool operator==(const NodeRecord&) const = default;
};

// The rules of one build.
struct BuildRules {
    std::string topObjectName;  // compared without regard to case
    bool topOnlyOnce = false;   // the top object appears only as the root
    bool showHidden = true;
    bool showExternal = true;
};

inline constexpr std::int32_t kMaxLevel = 100;
inline constexpr std::string_view kFlatRootName = "<<flat>>";
// A safety net for damaged files whose edge tables are enormous: a build stops
// with an error at this many nodes instead of exhausting memory.
inline constexpr std::size_t kMaxTreeNodes = 32'000'000;

// Builds `nodes` from the seeds: copies them, then expands the last seed and
// every node appended after it, in order, until the depth cap. Siblings are
// appended in edge-array order. An object is expanded at most its branch
// limit times in one build (the earliest nodes that reach it in
// breadth-first order get its children; later ones stay leaves). Edges to
// an object that the rules leave out are skipped. On failure the nodes built
// so far stay. `progress`, when given, is yielded to now and then.
Result<void> CreateNodes(const ObjectModel& model, std::span<const NodeRecord> seeds, std::int32_t maxLevel,
                         const BuildRules& rules, std::vector<NodeRecord>& nodes, ProgressSink* progress = nullptr);

// The seed of the global tree: the top object as root.
NodeRecord RootSeed(const ObjectModel& model, std::int32_t topObject);

// The flat tree: a root "<<flat>>" with every object below it once, in
// ascending binary order of names (ties in array order). Hidden, external
// and top objects all appear; a hidden one's name is shown with " (H)".
std::vector<NodeRecord> CreateFlatNodes(const ObjectModel& model);

// Node texts read from the object model.
std::string NodeName(const ObjectModel& model, const NodeRecord& node);
const ObjectRecord* NodeObject(const ObjectModel& model, const NodeRecord& node);
std::string_view NodeOrigin(const ObjectModel& model, const NodeRecord& node);
// "{" + the contained object + "}" for a collection, else "".
std::string NodeMember(const ObjectModel& model, const NodeRecord& node);

}  // namespace arbolith::browser
