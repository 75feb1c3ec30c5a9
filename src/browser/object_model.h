// SPDX-License-Identifier: MIT
// A model's object graph in memory: every row of the DAT file's Objects table
// and every row of its Edges table, plus the branch limits from the INF file.
// The tree builder works on these arrays only; the member panes go back to the
// DAT file for each object they show.
//
// Objects are held in ascending Key order, so in a well-formed file (keys
// 0, 1, 2, ...) an object's position equals its Key. Edges name objects by
// Key; loading turns those keys into positions once, so a file whose keys have
// gaps, repeats or wild values still links each edge to the right object, and
// an edge whose key names no object is kept but leads nowhere.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace arbolith::browser {

// One row of Objects. A Null column leaves the field at its default.
struct ObjectRecord {
    std::int64_t key = 0;
    std::string name;
    std::string nameX;
    bool isCollection = false;
    std::string memberName;  // the contained object of a collection
    std::string helpId;
    std::string helpFile;
    std::string docString;
    std::int64_t cFunctions = 0;
    std::int64_t cChildObjects = 0;
    std::int64_t cChildObjectsNotHid = 0;
    std::int32_t branchLimit = 0;  // set by ReadNonleafCounts
    std::string defaultName;
    std::string hiddenState;  // "H" marks a hidden object
    std::string flags;        // "/word/word/" or ""
    bool isCustom = false;
    bool isExternal = false;
};

// One row of Edges, its keys turned into object positions.
struct EdgeRecord {
    std::int32_t parent = -1;  // -1: Null, or a key that names no object
    std::int32_t child = -1;
    std::string label;  // the parent's member that returns the child, or ""
};

// Branch limits are kept within this range: together with the depth cap it
// is what keeps the tree of a cyclic graph finite (a tree has at most
// 1 + kMaxBranchLimit x edges nodes).
inline constexpr std::int32_t kMaxBranchLimit = 100;
inline constexpr std::string_view kDefaultBranchKey = "<Default>";

class ObjectModel {
public:
    std::vector<ObjectRecord> objects;
    std::vector<EdgeRecord> edges;

    // Reloads the objects ("SELECT * From Objects ORDER BY Key"). On failure
    // the objects read so far stay. Edges must be reloaded after this, as
    // they are resolved against the objects.
    Result<void> FillObjectsArray(const std::filesystem::path& datFile);
    // Reloads the edges in the table's own order. On failure the edges read
    // so far stay.
    Result<void> FillEdgesArray(const std::filesystem::path& datFile);

    // For arrays filled by hand (synthetic models): indexes the keys and the
    // edges, whose parent and child are already positions.
    void Reindex();

    // The position of the first object with that Key, if any.
    std::optional<std::int32_t> PositionOfKey(std::int64_t key) const;

    // Edges whose parent is that object, as indexes into `edges`, in
    // edge-array order. Built by FillEdgesArray.
    struct EdgeRange {
        const std::int32_t* first;
        const std::int32_t* last;
        const std::int32_t* begin() const { return first; }
        const std::int32_t* end() const { return last; }
    };
    EdgeRange EdgesFrom(std::int32_t object) const;

    // Edges whose parent or child key named no object (or was Null).
    std::size_t UnlinkedEdgeCount() const { return m_unlinkedEdges; }

private:
    void IndexKeys();
    void IndexEdges();

    bool m_keysAreRunning = true;  // keys are exactly 0 .. n-1: position == key
    std::unordered_map<std::int64_t, std::int32_t> m_keyPositions;
    std::vector<std::int32_t> m_edgeStart;  // per object: first slot in m_edgeIds; one extra at the end
    std::vector<std::int32_t> m_edgeIds;
    std::size_t m_unlinkedEdges = 0;
};

// Sets every object's branch limit from section "NonleafCounts" of the INF
// file: the object's own entry (keys compare without regard to case), else
// "<Default>", else `defaultDepth`. An entry that is not a number from 0 to
// 100 is passed over; a missing or unreadable INF file leaves every object at
// the default. Never fails.
void ReadNonleafCounts(const std::filesystem::path& infFile, std::int32_t defaultDepth,
                       std::vector<ObjectRecord>& objects);

}  // namespace arbolith::browser
