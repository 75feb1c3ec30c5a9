// SPDX-License-Identifier: MIT
// Where the wizard looks for libraries on this machine: the Wine prefixes,
// the type libraries registered in them, and the roots the Browse and
// Search lists start from.
#include "platform/text_encoding.h"
#include "platform/wine_registry.h"
#include "wizard/library_discovery.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <tuple>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The folder a path names with every link resolved, or the path made
// absolute when it cannot be resolved (gone, a link loop): two spellings of
// one folder compare equal, and a broken one still compares with itself.
std::string SameFolderKey(const fs::path& path)
{
    std::error_code ec;
    fs::path resolved = fs::canonical(path, ec);
    if (ec) resolved = fs::absolute(path, ec).lexically_normal();
    std::string key = resolved.string();
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key;
}

// The entries of a folder that are folders (links followed), by name.
std::vector<fs::path> SubfoldersByName(const fs::path& folder)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The prefix's folder name as given ("~/.wine/" reads ".wine").
std::string PrefixName(const fs::path& prefix)
{
    std::string text = prefix.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return fs::path(text).filename().string();
}

std::string VersionText(std::uint16_t major, std::uint16_t minor)
{
    // The key reads "x.y" in hex; so does the list.
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x", static_cast<unsigned>(major), static_cast<unsigned>(minor));
    return text;
}

// A registration's row. Without a file, "C:\x\lib.dll\2" still names
// resource 2 of lib.dll, so the row's path never ends in the number.
RegistryLibrary RowOf(const RegisteredTypeLib& lib, const fs::path& prefix)
{
    RegistryLibrary row;
    row.description = lib.description;
    row.guid = lib.guid;
    row.version = VersionText(lib.major, lib.minor);
    row.prefix = prefix;
    row.win64 = lib.win64;
    row.fileExists = !lib.linuxPath.empty();
    if (row.fileExists) {
        row.path = lib.linuxPath;
        row.resource = lib.resource;
        return row;
    }
    row.path = lib.windowsPath;
    const std::size_t sep = row.path.find_last_of('\\');
    if (sep != std::string::npos && sep + 1 < row.path.size() && row.path.size() - sep <= 6) {
        const std::string_view digits = std::string_view(row.path).substr(sep + 1);
        if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            const auto number = static_cast<std::uint32_t>(std::stoul(std::string(digits)));
            if (number > 0) {
                row.resource = number;
                row.path.resize(sep);
            }
        }
    }
    return row;
}

// The registration of one version to show: one whose file exists over one
// whose file does not; among equals the later one, which is the higher
// locale and then win64 in the reader's order.
const RegisteredTypeLib* ChooseRegistration(std::span<const RegisteredTypeLib> sameVersion)
{
    const RegisteredTypeLib* best = nullptr;
    for (const RegisteredTypeLib& lib : sameVersion) {
        if (!best || !lib.linuxPath.empty() || best->linuxPath.empty()) best = &lib;
    }
    return best;
}

bool Listable(const RegisteredTypeLib& lib)
{
    return lib.hasFlags && lib.flags == 0 && !lib.description.empty();
}

}  // namespace

RegistryListing ReadRegistry(std::span<const fs::path> prefixes)
{
    RegistryListing listing;
    std::vector<std::string> notes;
    std::set<std::string> seenPrefixes;
    // One row per registered version and file, however many prefixes name it.
    std::set<std::tuple<std::string, std::string, std::string, std::uint32_t>> seenRows;
    bool anyPrefix = false;

    for (const fs::path& prefix : prefixes) {
        if (!seenPrefixes.insert(SameFolderKey(prefix)).second) continue;
        WineRegistry registry = WineRegistry::Open(prefix);
        if (!registry.HasPrefix()) {
            if (prefixes.size() > 1) notes.emplace_back(registry.Reason());
            continue;
        }
        anyPrefix = true;
        if (!registry.Reason().empty()) notes.push_back(prefix.string() + ": " + std::string(registry.Reason()));

        const std::vector<RegisteredTypeLib> libs = std::move(registry).TypeLibs();
        // The reader sorts by GUID and version: each version is one run.
        for (std::size_t start = 0; start < libs.size();) {
            std::size_t end = start + 1;
            while (end < libs.size() && libs[end].guid == libs[start].guid && libs[end].major == libs[start].major &&
                   libs[end].minor == libs[start].minor)
                ++end;
            const std::span<const RegisteredTypeLib> sameVersion(libs.data() + start, end - start);
            start = end;
            if (!Listable(sameVersion.front())) continue;
            RegistryLibrary row = RowOf(*ChooseRegistration(sameVersion), prefix);
            if (!seenRows.emplace(row.guid, row.version, row.path, row.resource).second) continue;
            listing.libraries.push_back(std::move(row));
        }
    }

    std::sort(listing.libraries.begin(), listing.libraries.end(),
              [](const RegistryLibrary& a, const RegistryLibrary& b) {
                  const std::string lowerA = AsciiLower(a.description), lowerB = AsciiLower(b.description);
                  return std::tie(lowerA, a.path, a.resource, a.guid, a.version) <
                         std::tie(lowerB, b.path, b.resource, b.guid, b.version);
              });

    if (!anyPrefix) {
        std::string where;
        if (prefixes.size() == 1) where = " at " + prefixes.front().string();
        listing.note = "No Wine prefix found" + where +
                       ", so no library is registered; run winecfg to make one, or find the library on the Browse tab";
        return listing;
    }
    for (std::size_t i = 0; i < notes.size(); ++i) listing.note += (i ? "; " : "") + notes[i];
    // The note is one line of the list.
    std::replace(listing.note.begin(), listing.note.end(), '\n', ' ');
    return listing;
}

std::vector<BrowseRoot> BrowseRoots(std::span<const fs::path> prefixes)
{
    std::vector<BrowseRoot> roots;
    roots.push_back({"/", "/", false});
    std::error_code ec;
    if (const std::string home = Environment("HOME"); !home.empty() && fs::is_directory(home, ec))
        roots.push_back({"Home", home, false});

    std::vector<fs::path> unique;
    std::set<std::string> seen;
    for (const fs::path& prefix : prefixes)
        if (seen.insert(SameFolderKey(prefix)).second) unique.push_back(prefix);
    for (const fs::path& prefix : unique) {
        std::vector<std::pair<char, fs::path>> drives;
        for (fs::directory_iterator it(prefix / "dosdevices", ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const char letter = name.empty() ? '\0' : static_cast<char>(name[0] | 0x20);
            if (name.size() != 2 || name[1] != ':' || letter < 'a' || letter > 'z') continue;
            std::error_code linkError;
            const fs::path target = fs::canonical(it->path(), linkError);  // a link loop fails here
            if (linkError || target == "/" || !fs::is_directory(target, linkError)) continue;
            drives.emplace_back(letter, target);
        }
        std::sort(drives.begin(), drives.end());
        for (auto& [letter, target] : drives) {
            std::string label{static_cast<char>(letter - 'a' + 'A'), ':'};
            if (unique.size() > 1) label += " (" + PrefixName(prefix) + ")";
            roots.push_back({std::move(label), std::move(target), true});
        }
        ec.clear();
    }

    std::string user = Environment("USER");
    if (user.empty())
        if (const passwd* entry = getpwuid(geteuid())) user = entry->pw_name;
    std::vector<fs::path> mountFolders = {"/mnt"};
    if (!user.empty())
        mountFolders.insert(mountFolders.begin(), {fs::path("/media") / user, fs::path("/run/media") / user});
    for (const fs::path& folder : mountFolders)
        for (fs::path& mount : SubfoldersByName(folder))
            roots.push_back({mount.filename().string(), std::move(mount), false});
    return roots;
}

}  // namespace arbolith
