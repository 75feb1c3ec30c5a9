// SPDX-License-Identifier: MIT
#include "help/help_location.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"
#include "platform/wine_registry.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <set>
#include <system_error>

namespace arbolith::help {

namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const fs::path& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

// A Linux path with each part after the root matched without regard to
// case; nothing when a part is missing.
std::optional<fs::path> FindPathNoCase(const fs::path& absolute)
{
    fs::path found = absolute.root_path();
    for (const fs::path& part : absolute.lexically_normal().relative_path()) {
        if (part.empty()) continue;
        found = FindEntryNoCase(found, part.string());
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(found, ec))) return std::nullopt;
    }
    return found;
}

bool IsWindowsPath(std::string_view text)
{
    if (text.size() < 3 || text[1] != ':' || (text[2] != '\\' && text[2] != '/')) return false;
    const char letter = text[0];
    return (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
}

// "1.0" as the DAT file writes a version: decimal major and minor.
std::optional<std::pair<std::uint16_t, std::uint16_t>> ParseVersion(std::string_view text)
{
    const std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    std::uint16_t major = 0, minor = 0;
    const auto whole = [](std::string_view digits, std::uint16_t& value) {
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return !digits.empty() && error == std::errc() && end == digits.data() + digits.size();
    };
    if (!whole(text.substr(0, dot), major) || !whole(text.substr(dot + 1), minor)) return std::nullopt;
    return std::pair{major, minor};
}

}  // namespace

Result<fs::path> LocateHelpFile(std::string_view setting, const HelpPlaces& places)
{
    const std::string wanted = Trim(setting);
    if (wanted.empty()) return Error::FileSystem(ENOENT, "no help file is named");

    std::vector<std::string> lookedIn;
    // The file name alone: a relative setting ("..\\x\\a.chm") never leads
    // outside the folders looked in.
    const std::string name = GetFileNamePart(wanted);
    const bool usableName = !name.empty() && name != "." && name != "..";

    // 1. A Linux path.
    if (wanted.front() == '/') {
        lookedIn.push_back(wanted);
        if (auto found = FindPathNoCase(fs::path(wanted)); found && IsRegularFile(*found)) return *found;
    }

    // 2. The library's folder.
    if (usableName && !places.libraryFile.empty()) {
        const fs::path folder = places.libraryFile.parent_path();
        lookedIn.push_back("the library's folder " + folder.string());
        const fs::path candidate = FindEntryNoCase(folder, name);
        if (IsRegularFile(candidate)) return candidate;
    }

    // 3 and 4. The Wine prefixes: the Windows path through each prefix's
    // drives, then the HELPDIR of the library's registration.
    const bool windowsPath = IsWindowsPath(wanted);
    const auto version = ParseVersion(Trim(places.libraryVersion));
    const bool registration = usableName && !Trim(places.libraryGuid).empty() && version;
    if (windowsPath || registration) {
        const std::vector<fs::path> prefixes = places.winePrefixes.empty() ? FindWinePrefixes() : places.winePrefixes;
        for (const fs::path& prefix : prefixes) {
            const WineRegistry registry = WineRegistry::Open(prefix);
            if (windowsPath) {
                lookedIn.push_back(wanted + " in the Wine prefix " + prefix.string());
                if (auto mapped = registry.MapWindowsPath(wanted); mapped && IsRegularFile(*mapped))
                    return fs::path(*mapped);
            }
            if (!registration) continue;
            const auto lib = registry.Find(Trim(places.libraryGuid), version->first, version->second);
            if (!lib || Trim(lib->helpDir).empty()) continue;
            lookedIn.push_back("the library's help folder " + lib->helpDir + " in the Wine prefix " + prefix.string());
            auto folder = registry.MapWindowsPath(Trim(lib->helpDir));
            if (!folder) continue;
            const fs::path candidate = FindEntryNoCase(*folder, name);
            if (IsRegularFile(candidate)) return candidate;
        }
    }

    std::string message = "cannot find the help file " + wanted;
    if (lookedIn.empty()) {
        message += ": no place to look for it (no library folder, no Wine prefix)";
    } else {
        message += "; looked in: ";
        for (std::size_t i = 0; i < lookedIn.size(); ++i) message += (i ? "; " : "") + lookedIn[i];
    }
    return Error::FileSystem(ENOENT, message);
}

}  // namespace arbolith::help
