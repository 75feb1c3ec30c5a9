// SPDX-License-Identifier: MIT
#include "platform/paths.h"

#include "platform/text_encoding.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace arbolith {

namespace {

std::string MaybeLower(std::string_view text, bool lower)
{
    return lower ? AsciiLower(text) : std::string(text);
}

std::string_view FileNamePartView(std::string_view path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string GetFileNamePart(std::string_view path, bool lower)
{
    return MaybeLower(FileNamePartView(path), lower);
}

std::string GetExtension(std::string_view path, bool lower)
{
    // Only the file-name part can carry the extension: "C:\a.b\foo" has none.
    const std::string_view name = FileNamePartView(path);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : MaybeLower(name.substr(dot + 1), lower);
}

std::string GetBaseName(std::string_view path, bool lower)
{
    std::string_view name = FileNamePartView(path);
    const auto dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return MaybeLower(name, lower);
}

bool DirectoryExists(const std::filesystem::path& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool FileExists(const std::filesystem::path& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::filesystem::path FindEntryNoCase(const std::filesystem::path& folder, std::string_view name)
{
    namespace fs = std::filesystem;
    fs::path exact = folder / std::string(name);
    std::error_code ec;
    // The exact spelling costs one lookup; a link counts even when what it
    // names is gone, as it is the entry asked for.
    if (fs::exists(fs::symlink_status(exact, ec))) return exact;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (EqualsNoCase(entry, name)) matches.push_back(std::move(entry));
    }
    if (matches.empty()) return exact;
    return folder / *std::min_element(matches.begin(), matches.end());
}

std::string GetDatFileName(std::string_view name)
{
    return GetBaseName(name) + "." + std::string(kDatExtension);
}

std::string GetInfFileName(std::string_view name)
{
    return GetBaseName(name) + "." + std::string(kInfExtension);
}

std::filesystem::path GetDatFileName(std::string_view name, const std::filesystem::path& modelsFolder)
{
    return FindEntryNoCase(modelsFolder, GetDatFileName(name));
}

std::filesystem::path GetInfFileName(std::string_view name, const std::filesystem::path& modelsFolder)
{
    return FindEntryNoCase(modelsFolder, GetInfFileName(name));
}

}  // namespace arbolith
