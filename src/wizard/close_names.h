// SPDX-License-Identifier: MIT
// Names close to a name that was asked for and not found: what a user most
// likely meant when a top object's name is mistyped. Plain text in, plain
// text out, so a command line and a window can both offer the choices.
#pragma once

#include "platform/result.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

// Up to `limit` of `names`, best first. A name qualifies, in this order of
// rank, when it equals `wanted` but for letter case, starts with it, holds
// it, or lies within a small number of single-letter edits of it (a third
// of the longer name, at least one); letter case never counts. Within a
// rank the nearer edit distance comes first, then the shorter name, then
// the order of `names`. Each name is offered once. An empty `wanted`
// matches nothing.
std::vector<std::string> CloseNames(std::string_view wanted, std::span<const std::string> names, std::size_t limit = 5);

// The names of the library's own objects in a DAT file, in key order; the
// objects an earlier model making added are left out, as the next making
// removes them.
Result<std::vector<std::string>> LibraryObjectNames(const std::filesystem::path& datFile);

}  // namespace arbolith
