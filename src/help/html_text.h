// SPDX-License-Identifier: MIT
// Plain text out of a help page's HTML: the page's title, and its visible
// text with the markup, scripts, styles and comments left out and character
// references decoded. Help pages are small, hand-made HTML; this is no full
// HTML parser, but it reads any bytes without fault, unclosed tags and
// comments included.
#pragma once

#include <string>
#include <string_view>

namespace arbolith::help {

// The text of the first <title> element, references decoded and white
// space collapsed; "" when the page has none.
std::string HtmlTitle(std::string_view html);

// The page's visible text: one line per block (paragraph, heading, list
// item, table row, line break), runs of white space collapsed to one space,
// empty lines dropped, lines joined by "\n". The title is not part of it.
std::string HtmlToText(std::string_view html);

// "&amp;", "&#233;", "&#xE9;" and the common named references replaced by
// their characters (UTF-8); anything not understood is kept as written.
std::string DecodeCharacterReferences(std::string_view text);

// The text with &, <, > and " written as references, for HTML we make.
std::string EscapeHtml(std::string_view text);

}  // namespace arbolith::help
