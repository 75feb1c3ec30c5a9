// SPDX-License-Identifier: MIT
// Section "NonleafCounts" of a model's INF file as the Branch Counts window
// edits it: every entry read in file order, and the whole section replaced
// in one atomic rewrite of the file.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace arbolith {

struct NonleafCount {
    std::string key;  // an object name or "<Default>"
    std::int32_t count = 0;
    bool operator==(const NonleafCount&) const = default;
};

// The section's keys in file order, each with its value read as an integer
// is read from an INI file (leading digits; none gives 0); an empty value
// reads as 6. A missing file or section gives an empty list. The section may
// be of any size.
Result<std::vector<NonleafCount>> ReadNonleafCountEntries(const std::filesystem::path& infFile);

// Replaces the section with `entries`, in their order, re-reading the file
// first so every other section and key stays as it is now. A key an INI line
// cannot hold is refused before anything is written. Two keys equal in any
// case are one key: the later count wins.
Result<void> WriteNonleafCountEntries(const std::filesystem::path& infFile, const std::vector<NonleafCount>& entries);

}  // namespace arbolith
