// SPDX-License-Identifier: MIT
// A small tmpfs mounted on a fresh folder, for tests of a disk that fills
// up. Mounting needs root and may be refused in a sandbox: Mounted() says
// whether it worked, and the caller skips the test visibly when not.
#pragma once

#include "support/temp_dir.h"

#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace arbolith::test {

class TinyTmpfs {
public:
    explicit TinyTmpfs(std::size_t bytes)
    {
        const std::string options = "size=" + std::to_string(bytes);
        if (::mount("tmpfs", m_dir.path().c_str(), "tmpfs", 0, options.c_str()) == 0)
            m_mounted = true;
        else
            m_why = std::strerror(errno);
    }
    ~TinyTmpfs()
    {
        if (m_mounted) ::umount2(m_dir.path().c_str(), MNT_DETACH);
    }
    TinyTmpfs(const TinyTmpfs&) = delete;
    TinyTmpfs& operator=(const TinyTmpfs&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& WhyNot() const { return m_why; }
    const std::filesystem::path& path() const { return m_dir.path(); }

    // Takes space with a filler file until about `bytes` stay free.
    void LeaveFree(std::size_t bytes)
    {
        RemoveFiller();
        struct statvfs info {};
        const std::size_t free =
            ::statvfs(path().c_str(), &info) == 0 ? static_cast<std::size_t>(info.f_bavail) * info.f_frsize : 0;
        if (free > bytes) WriteBytes(path() / ".filler", std::string(free - bytes, '\0'));
    }
    void RemoveFiller() { std::filesystem::remove(path() / ".filler"); }

private:
    TempDir m_dir;
    bool m_mounted = false;
    std::string m_why;
};

}  // namespace arbolith::test
