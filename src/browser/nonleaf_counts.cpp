// SPDX-License-Identifier: MIT
#include "browser/nonleaf_counts.h"

#include "platform/ini.h"
#include "platform/profile.h"

#include <algorithm>
#include <limits>

namespace arbolith {

namespace {

constexpr const char* kSection = "NonleafCounts";
constexpr std::int32_t kUnreadableCount = 6;

std::int32_t ReadCount(std::string_view value)
{
    const auto number = ParseIniNumber(value);
    if (!number) return kUnreadableCount;
    // Held within 32 bits: the window shows what it read, and a limit that
    // large means "unlimited" to the tree all the same.
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(*number, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

Result<std::vector<NonleafCount>> ReadNonleafCountEntries(const std::filesystem::path& infFile)
{
    auto doc = ProfileDocument::Load(infFile);
    if (!doc) return doc.error();
    std::vector<NonleafCount> entries;
    for (auto& [key, value] : doc->SectionEntries(kSection)) entries.push_back({std::move(key), ReadCount(value)});
    return entries;
}

Result<void> WriteNonleafCountEntries(const std::filesystem::path& infFile, const std::vector<NonleafCount>& entries)
{
    for (const NonleafCount& e : entries)
        if (const std::string reason = InvalidKeyNameReason(e.key); !reason.empty())
            return Error::Model("the branch count key \"" + e.key + "\" cannot be written: " + reason);
    auto doc = ProfileDocument::Load(infFile);
    if (!doc) return doc.error();
    doc->DeleteSection(kSection);
    for (const NonleafCount& e : entries) doc->Set(kSection, e.key, std::to_string(e.count));
    return doc->Save(infFile);
}

}  // namespace arbolith
