// SPDX-License-Identifier: MIT
#include "platform/files.h"

#include "platform/write_faults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

namespace arbolith {

namespace fs = std::filesystem;

namespace {

Error FileError(const fs::path& file, int number, std::string_view what)
{
    return Error::FileSystem(number,
                             file.string() + ": " + std::string(what) + ": " + std::system_category().message(number));
}

// Umask of this process, read without changing it (umask() can only be read
// by setting it, which races with other threads creating files).
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            try {
                return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8) & 0777);
            } catch (...) {
                break;
            }
        }
    }
    return 022;
}

// The file a path names: a symbolic link is followed, so replacing the
// file leaves the link in place.
fs::path ResolveTarget(const fs::path& file)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        fs::path resolved = fs::canonical(file, ec);
        if (!ec) return resolved;
    }
    return file;
}

fs::path FolderOf(const fs::path& file)
{
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// What is at the target now: nothing, or a regular file with this status.
Result<std::optional<struct stat>> TargetStatus(const fs::path& target)
{
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0) {
        if (errno == ENOENT) return std::optional<struct stat>();
        return FileError(target, errno, "cannot examine");
    }
    if (S_ISDIR(old.st_mode)) return Error::FileSystem(EISDIR, target.string() + ": is a folder, not a file");
    if (!S_ISREG(old.st_mode)) return Error::FileSystem(EINVAL, target.string() + ": is not a regular file");
    return std::optional<struct stat>(old);
}

// Writes all bytes; 0 or an errno value.
int WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const std::size_t allowed = AllowedWriteBytes(size);
        if (allowed == 0) return ENOSPC;
        const ssize_t n = ::write(fd, data, allowed);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// 0 or an errno value.
int Sync(int fd)
{
    if (TakeSyncFault()) return EIO;
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Flushes a folder so that a rename in it lasts. The renamed file's data is
// on disk already, so a failure here is not reported: after a crash the
// folder shows the old file or the new one, both whole.
void SyncFolder(const fs::path& folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Gives the replacement the old file's permission bits and, where the
// process may, its owner; a new file gets what a plain new file would.
int TakeOverMode(int fd, const std::optional<struct stat>& old)
{
    const mode_t mode = old ? (old->st_mode & 07777) : (0666 & ~CurrentUmask());
    if (::fchmod(fd, mode) != 0) return errno;
    if (old && (old->st_uid != ::geteuid() || old->st_gid != ::getegid())) {
        // Only root can give the file back to its owner; anyone else keeps theirs.
        [[maybe_unused]] const int ignored = ::fchown(fd, old->st_uid, old->st_gid);
    }
    return 0;
}

// The last step of both routines: the finished, flushed file takes the
// target's name.
Result<void> RenameOver(const fs::path& finished, const fs::path& target)
{
    try {
        RunBeforeRenameHook();
    } catch (...) {
        return Error::FileSystem(0, target.string() + ": write interrupted before the rename");
    }
    const int error = TakeRenameFault() ? EIO : ::rename(finished.c_str(), target.c_str()) == 0 ? 0 : errno;
    if (error != 0) return FileError(target, error, "cannot replace the file");
    SyncFolder(FolderOf(target));
    if (FolderOf(finished) != FolderOf(target)) SyncFolder(FolderOf(finished));
    return Ok();
}

}  // namespace

UniqueFd::~UniqueFd()
{
    if (m_fd >= 0) ::close(m_fd);
}

int UniqueFd::Close()
{
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0 ? 0 : errno;
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept
{
    if (this != &other) {
        Remove();
        m_path = std::exchange(other.m_path, {});
    }
    return *this;
}

void ScratchFile::Remove()
{
    if (m_path.empty()) return;
    std::error_code ec;
    fs::remove(m_path, ec);
    fs::remove(m_path.string() + "-journal", ec);
    m_path.clear();
}

Result<fs::path> CreateFileBeside(const fs::path& target)
{
    const fs::path folder = FolderOf(target);
    std::string name = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return Error::FileSystem(error, target.string() + ": the folder " + folder.string() + " does not exist");
        return FileError(target, error, "cannot create a temporary file in " + folder.string());
    }
    ::close(fd);
    return fs::path(name);
}

Result<fs::path> CopyFileBeside(const fs::path& source)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (in < 0) return FileError(source, errno, "cannot open");
    UniqueFd input(in);
    struct stat info {};
    if (::fstat(in, &info) != 0) return FileError(source, errno, "cannot examine");
    if (!S_ISREG(info.st_mode)) return Error::FileSystem(EINVAL, source.string() + ": is not a regular file");

    auto made = CreateFileBeside(source);
    if (!made) return made.error();
    ScratchFile copy(*made);
    const int out = ::open(copy.path().c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0) return FileError(copy.path(), errno, "cannot open");
    UniqueFd output(out);
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return FileError(source, errno, "cannot read");
        }
        if (n == 0) break;
        if (const int error = WriteAll(out, buffer.data(), static_cast<std::size_t>(n)); error != 0)
            return FileError(copy.path(), error, "cannot write the copy of " + source.filename().string());
    }
    if (::fchmod(out, info.st_mode & 07777) != 0) return FileError(copy.path(), errno, "cannot set permissions");
    if (const int error = output.Close(); error != 0) return FileError(copy.path(), error, "cannot close");
    fs::path kept = copy.path();
    copy.Keep();
    return kept;
}

Result<void> ReplaceFileWith(const fs::path& file, const fs::path& finished)
{
    ScratchFile scratch(finished);
    const fs::path target = ResolveTarget(file);
    auto old = TargetStatus(target);
    if (!old) return old.error();

    const int raw = ::open(finished.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (raw < 0) return FileError(finished, errno, "cannot open");
    UniqueFd fd(raw);
    if (const int error = TakeOverMode(fd.get(), *old); error != 0)
        return FileError(target, error, "cannot set permissions");
    if (const int error = Sync(fd.get()); error != 0) return FileError(target, error, "cannot flush the new file");
    if (const int error = fd.Close(); error != 0) return FileError(target, error, "cannot close the new file");

    if (auto renamed = RenameOver(finished, target); !renamed) return renamed;
    scratch.Keep();
    return Ok();
}

Result<void> WriteFileAtomically(const fs::path& file, std::string_view bytes)
{
    const fs::path target = ResolveTarget(file);
    if (auto old = TargetStatus(target); !old) return old.error();

    auto made = CreateFileBeside(target);
    if (!made) return made.error();
    ScratchFile scratch(*made);
    const int raw = ::open(scratch.path().c_str(), O_WRONLY | O_CLOEXEC);
    if (raw < 0) return FileError(target, errno, "cannot open the temporary file");
    UniqueFd fd(raw);
    if (const int error = WriteAll(fd.get(), bytes.data(), bytes.size()); error != 0)
        return FileError(target, error, "cannot write the temporary file");
    if (const int error = fd.Close(); error != 0) return FileError(target, error, "cannot close the temporary file");

    // From here on the finished file belongs to the replacing routine, which
    // removes it on failure.
    scratch.Keep();
    return ReplaceFileWith(target, *made);
}

}  // namespace arbolith
