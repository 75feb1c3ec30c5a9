// SPDX-License-Identifier: MIT
// The Find menu without its window: finding a node of the object tree by
// (part of) its label, with Find Again continuing after the last hit; the
// parents of an object (from the DAT file's Edges); every path of the shown
// tree that ends at an object; and the objects that have a member of a given
// name or name part (from the DAT file's Functions).
//
// Nodes are searched in node-array order, the order the tree builder added
// them, not in the order the tree lists siblings. Letter case is ignored for
// ASCII letters only, in the tree as in the DAT file's queries (SQLite's
// NOCASE collation and LIKE fold nothing else): "É" does not find "é".
// Search texts are taken literally: they are bound to the queries as values,
// so quotes, "%" and "_" in them are characters like any other.
#pragma once

#include "browser/object_model.h"
#include "browser/tree_builder.h"
#include "browser/tree_display.h"
#include "platform/prompt.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace arbolith::browser {

inline constexpr std::string_view kChooseLibraryFirst = "Please choose a library first.";

inline constexpr std::string_view kFindNodeTitle = "Find Node";
inline constexpr std::string_view kFindNodeQuestion =
    "Enter node to find. Append /w for whole word search. Searches are not case sensitive.";
inline constexpr std::string_view kFindParentsTitle = "Find Parents";
inline constexpr std::string_view kFindParentsQuestion = "Enter name of object. Searches are not case sensitive.";
inline constexpr std::string_view kFindPathsTitle = "Find Paths";
inline constexpr std::string_view kFindPathsQuestion = "Enter node to find. Searches are not case sensitive.";
inline constexpr std::string_view kFindObjectsTitle = "Find Objects";
inline constexpr std::string_view kFindObjectsQuestion =
    "Enter (portion of) name of property or method. Append /w for whole word search.";

// What Find remembers between searches, also across model changes: the
// text, whether it is a whole-word search, and the position (1-based, in
// node-array order) of the last node found, 0 before the first hit.
struct FindState {
    std::string text;
    bool wholeWord = false;
    std::int32_t lastPosition = 0;
};

// An answer split into the text and the "/w" (any case) that asks for a
// whole-word search.
struct FindText {
    std::string text;
    bool wholeWord = false;
};
FindText ParseFindText(std::string_view answer);
// What the Find question proposes: the last text, with "/w" after a
// whole-word search.
std::string ProposedFindAnswer(const FindState& state);

// Whether a node's label matches, letter case aside. Without `wholeWord`
// the label contains the text. With it, the label is the text, begins with
// the text followed by a blank (a child count or flags follow), or holds the
// text in braces (a collection's member).
bool LabelMatches(std::string_view label, std::string_view text, bool wholeWord);

// The first node after position `afterPosition` (1-based; 0 searches from
// the root) whose label matches, or nothing.
std::optional<std::int32_t> FindNextNode(const TreeDisplay& tree, std::string_view text, bool wholeWord,
                                         std::int32_t afterPosition);
// Every matching node, in node-array order.
std::vector<std::int32_t> FindAllNodes(const TreeDisplay& tree, std::string_view text, bool wholeWord);

// The node's full path: the labels of its ancestors and its own, from the
// root down, joined by "\".
std::string NodePath(const TreeDisplay& tree, std::int32_t node);

enum class FindMode { First, Again };

// Find Object in Tree (First) and Find Again through the prompt. First asks
// for the text; Cancel or an empty text leaves the state as it was. The node
// found is returned and its position kept; when none matches the user is
// told ("No match to ..." or "No more matches to ...") and the position
// stays. Without an open model the user is asked to choose one.
std::optional<std::int32_t> FindNode(FindState& state, FindMode mode, bool modelOpen, const TreeDisplay& tree,
                                     Prompt& prompt);

// The result of one of the three list searches. With lines, `caption` is
// the report window's caption; without, `message` is what the user is told
// (nothing found, or why the search failed) with `icon`.
struct FindResults {
    std::vector<std::string> lines;
    std::string caption;
    std::string message;
    PromptIcon icon = PromptIcon::None;
    bool failed = false;
    // Each line's parts, for callers that want them apart. Parents: the
    // parent and the member that leads to the object. Objects with a member:
    // the object and the member's name ("" in a whole-word search, where it
    // is the text asked for). Paths: the node each line is the path of.
    std::vector<std::pair<std::string, std::string>> parts;
    std::vector<std::int32_t> nodes;
};

// The parents of an object: "parent   label" per edge that leads to it,
// ordered by parent. The DAT file is opened read-only, never created.
FindResults FindParents(const std::filesystem::path& datFile, std::string_view name);
// The full path of every node of the shown tree whose object has that name,
// in node-array order.
FindResults FindPaths(const ObjectModel& model, std::span<const NodeRecord> nodes, const TreeDisplay& tree,
                      std::string_view name);
// The objects with a member of that name (whole word: one line per object)
// or whose name contains the text (one line per object and member name),
// ordered by object.
FindResults FindObjectsWithMember(const std::filesystem::path& datFile, std::string_view text, bool wholeWord);

// The three list searches through the prompt: they ask their question,
// end silently on Cancel or an empty answer, tell the user when nothing is
// found or the search failed, and otherwise return the results to show.
std::optional<FindResults> AskFindParents(const std::filesystem::path& datFile, Prompt& prompt);
std::optional<FindResults> AskFindPaths(const ObjectModel& model, std::span<const NodeRecord> nodes,
                                        const TreeDisplay& tree, Prompt& prompt);
std::optional<FindResults> AskFindObjectsWithMember(const std::filesystem::path& datFile, Prompt& prompt);

}  // namespace arbolith::browser
