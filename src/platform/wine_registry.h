// SPDX-License-Identifier: MIT
// The type libraries registered in a Wine prefix, read straight from the
// prefix's registry files; Arbolith has no Windows registry to ask.
//
// HKEY_CLASSES_ROOT is the merge of HKEY_CURRENT_USER\Software\Classes
// (user.reg) over HKEY_LOCAL_MACHINE\Software\Classes (system.reg): a key
// present in user.reg replaces the same key of system.reg. Only keys under
// Software\Classes\Typelib are kept; everything else is skipped unparsed.
//
// Reading never fails as a whole. A missing prefix gives an empty list; a
// file that cannot be read, or lines that do not parse, give whatever could
// be read. Either way Reason() says why, in words a window can show.
#pragma once

#include "platform/result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace arbolith {

// One file registered for one library version, locale and platform. A
// version registered for both win32 and win64 gives two entries.
struct RegisteredTypeLib {
    std::string guid;         // "{00020430-0000-0000-C000-000000000046}", upper case
    std::uint16_t major = 0;  // the key's "x.y" is hex: "1.a" is 1.10
    std::uint16_t minor = 0;
    std::string lcid;         // the locale subkey as written ("0", "409")
    bool win64 = false;       // registered under win64 rather than win32
    std::string description;  // the version key's default value
    std::string helpDir;      // HELPDIR, as registered (a Windows path)
    std::uint32_t flags = 0;  // FLAGS (restricted 1, control 2, hidden 4, has disk image 8)
    // FLAGS is registered as a decimal number; without it `flags` reads 0
    // but says nothing (a list of usable libraries leaves such a version out).
    bool hasFlags = false;
    // As registered, without a "\\?\" long-path prefix and with %SystemRoot%
    // and similar expanded. It may end in "\N": the Nth TYPELIB resource.
    std::string windowsPath;
    std::string linuxPath;       // the existing file it names; "" when none was found
    std::uint32_t resource = 0;  // N of a trailing "\N"; 0 when the path has none
    std::string problem;         // why linuxPath is empty
};

// Every Wine prefix found: $WINEPREFIX, ~/.wine, then each folder under
// ~/.local/share/wineprefixes/ (or $XDG_DATA_HOME/wineprefixes, by name),
// those that hold a system.reg, each once (compared after resolving links).
std::vector<std::filesystem::path> FindWinePrefixes();

class WineRegistry {
public:
    // Reads the registry of a prefix: the given folder, else $WINEPREFIX,
    // else ~/.wine. Never fails; see Reason().
    static WineRegistry Open(std::optional<std::filesystem::path> prefix = {});

    // $WINEPREFIX when set and not empty, else $HOME/.wine; empty when
    // neither variable is set.
    static std::filesystem::path DefaultPrefix();

    const std::filesystem::path& Prefix() const { return m_prefix; }
    // True when the prefix folder holds a system.reg.
    bool HasPrefix() const { return m_hasPrefix; }

    // Sorted by GUID, version, locale, then win32 before win64. Called on a
    // temporary (`for (auto& lib : WineRegistry::Open().TypeLibs())`) the
    // list is moved out, so the loop never reads a destroyed registry.
    const std::vector<RegisteredTypeLib>& TypeLibs() const& { return m_typeLibs; }
    std::vector<RegisteredTypeLib> TypeLibs() && { return std::move(m_typeLibs); }

    // The entry for a library version, GUID compared without regard to case.
    // The exact version when registered, else the highest minor version of
    // the same major. Among the entries of that version: one whose file was
    // found, then locale 0, then win64.
    std::optional<RegisteredTypeLib> Find(std::string_view guid, std::uint16_t major, std::uint16_t minor) const;

    // The existing Linux file or folder a Windows path names ("C:\x\y.dll",
    // "\\?\C:\x\y.dll", "z:/usr/lib"), through the prefix's
    // dosdevices/<drive>: links. Names after the drive are matched without
    // regard to case, as Windows does. The error says which part failed.
    Result<std::string> MapWindowsPath(std::string_view windowsPath) const;

    // Empty when everything read cleanly; otherwise one or more sentences
    // joined by "; ".
    std::string_view Reason() const { return m_reason; }

private:
    std::filesystem::path m_prefix;
    bool m_hasPrefix = false;
    std::vector<RegisteredTypeLib> m_typeLibs;
    std::string m_reason;
};

}  // namespace arbolith
