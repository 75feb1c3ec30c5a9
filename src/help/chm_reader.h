// SPDX-License-Identifier: MIT
// chmlib in a process of its own. chmlib trusts the structures of the file
// it reads: a damaged or hostile file makes it read through bad pointers or
// loop without end. Each open help file gets a child process that opens it
// with chmlib and answers three questions over a socket (the stored path of
// an entry, an entry's bytes, every entry's path); should chmlib crash or
// hang there, the child ends and this side reports a damaged file. The
// child is made once per file, so a lookup costs two short messages.
#pragma once

#include "platform/result.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace arbolith::help {

class ChmReader {
public:
    // Starts the child and opens the file in it; an error names the file
    // when chmlib refuses it or the child cannot be made.
    static Result<ChmReader> Start(const std::filesystem::path& file);

    ChmReader(ChmReader&& other) noexcept;
    ChmReader& operator=(ChmReader&& other) noexcept;
    ~ChmReader();

    // The stored path of the entry chmlib finds for `path` (its lookup
    // ignores case); nothing for none or for a folder. An error only when
    // the child failed.
    Result<std::optional<std::string>> Resolve(const std::string& path);
    // The bytes of the entry at a stored path: an error when it is missing,
    // longer than `limit`, cannot be read whole, or the child failed.
    Result<std::string> Read(const std::string& storedPath, std::uint64_t limit);
    // Every file's path as chmlib lists them (which may miss some).
    Result<std::vector<std::string>> List();

private:
    ChmReader(std::string name, pid_t child, int socket);
    Result<std::string> Ask(char request, const std::string& argument, char& status);
    Error Failed(const std::string& why);
    void Stop();

    std::string m_name;
    pid_t m_child = -1;
    int m_socket = -1;
};

}  // namespace arbolith::help
