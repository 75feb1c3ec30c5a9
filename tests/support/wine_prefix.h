// SPDX-License-Identifier: MIT
// A Wine prefix made by a test: dosdevices links, a drive_c holding copies
// of real Wine libraries, and registry files the test writes itself.
#pragma once

#include "support/temp_dir.h"
#include "support/wine_corpus.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith::test {

// "[Software\\Classes\\Typelib\\<key>]" and its default value, as Wine
// writes a key: `key` uses single backslashes, `value` is unescaped text.
inline std::string RegKey(std::string_view key, std::string_view value)
{
    const auto escape = [](std::string_view text) {
        std::string out;
        for (const char c : text) {
            if (c == '\\' || c == '"') out += '\\';
            out += c;
        }
        return out;
    };
    std::string doubled;
    for (const char c : key) doubled += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return "\n[Software\\\\Classes\\\\Typelib\\\\" + doubled + "] 1700000000\n#time=1da0000000000\n@=\"" +
           escape(value) + "\"\n";
}

inline constexpr std::string_view kRegHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n";

// Makes `prefix` with dosdevices/c: -> ../drive_c and z: -> /, and copies
// the named Wine libraries into drive_c/windows/system32.
inline void MakeWinePrefix(const std::filesystem::path& prefix, std::initializer_list<std::string_view> libraries,
                           std::string_view systemReg, std::optional<std::string_view> userReg = std::nullopt)
{
    namespace fs = std::filesystem;
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(prefix / "drive_c" / "windows" / "system32");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
    for (const std::string_view name : libraries)
        fs::copy_file(kWineLibraryDir / name, prefix / "drive_c" / "windows" / "system32" / name);
    WriteBytes(prefix / "system.reg", systemReg);
    if (userReg) WriteBytes(prefix / "user.reg", *userReg);
}

// Sets an environment variable for the life of the object (unsets it for
// nothing), then restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) m_old = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { m_old ? setenv(m_name, m_old->c_str(), 1) : unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

}  // namespace arbolith::test
