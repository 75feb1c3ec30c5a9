// SPDX-License-Identifier: MIT
// The differences between two models, grouped per object (and per
// enumeration) in a stable order: sections sorted by name without regard to
// case, as the model keys its objects; within a section the members added,
// removed and changed, then the edges to children added, removed and
// relabelled. Equal models give no sections at all.
#pragma once

#include "diff/model_facts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace arbolith::diff {

enum class Change { Added, Removed, Changed };

// "added", "removed", "changed".
std::string_view ChangeName(Change change);

// One field of a pair that differs: "declaration", "access", "invoke kind",
// "hidden state", "doc string", "collection of", "type kind", "default
// member", "collection", "label", "value".
struct FieldChange {
    std::string field;
    std::string before;
    std::string after;
};

struct MemberChange {
    Change change = Change::Changed;
    std::string name;
    std::string invokeType;   // the new one when the invoke kind changed
    std::string declaration;  // of the member added or removed
    std::vector<FieldChange> fields;
};

struct EdgeChange {
    Change change = Change::Changed;
    std::string child;
    std::string label;  // of the edge added or removed
    std::vector<FieldChange> fields;
};

struct ObjectDiff {
    std::string name;
    Change change = Change::Changed;
    std::int64_t memberCount = 0;  // of an object added or removed
    std::vector<FieldChange> fields;
    std::vector<MemberChange> members;
    std::vector<EdgeChange> edges;
};

struct ConstantChange {
    Change change = Change::Changed;
    std::string constant;
    std::string value;  // of the constant added or removed ("" when it has none)
    std::vector<FieldChange> fields;
};

struct EnumDiff {
    std::string name;
    Change change = Change::Changed;
    std::int64_t constantCount = 0;  // of an enumeration added or removed
    std::vector<ConstantChange> constants;
};

// Counts over the whole comparison. Members, edges and constants count
// inside objects and enumerations both models have, and edges leaving them;
// an object added or removed counts once, as an object.
struct ChangeCounts {
    std::int64_t added = 0;
    std::int64_t removed = 0;
    std::int64_t changed = 0;
    std::int64_t Total() const { return added + removed + changed; }
};
struct DiffSummary {
    ChangeCounts objects, members, edges, enums, constants;
    std::int64_t Total() const
    {
        return objects.Total() + members.Total() + edges.Total() + enums.Total() + constants.Total();
    }
};

struct ModelDiff {
    std::vector<ObjectDiff> objects;
    std::vector<EnumDiff> enums;
    DiffSummary summary;
    bool Empty() const { return objects.empty() && enums.empty(); }
};

// What changed from `before` to `after`.
ModelDiff CompareModels(const ModelFacts& before, const ModelFacts& after);

}  // namespace arbolith::diff
