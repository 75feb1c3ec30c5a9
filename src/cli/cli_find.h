// SPDX-License-Identifier: MIT
// arbolith-cli find MODEL --object NAME | --parents NAME | --paths NAME |
// --member NAME [--whole-word] [--models DIR]: the Find menu's searches, one
// result a line on stdout, as the report window lists them (without its
// caption). --object prints the full path ("A\B\C") of every node of the
// global tree whose label matches, in the order the tree was built.
#pragma once

#include <filesystem>
#include <string>

namespace arbolith::cli {

enum class FindKind { Object, Parents, Paths, Member };

struct FindOptions {
    std::string model;  // a model key, a library file name or path
    FindKind kind = FindKind::Object;
    std::string text;
    bool wholeWord = false;              // --object and --member only
    std::filesystem::path modelsFolder;  // empty: the application's
    // One JSON document: each result's parts apart (a path as its labels,
    // a parent with its member, an object with its member). Nothing found:
    // the document lists no results, and the status is 1.
    bool json = false;
};

// Returns the exit status: 0 with results, 1 when nothing was found or the
// search failed (one line on stderr).
int FindCommand(const FindOptions& options);

}  // namespace arbolith::cli
