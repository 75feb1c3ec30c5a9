// SPDX-License-Identifier: MIT
#include "wizard/close_names.h"

#include "platform/database.h"
#include "platform/text_encoding.h"
#include "store/dat_schema.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace arbolith {
namespace {

enum Rank : std::uint8_t { kEqual, kPrefix, kInside, kNear, kNone };

// Edits between two names: letters inserted, deleted or replaced, and two
// neighbours swapped (the commonest slip in typing). Works row by row and
// gives up, returning bound + 1, once a whole row exceeds `bound`.
std::size_t EditDistance(std::string_view a, std::string_view b, std::size_t bound)
{
    if (a.size() > b.size()) std::swap(a, b);
    if (b.size() - a.size() > bound) return bound + 1;
    std::vector<std::size_t> before(a.size() + 1), previous(a.size() + 1), row(a.size() + 1);
    for (std::size_t i = 0; i <= a.size(); ++i) previous[i] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
        row[0] = j;
        std::size_t smallest = row[0];
        for (std::size_t i = 1; i <= a.size(); ++i) {
            const std::size_t replace = previous[i - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[i] = std::min({previous[i] + 1, row[i - 1] + 1, replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[i] = std::min(row[i], before[i - 2] + 1);
            smallest = std::min(smallest, row[i]);
        }
        if (smallest > bound) return bound + 1;
        std::swap(before, previous);
        std::swap(previous, row);
    }
    return previous[a.size()];
}

struct Candidate {
    Rank rank;
    std::size_t distance;
    std::size_t length;
    std::size_t order;
    bool operator<(const Candidate& o) const
    {
        if (rank != o.rank) return rank < o.rank;
        if (distance != o.distance) return distance < o.distance;
        if (length != o.length) return length < o.length;
        return order < o.order;
    }
};

}  // namespace

std::vector<std::string> CloseNames(std::string_view wanted, std::span<const std::string> names, std::size_t limit)
{
    const std::string want = AsciiLower(TrimView(wanted));
    if (want.empty() || limit == 0) return {};
    std::vector<Candidate> found;
    std::unordered_set<std::string_view> seen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].empty() || !seen.insert(names[i]).second) continue;
        const std::string name = AsciiLower(names[i]);
        const std::size_t bound = std::max<std::size_t>(1, std::max(name.size(), want.size()) / 3);
        const std::size_t distance = EditDistance(want, name, bound);
        Rank rank = kNone;
        if (name == want)
            rank = kEqual;
        else if (name.starts_with(want))
            rank = kPrefix;
        else if (name.find(want) != std::string::npos)
            rank = kInside;
        else if (distance <= bound)
            rank = kNear;
        if (rank != kNone) found.push_back({rank, distance, name.size(), i});
    }
    const std::size_t kept = std::min(limit, found.size());
    std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(kept), found.end());
    std::vector<std::string> out;
    out.reserve(kept);
    for (std::size_t i = 0; i < kept; ++i) out.push_back(names[found[i].order]);
    return out;
}

Result<std::vector<std::string>> LibraryObjectNames(const std::filesystem::path& datFile)
{
    auto db = OpenDatFile(datFile, true);
    if (!db) return db.error();
    auto stmt = db->Prepare("SELECT Name FROM Objects WHERE coalesce(IsCustom, 0) = 0 ORDER BY Key");
    if (!stmt) return stmt.error();
    std::vector<std::string> names;
    for (;;) {
        auto step = stmt->Step();
        if (!step) return step.error();
        if (!*step) break;
        names.push_back(stmt->Text(0));
    }
    return names;
}

}  // namespace arbolith
