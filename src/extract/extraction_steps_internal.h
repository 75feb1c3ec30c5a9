// SPDX-License-Identifier: MIT
// Helpers shared by the steps that rework the walk's rows (coclass
// replacement, table processing, edge creation). Not part of the extraction
// interface; declared here so tests can reach them.
#pragma once

#include "platform/text_encoding.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace arbolith::extract_steps {

// The text as the store's NOCASE collation sees it: ASCII letters folded to
// lower case, every other byte kept.
std::string FoldNoCase(std::string_view text);

// Order of the store's NOCASE collation (platform/text_encoding.h).
using arbolith::CompareNoCase;

// The text without its first character (one UTF-8 sequence); "" stays "".
std::string_view DropFirstCharacter(std::string_view text);

// Replaces every occurrence of the name `find` in `text` by `with`, left to
// right, without looking again at inserted text. Only whole names count:
// "IFoo" is replaced in "As IFoo)" but not inside "IFooBar" or "pIFoo"
// (letters, digits, "_" and non-ASCII bytes make up a name). Case-sensitive.
// Returns true when the text changed. An empty `find` changes nothing.
bool ReplaceName(std::string& text, std::string_view find, std::string_view with);

// A fixed list of name replacements, applied one after the other to a text,
// each to the result of the one before: exactly what running ReplaceName
// for edit 0, then edit 1, ... gives. Meant for many texts and many edits: one
// pass of a string-matching automaton finds which edits can apply, so a text
// that holds none of the searched names costs one scan, not one per edit.
class ReplacementSequence {
public:
    explicit ReplacementSequence(std::vector<std::pair<std::string, std::string>> edits);

    // Returns true when the text changed.
    bool Apply(std::string& text) const;
    bool Empty() const { return m_edits.empty(); }

private:
    // Indexes of the edits whose search text occurs in `text`, ascending.
    void Occurring(std::string_view text, std::vector<std::uint32_t>& found) const;

    std::vector<std::pair<std::string, std::string>> m_edits;
    std::uint8_t m_class[256] = {};  // byte -> alphabet class; 0 for bytes no pattern uses
    std::size_t m_alphabet = 1;
    std::vector<std::int32_t> m_next;                // state * m_alphabet + class -> state
    std::vector<std::int32_t> m_outLink;             // nearest suffix state with patterns ending there, or -1
    std::vector<std::vector<std::uint32_t>> m_ends;  // patterns ending exactly at a state
};

}  // namespace arbolith::extract_steps
