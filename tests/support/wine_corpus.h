// SPDX-License-Identifier: MIT
// The Wine type libraries the goldens were made from: CORPUS.txt lists each
// with its size and SHA-256, so a different installed file is skipped visibly.
#pragma once

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
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
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string name;
            CorpusEntry entry;
            if (fields >> name >> entry.size >> entry.sha256) entries.emplace(name, entry);
        }
        return entries;
    }();
    return list;
}

inline std::string Sha256OfBytes(std::string_view bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += "0123456789abcdef"[digest[i] >> 4];
        hex += "0123456789abcdef"[digest[i] & 15];
    }
    return hex;
}

// One oracle dump "<library>.<resource>.txt.gz" of the oracle folder.
struct OracleDump {
    std::string file;
    std::string library;
    int resource = 1;
    // Test listings name the dump, not its bytes.
    friend void PrintTo(const OracleDump& dump, std::ostream* out) { *out << dump.file; }
};

// Every oracle dump, sorted by library and resource; other files are passed over.
inline std::vector<OracleDump> ListOracleDumps()
{
    static const std::regex kName(R"((.+)\.(\d{1,4})\.txt\.gz)");
    std::vector<OracleDump> dumps;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kOracleDir, ec)) {
        const std::string name = entry.path().filename().string();
        if (std::smatch m; std::regex_match(name, m, kName)) dumps.push_back({name, m[1], std::stoi(m[2])});
    }
    std::sort(dumps.begin(), dumps.end(), [](const auto& a, const auto& b) {
        return std::tie(a.library, a.resource) < std::tie(b.library, b.resource);
    });
    return dumps;
}

// Why the installed Wine file cannot stand for the corpus file of that name,
// or nothing when it can.
inline std::optional<std::string> CorpusFileProblem(const std::string& name)
{
    const auto it = CorpusList().find(name);
    if (it == CorpusList().end()) return name + " is not listed in CORPUS.txt";
    const std::filesystem::path path = kWineLibraryDir / name;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return path.string() + " is not installed (package wine64)";
    if (size != it->second.size)
        return path.string() + " is " + std::to_string(size) + " bytes, the goldens were made from " +
               std::to_string(it->second.size) + " (another Wine version)";
    std::ifstream in(path, std::ios::binary);
    if (Sha256OfBytes(std::string(std::istreambuf_iterator<char>(in), {})) != it->second.sha256)
        return path.string() + " differs from the file the goldens were made from (another Wine build)";
    return std::nullopt;
}

}  // namespace arbolith::test
