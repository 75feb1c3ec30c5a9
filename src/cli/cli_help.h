// SPDX-License-Identifier: MIT
// arbolith-cli help FILE [ID]: a topic of a help file as plain text, its
// title on the first line and its text below. ID is a context number
// ("1000") or "_" and a keyword ("_Open"); without it the file's default
// topic is printed.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace arbolith::cli {

struct HelpOptions {
    std::filesystem::path file;
    std::optional<std::string> id;
    // One JSON document: the topic's title, its text and, for a compiled
    // HTML file, the page's path inside it.
    bool json = false;
};

// Returns the exit status: 0 printed; 1 the file or topic cannot be read,
// or the id names nothing (one line on stderr says why).
int HelpCommand(const HelpOptions& options);

}  // namespace arbolith::cli
