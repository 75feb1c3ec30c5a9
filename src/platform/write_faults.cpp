// SPDX-License-Identifier: MIT
#include "platform/write_faults.h"

#include <algorithm>
#include <atomic>

namespace arbolith {
namespace {

std::atomic<std::int64_t> g_writeBudget{-1};
std::atomic<bool> g_failSync{false};
std::atomic<bool> g_failRename{false};

std::function<void()>& BeforeRename()
{
    static std::function<void()> hook;
    return hook;
}

}  // namespace

void FailWritesAfter(std::int64_t bytes)
{
    g_writeBudget = bytes < 0 ? -1 : bytes;
}

void FailNextFileSync()
{
    g_failSync = true;
}

void FailNextFileRename()
{
    g_failRename = true;
}

void SetBeforeRenameHook(std::function<void()> hook)
{
    BeforeRename() = std::move(hook);
}

void ClearWriteFaults()
{
    g_writeBudget = -1;
    g_failSync = false;
    g_failRename = false;
    BeforeRename() = nullptr;
}

std::size_t AllowedWriteBytes(std::size_t bytes)
{
    std::int64_t budget = g_writeBudget.load();
    for (;;) {
        if (budget < 0) return bytes;
        const std::int64_t allowed = std::min<std::int64_t>(budget, static_cast<std::int64_t>(bytes));
        if (g_writeBudget.compare_exchange_weak(budget, budget - allowed)) return static_cast<std::size_t>(allowed);
    }
}

bool TakeSyncFault()
{
    return g_failSync.exchange(false);
}

bool TakeRenameFault()
{
    return g_failRename.exchange(false);
}

void RunBeforeRenameHook()
{
    if (const auto& hook = BeforeRename()) hook();
}

}  // namespace arbolith
