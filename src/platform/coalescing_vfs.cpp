// SPDX-License-Identifier: MIT
// Write coalescing for SQLite. SQLite hands the main database file to the OS one page per
// write call, and SQLCipher's pages are 1 KB, so filling a model file with
// 100,000 rows makes some 35,000 pwrite calls; on the 2-core VM this was
// measured on they cost 2-3 us each, over a tenth of the whole load. This VFS
// wraps the default one and gathers consecutive writes to a main database
// file into one buffer, written with one call. Every other operation on that
// file (read, sync, size, truncate, unlock, file control, close) writes the
// buffer out first, so what SQLite reads back, the order of writes and the
// sync points are all unchanged. Journals and temporary files pass straight
// through. The methods are version 2: no memory-mapped reads that could see
// past the buffer.
#include "platform/database_internal.h"
#include "platform/write_faults.h"

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace arbolith::db_detail {
namespace {

constexpr char kVfsName[] = "arbolith";
constexpr int kCoalesceBytes = 64 * 1024;  // the unix VFS writes at most 128 KB per call

sqlite3_vfs* g_baseVfs = nullptr;

struct CoalescingFile {
    sqlite3_file base;  // what SQLite sees; must come first
    sqlite3_file* real;
    char* buffer;  // main database files only, else nullptr
    int used;
    sqlite3_int64 start;
};

// Every write to disk goes through here, where a test can make the disk
// look full (platform/write_faults.h): the bytes still allowed are written,
// the rest is refused as the unix VFS refuses a short write.
int RealWrite(CoalescingFile* f, const void* data, int amount, sqlite3_int64 offset)
{
    const int allowed = static_cast<int>(AllowedWriteBytes(static_cast<std::size_t>(amount)));
    if (allowed == amount) return f->real->pMethods->xWrite(f->real, data, amount, offset);
    if (allowed > 0)
        if (const int rc = f->real->pMethods->xWrite(f->real, data, allowed, offset); rc != SQLITE_OK) return rc;
    return SQLITE_FULL;
}

int FlushBuffer(CoalescingFile* f)
{
    if (f->used == 0) return SQLITE_OK;
    const int rc = RealWrite(f, f->buffer, f->used, f->start);
    f->used = 0;
    return rc;
}

CoalescingFile* AsCoalescing(sqlite3_file* file)
{
    return reinterpret_cast<CoalescingFile*>(file);
}

int CoalescingClose(sqlite3_file* file)
{
    CoalescingFile* f = AsCoalescing(file);
    const int flushed = FlushBuffer(f);
    const int closed = f->real->pMethods ? f->real->pMethods->xClose(f->real) : SQLITE_OK;
    sqlite3_free(f->buffer);
    f->buffer = nullptr;
    return flushed != SQLITE_OK ? flushed : closed;
}

int CoalescingRead(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset)
{
    CoalescingFile* f = AsCoalescing(file);
    if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
    return f->real->pMethods->xRead(f->real, data, amount, offset);
}

int CoalescingWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    CoalescingFile* f = AsCoalescing(file);
    if (!f->buffer || amount > kCoalesceBytes) {
        if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
        return RealWrite(f, data, amount, offset);
    }
    if (f->used > 0 && offset == f->start + f->used && f->used + amount <= kCoalesceBytes) {
        std::memcpy(f->buffer + f->used, data, static_cast<std::size_t>(amount));
        f->used += amount;
        return SQLITE_OK;
    }
    if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
    std::memcpy(f->buffer, data, static_cast<std::size_t>(amount));
    f->start = offset;
    f->used = amount;
    return SQLITE_OK;
}

int CoalescingTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    CoalescingFile* f = AsCoalescing(file);
    if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
    return f->real->pMethods->xTruncate(f->real, size);
}

int CoalescingSync(sqlite3_file* file, int flags)
{
    CoalescingFile* f = AsCoalescing(file);
    if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
    return f->real->pMethods->xSync(f->real, flags);
}

int CoalescingFileSize(sqlite3_file* file, sqlite3_int64* size)
{
    CoalescingFile* f = AsCoalescing(file);
    if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
    return f->real->pMethods->xFileSize(f->real, size);
}

int CoalescingLock(sqlite3_file* file, int level)
{
    CoalescingFile* f = AsCoalescing(file);
    return f->real->pMethods->xLock(f->real, level);
}

int CoalescingUnlock(sqlite3_file* file, int level)
{
    // Other connections may read once the lock is gone.
    CoalescingFile* f = AsCoalescing(file);
    if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
    return f->real->pMethods->xUnlock(f->real, level);
}

int CoalescingCheckReservedLock(sqlite3_file* file, int* result)
{
    CoalescingFile* f = AsCoalescing(file);
    return f->real->pMethods->xCheckReservedLock(f->real, result);
}

int CoalescingFileControl(sqlite3_file* file, int op, void* arg)
{
    CoalescingFile* f = AsCoalescing(file);
    if (const int rc = FlushBuffer(f); rc != SQLITE_OK) return rc;
    return f->real->pMethods->xFileControl(f->real, op, arg);
}

int CoalescingSectorSize(sqlite3_file* file)
{
    CoalescingFile* f = AsCoalescing(file);
    return f->real->pMethods->xSectorSize(f->real);
}

int CoalescingDeviceCharacteristics(sqlite3_file* file)
{
    CoalescingFile* f = AsCoalescing(file);
    return f->real->pMethods->xDeviceCharacteristics(f->real);
}

bool HasShm(const CoalescingFile* f)
{
    return f->real->pMethods->iVersion >= 2 && f->real->pMethods->xShmMap;
}

int CoalescingShmMap(sqlite3_file* file, int page, int pageSize, int extend, void volatile** out)
{
    CoalescingFile* f = AsCoalescing(file);
    return HasShm(f) ? f->real->pMethods->xShmMap(f->real, page, pageSize, extend, out) : SQLITE_IOERR;
}

int CoalescingShmLock(sqlite3_file* file, int offset, int n, int flags)
{
    CoalescingFile* f = AsCoalescing(file);
    return HasShm(f) ? f->real->pMethods->xShmLock(f->real, offset, n, flags) : SQLITE_IOERR;
}

void CoalescingShmBarrier(sqlite3_file* file)
{
    CoalescingFile* f = AsCoalescing(file);
    if (HasShm(f)) f->real->pMethods->xShmBarrier(f->real);
}

int CoalescingShmUnmap(sqlite3_file* file, int deleteFlag)
{
    CoalescingFile* f = AsCoalescing(file);
    return HasShm(f) ? f->real->pMethods->xShmUnmap(f->real, deleteFlag) : SQLITE_OK;
}

const sqlite3_io_methods kCoalescingMethods = {
    2,
    CoalescingClose,
    CoalescingRead,
    CoalescingWrite,
    CoalescingTruncate,
    CoalescingSync,
    CoalescingFileSize,
    CoalescingLock,
    CoalescingUnlock,
    CoalescingCheckReservedLock,
    CoalescingFileControl,
    CoalescingSectorSize,
    CoalescingDeviceCharacteristics,
    CoalescingShmMap,
    CoalescingShmLock,
    CoalescingShmBarrier,
    CoalescingShmUnmap,
    nullptr,
    nullptr,
};

constexpr int kRealFileOffset = (sizeof(CoalescingFile) + 15) / 16 * 16;

int CoalescingOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    CoalescingFile* f = AsCoalescing(file);
    f->base.pMethods = nullptr;
    f->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealFileOffset);
    f->real->pMethods = nullptr;
    f->buffer = nullptr;
    f->used = 0;
    f->start = 0;
    const int rc = g_baseVfs->xOpen(g_baseVfs, name, f->real, flags, outFlags);
    if (rc != SQLITE_OK) return rc;
    if (flags & SQLITE_OPEN_MAIN_DB)
        f->buffer = static_cast<char*>(sqlite3_malloc(kCoalesceBytes));  // none: writes pass straight through
    f->base.pMethods = &kCoalescingMethods;
    return SQLITE_OK;
}

}  // namespace

// The VFS's name for sqlite3_open_v2, or nullptr for SQLite's default when
// it could not be set up.
const char* CoalescingVfsName()
{
    static sqlite3_vfs vfs;
    static bool registered = false;
    static std::once_flag once;
    std::call_once(once, [] {
        if (sqlite3_initialize() != SQLITE_OK) return;
        g_baseVfs = sqlite3_vfs_find(nullptr);
        if (!g_baseVfs) return;
        // Everything but opening files is the default VFS's own, with its own
        // application data, so those calls behave exactly as before.
        vfs = *g_baseVfs;
        vfs.pNext = nullptr;
        vfs.zName = kVfsName;
        vfs.szOsFile = kRealFileOffset + g_baseVfs->szOsFile;
        vfs.xOpen = CoalescingOpen;
        registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    });
    return registered ? kVfsName : nullptr;
}

}  // namespace arbolith::db_detail
