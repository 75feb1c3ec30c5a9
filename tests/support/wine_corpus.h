// SPDX-License-Identifier: MIT
// The real type libraries Wine ships, as the golden files know them:
// tests/data/typelib/oracle/CORPUS.txt lists each file with its size and
// SHA-256, so a test can tell when the installed file is not the one its
// goldens were made from and skip it visibly instead of failing.
#pragma once

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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

inline std::string Sha256OfBytes(std::string_view bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        return {};
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

inline std::optional<std::string> Sha256Hex(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return Sha256OfBytes(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

// One oracle dump "<library>.<resource>.txt.gz" of the oracle folder.
struct OracleDump {
    std::string file;
    std::string library;
    int resource = 1;
};

// Every oracle dump, sorted by library and resource; other files are passed over.
inline std::vector<OracleDump> ListOracleDumps()
{
    constexpr std::string_view kSuffix = ".txt.gz";
    std::vector<OracleDump> dumps;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kOracleDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(kSuffix))
            continue;
        const std::string stem = name.substr(0, name.size() - kSuffix.size());
        const auto dot = stem.rfind('.');
        if (dot == std::string::npos || dot == 0 || dot + 1 == stem.size() || stem.size() - dot > 5 ||
            stem.find_first_not_of("0123456789", dot + 1) != std::string::npos)
            continue;
        dumps.push_back({name, stem.substr(0, dot), std::stoi(stem.substr(dot + 1))});
    }
    std::sort(dumps.begin(), dumps.end(), [](const auto& a, const auto& b) {
        return a.library != b.library ? a.library < b.library : a.resource < b.resource;
    });
    return dumps;
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
