// SPDX-License-Identifier: MIT
// Text helpers shared by the steps that rework the walk's rows.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "extract/extraction_steps_internal.h"

namespace arbolith {

namespace extract_steps {

std::string FoldNoCase(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string_view DropFirstCharacter(std::string_view text)
{
    if (text.empty()) return text;
    std::size_t n = 1;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
    return text.substr(n);
}

namespace {

// Letters, digits, "_" and every byte of a multi-byte UTF-8 character: what
// a type name is made of.
bool IsNameByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' || b >= 0x80;
}

// The next occurrence of `find` at or after `from` that stands as a whole
// name: no name byte right before or right after it.
std::size_t FindName(std::string_view text, std::string_view find, std::size_t from)
{
    for (std::size_t at = text.find(find, from); at != std::string_view::npos; at = text.find(find, at + 1)) {
        const std::size_t end = at + find.size();
        if ((at == 0 || !IsNameByte(text[at - 1])) && (end == text.size() || !IsNameByte(text[end]))) return at;
    }
    return std::string_view::npos;
}

}  // namespace

bool ReplaceName(std::string& text, std::string_view find, std::string_view with)
{
    if (find.empty()) return false;
    std::size_t at = FindName(text, find, 0);
    if (at == std::string::npos) return false;
    std::string out;
    out.reserve(text.size() + with.size());
    std::size_t from = 0;
    while (at != std::string::npos) {
        out.append(text, from, at - from);
        out.append(with);
        from = at + find.size();
        at = FindName(text, find, from);
    }
    out.append(text, from, std::string::npos);
    const bool changed = out != text;
    text = std::move(out);
    return changed;
}

ReplacementSequence::ReplacementSequence(std::vector<std::pair<std::string, std::string>> edits)
    : m_edits(std::move(edits))
{
    // Alphabet: only bytes that occur in some search text get their own
    // class; every other byte sends the automaton back to its start.
    for (const auto& edit : m_edits)
        for (const char c : edit.first) {
            auto& cls = m_class[static_cast<unsigned char>(c)];
            if (cls == 0) cls = static_cast<std::uint8_t>(m_alphabet++);
        }

    // Trie of the search texts.
    m_next.assign(m_alphabet, -1);
    m_ends.emplace_back();
    for (std::uint32_t i = 0; i < m_edits.size(); ++i) {
        const std::string& find = m_edits[i].first;
        if (find.empty()) continue;
        std::int32_t state = 0;
        for (const char c : find) {
            const std::size_t slot =
                static_cast<std::size_t>(state) * m_alphabet + m_class[static_cast<unsigned char>(c)];
            if (m_next[slot] < 0) {
                m_next[slot] = static_cast<std::int32_t>(m_ends.size());
                m_ends.emplace_back();
                m_next.resize(m_next.size() + m_alphabet, -1);
            }
            state = m_next[slot];
        }
        m_ends[static_cast<std::size_t>(state)].push_back(i);
    }

    // Failure links, breadth first, turned into complete transitions.
    const std::size_t states = m_ends.size();
    std::vector<std::int32_t> fail(states, 0);
    m_outLink.assign(states, -1);
    std::deque<std::int32_t> queue;
    for (std::size_t c = 0; c < m_alphabet; ++c) {
        std::int32_t& to = m_next[c];
        if (to < 0) {
            to = 0;
        } else {
            fail[static_cast<std::size_t>(to)] = 0;
            queue.push_back(to);
        }
    }
    while (!queue.empty()) {
        const auto state = static_cast<std::size_t>(queue.front());
        queue.pop_front();
        for (std::size_t c = 0; c < m_alphabet; ++c) {
            std::int32_t& to = m_next[state * m_alphabet + c];
            const std::int32_t viaFail = m_next[static_cast<std::size_t>(fail[state]) * m_alphabet + c];
            if (to < 0) {
                to = viaFail;
                continue;
            }
            const auto child = static_cast<std::size_t>(to);
            fail[child] = viaFail;
            const auto f = static_cast<std::size_t>(viaFail);
            m_outLink[child] = m_ends[f].empty() ? m_outLink[f] : viaFail;
            queue.push_back(to);
        }
    }
}

void ReplacementSequence::Occurring(std::string_view text, std::vector<std::uint32_t>& found) const
{
    found.clear();
    std::size_t state = 0;
    for (const char c : text) {
        state = static_cast<std::size_t>(m_next[state * m_alphabet + m_class[static_cast<unsigned char>(c)]]);
        for (std::int32_t out = m_ends[state].empty() ? m_outLink[state] : static_cast<std::int32_t>(state); out >= 0;
             out = m_outLink[static_cast<std::size_t>(out)])
            found.insert(found.end(), m_ends[static_cast<std::size_t>(out)].begin(),
                         m_ends[static_cast<std::size_t>(out)].end());
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
}

bool ReplacementSequence::Apply(std::string& text) const
{
    if (m_edits.empty()) return false;
    std::vector<std::uint32_t> found;
    Occurring(text, found);
    bool changed = false;
    std::uint32_t nextEdit = 0;
    std::size_t k = 0;
    while (k < found.size()) {
        const std::uint32_t edit = found[k++];
        if (edit < nextEdit) continue;
        if (ReplaceName(text, m_edits[edit].first, m_edits[edit].second)) {
            // The text is new: which later edits apply must be found again.
            changed = true;
            nextEdit = edit + 1;
            Occurring(text, found);
            k = 0;
        }
    }
    return changed;
}

}  // namespace extract_steps

}  // namespace arbolith
