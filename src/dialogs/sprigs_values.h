// SPDX-License-Identifier: MIT
// The Branch Counts window's list without the window: the entries as the
// user sees them ("Application = 3"), the check of a typed entry, and the
// add, edit and delete rules that keep one entry per key.
#pragma once

#include "browser/nonleaf_counts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

inline constexpr std::int32_t kMaxBranchCount = 100;

// A typed entry "key=count": the key trimmed and non-empty, a name an INI
// line can hold (no "=", line break, leading "[" or ";"), the count a whole
// number from 0 to 100. Nothing for anything else.
std::optional<NonleafCount> ParseBranchEntry(std::string_view text);

// "key = count", as the list shows an entry read from the file.
std::string BranchEntryText(const NonleafCount& entry);

class BranchCountList {
public:
    BranchCountList() = default;
    explicit BranchCountList(const std::vector<NonleafCount>& entries);

    const std::vector<std::string>& Lines() const { return m_lines; }
    // The entries to write, in list order.
    std::vector<NonleafCount> Entries() const;

    // Adds a checked entry as typed. An entry of the same key (in any case)
    // is replaced where it stands; otherwise the entry goes at the end.
    // Returns its row.
    std::size_t Add(const NonleafCount& entry, std::string text);
    // Removes row `row` and adds the edited entry at the end, taking the
    // place of any other entry of its key. Returns its row.
    std::size_t Edit(std::size_t row, const NonleafCount& entry, std::string text);
    void Delete(std::size_t row);

private:
    std::optional<std::size_t> FindKey(std::string_view key) const;

    std::vector<std::string> m_lines;
    std::vector<NonleafCount> m_entries;  // parallel to m_lines
};

}  // namespace arbolith
