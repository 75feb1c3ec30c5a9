// SPDX-License-Identifier: MIT
// Replacing files whole. Settings files, model INF files and model DAT files
// are never changed where they lie: the new content is made in a temporary
// file in the same folder, flushed to disk and renamed over the old file,
// and the folder is flushed too. A crash, a full disk or a failing disk
// leaves either the old file, byte for byte, or the new one, never a mix;
// on any failure the temporary file is removed.
//
// A target that is a symbolic link is replaced through it: the file it names
// changes and the link stays. The new file gets the old one's permission bits.
#pragma once

#include "platform/result.h"

#include <filesystem>
#include <string_view>
#include <utility>

namespace arbolith {

// A file descriptor closed on every way out.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd();
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return m_fd; }
    // Closes now: a failed close can be the first sign that written data
    // never reached the disk. Returns 0 or an errno value.
    int Close();

private:
    int m_fd;
};

// Writes bytes as the new content of `file`.
Result<void> WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// Puts `finished`, a complete file its maker has closed, in the place of
// `target` (which need not exist). `finished` must be on the same file
// system, best in the same folder (see CreateFileBeside). On failure
// `target` is untouched and `finished` is removed.
Result<void> ReplaceFileWith(const std::filesystem::path& target, const std::filesystem::path& finished);

// A new, empty file with a unique hidden name beside `target`
// (".<name>.XXXXXX"), for building a replacement in.
Result<std::filesystem::path> CreateFileBeside(const std::filesystem::path& target);

// A copy of `source` in a new file beside it, with its permission bits.
Result<std::filesystem::path> CopyFileBeside(const std::filesystem::path& source);

// A file being built: removed, with a database journal of its name, when
// this goes away, unless Keep() was called.
class ScratchFile {
public:
    ScratchFile() = default;
    explicit ScratchFile(std::filesystem::path path) : m_path(std::move(path)) {}
    ScratchFile(ScratchFile&& other) noexcept : m_path(std::exchange(other.m_path, {})) {}
    ScratchFile& operator=(ScratchFile&& other) noexcept;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() { Remove(); }

    const std::filesystem::path& path() const { return m_path; }
    // Forgets the file: it stays (or was renamed away by its owner).
    void Keep() { m_path.clear(); }
    void Remove();

private:
    std::filesystem::path m_path;
};

}  // namespace arbolith
