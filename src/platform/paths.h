// SPDX-License-Identifier: MIT
// Path helpers. Library paths reach Arbolith in two spellings: Linux paths
// ("/usr/lib/x/Foo.olb") and Windows text read from old model files or a Wine
// registry ("C:\X\Foo.olb"). The name helpers accept both: "/" and "\" both
// end a folder part.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace arbolith {

inline constexpr std::string_view kDatExtension = "DAT";
inline constexpr std::string_view kInfExtension = "INF";

// The text after the last folder separator, or the whole path when there is none.
std::string GetFileNamePart(std::string_view path, bool lower = false);
// The text after the last "." of the file-name part, or "" when it has none.
std::string GetExtension(std::string_view path, bool lower = false);
// The file-name part without its last extension: "C:\X\a.b.olb" gives "a.b".
std::string GetBaseName(std::string_view path, bool lower = false);

// False for an empty path, else whether a folder is there.
bool DirectoryExists(const std::filesystem::path& path);
// Whether a file (not a folder) of exactly this name is there.
bool FileExists(const std::filesystem::path& path);

// The entry of `folder` named `name`: the exact name when there is an entry
// of that name (a symbolic link counts even when broken), else the first
// entry (in name order) whose name matches without regard to ASCII case,
// else folder/name as given (for creating it). Users copy model files from
// systems where "foo.dat" and "Foo.DAT" are the same file, and Windows paths
// in a Wine prefix are looked up the same way.
std::filesystem::path FindEntryNoCase(const std::filesystem::path& folder, std::string_view name);

// "<base name>.DAT" / "<base name>.INF" of a library or model name.
std::string GetDatFileName(std::string_view name);
std::string GetInfFileName(std::string_view name);
// The same inside the models folder; an existing file whose name differs
// only in case ("Foo.dat") is found and returned instead.
std::filesystem::path GetDatFileName(std::string_view name, const std::filesystem::path& modelsFolder);
std::filesystem::path GetInfFileName(std::string_view name, const std::filesystem::path& modelsFolder);

}  // namespace arbolith
