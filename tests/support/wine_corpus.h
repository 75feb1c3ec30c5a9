// SPDX-License-Identifier: MIT
// The real type libraries Wine ships, as the golden files know them:
// tests/data/typelib/oracle/CORPUS.txt lists each file with its size and
// SHA-256, so a test can tell when the installed file is not the one its
// goldens were made from and skip it visibly instead of failing.
#pragma once

#include <openssl/evp.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace arbolith::test {

inline const std::filesystem::path kWineLibraryDir = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
inline const std::filesystem::path kOracleDir = std::filesystem::path(ARBOLITH_TEST_DATA) / "typelib" / "oracle";

struct CorpusEntry {
    std::uintmax_t size = 0;
    std::string sha256;
};

// CORPUS.txt: "# comment" lines, then "name size sha256" per line.
inline const std::map<std::string, CorpusEntry>& CorpusList()
{
    static const auto list = [] {
        std::map<std::string, CorpusEntry> entries;
        std::ifstream in(kOracleDir / "CORPUS.txt");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            std::istringstream fields(line);
            std::string name;
            CorpusEntry entry;
            if (fields >> name >> entry.size >> entry.sha256)
                entries.emplace(name, entry);
        }
        return entries;
    }();
    return list;
}

inline std::optional<std::string> Sha256Hex(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

// Why the installed Wine file cannot stand for the corpus file of that name,
// or nothing when it can.
inline std::optional<std::string> CorpusFileProblem(const std::string& name)
{
    const auto it = CorpusList().find(name);
    if (it == CorpusList().end())
        return name + " is not listed in CORPUS.txt";
    const std::filesystem::path path = kWineLibraryDir / name;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return path.string() + " is not installed (package wine64)";
    if (size != it->second.size)
        return path.string() + " is " + std::to_string(size) + " bytes, the goldens were made from " +
               std::to_string(it->second.size) + " (another Wine version)";
    if (Sha256Hex(path) != it->second.sha256)
        return path.string() + " differs from the file the goldens were made from (another Wine build)";
    return std::nullopt;
}

}  // namespace arbolith::test
