// SPDX-License-Identifier: MIT
#include "dialogs/sprigs_values.h"

#include "platform/ini.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <charconv>

namespace arbolith {

namespace {

bool SameKey(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) {
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

std::optional<NonleafCount> ParseBranchEntry(std::string_view text)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = TrimView(text.substr(0, equals));
    if (key.empty() || !InvalidKeyNameReason(key).empty()) return std::nullopt;
    const std::string_view count = TrimView(text.substr(equals + 1));
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), value);
    if (count.empty() || ec != std::errc() || end != count.data() + count.size()) return std::nullopt;
    if (value < 0 || value > kMaxBranchCount) return std::nullopt;
    return NonleafCount{std::string(key), value};
}

std::string BranchEntryText(const NonleafCount& entry)
{
    return entry.key + " = " + std::to_string(entry.count);
}

BranchCountList::BranchCountList(const std::vector<NonleafCount>& entries) : m_entries(entries)
{
    m_lines.reserve(entries.size());
    for (const NonleafCount& e : entries) m_lines.push_back(BranchEntryText(e));
}

std::vector<NonleafCount> BranchCountList::Entries() const
{
    return m_entries;
}

std::optional<std::size_t> BranchCountList::FindKey(std::string_view key) const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (SameKey(m_entries[i].key, key)) return i;
    return std::nullopt;
}

std::size_t BranchCountList::Add(const NonleafCount& entry, std::string text)
{
    if (const auto row = FindKey(entry.key)) {
        m_entries[*row] = entry;
        m_lines[*row] = std::move(text);
        return *row;
    }
    m_entries.push_back(entry);
    m_lines.push_back(std::move(text));
    return m_lines.size() - 1;
}

std::size_t BranchCountList::Edit(std::size_t row, const NonleafCount& entry, std::string text)
{
    Delete(row);
    if (const auto other = FindKey(entry.key)) Delete(*other);
    m_entries.push_back(entry);
    m_lines.push_back(std::move(text));
    return m_lines.size() - 1;
}

void BranchCountList::Delete(std::size_t row)
{
    if (row >= m_lines.size()) return;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(row));
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(row));
}

}  // namespace arbolith
