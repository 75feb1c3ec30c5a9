// SPDX-License-Identifier: MIT
// Switches that make file writes fail on purpose, so tests can show what a
// full or failing disk does to the program's files. They are always
// compiled in and do nothing until a test sets them. They are process-wide:
// set them only from single-threaded tests, and clear them afterwards
// (ClearWriteFaults, or a ScopedWriteFaults).
//
// What they reach: every write of a database file (main file, journal,
// temporary files) made through the write-coalescing layer, and the writes,
// flushes and renames of the atomic file routines of platform/files.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace arbolith {

// After `bytes` more bytes have been written, writes fail as on a full disk:
// the write that crosses the limit puts down the bytes still allowed and
// reports ENOSPC (SQLITE_FULL for the database), and so does every later
// one. A negative value lifts the limit (the default).
void FailWritesAfter(std::int64_t bytes);
// The next flush to disk (fsync) of a replaced file fails with EIO.
void FailNextFileSync();
// The next rename of a finished file over its target fails with EIO.
void FailNextFileRename();
// Called after the temporary file is complete and before the rename; a
// test sets it to simulate a crash (or a throw) at that moment.
void SetBeforeRenameHook(std::function<void()> hook);
// Back to writing normally.
void ClearWriteFaults();

struct ScopedWriteFaults {
    ScopedWriteFaults() = default;
    ScopedWriteFaults(const ScopedWriteFaults&) = delete;
    ScopedWriteFaults& operator=(const ScopedWriteFaults&) = delete;
    ~ScopedWriteFaults() { ClearWriteFaults(); }
};

// For the write paths themselves: how many of `bytes` may be written now
// (all of them unless a limit is set), the limit shrinking by that many.
std::size_t AllowedWriteBytes(std::size_t bytes);
// True once after FailNextFileSync / FailNextFileRename.
bool TakeSyncFault();
bool TakeRenameFault();
// Runs the hook of SetBeforeRenameHook, if any.
void RunBeforeRenameHook();

}  // namespace arbolith
