// SPDX-License-Identifier: MIT
// Replacing files whole: every way a write, flush or rename can fail leaves
// the old file byte for byte and no temporary file behind.
#include "platform/files.h"
#include "platform/write_faults.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::FolderNames;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct Fault {
    const char* name;
    std::function<void()> set;
    int errnoValue;
};

const Fault kFaults[] = {
    {"disk full at once", [] { FailWritesAfter(0); }, ENOSPC},
    {"disk full part way", [] { FailWritesAfter(5); }, ENOSPC},
    {"flush fails", [] { FailNextFileSync(); }, EIO},
    {"rename fails", [] { FailNextFileRename(); }, EIO},
    {"stopped before the rename", [] { SetBeforeRenameHook([] { throw std::runtime_error("stop"); }); }, 0},
};

TEST(AtomicFiles, EveryFailureLeavesTheOldFileAndNoTemporaryFile)
{
    const std::string oldBytes = "the old content\n";
    const std::string newBytes = std::string(200, 'n');
    // Write whole bytes, or hand over a finished file.
    for (const bool handOver : {false, true}) {
        for (const Fault& fault : kFaults) {
            SCOPED_TRACE(std::string(fault.name) + (handOver ? ", finished file" : ", bytes"));
            TempDir dir;
            const fs::path target = dir / "Model.INF";
            WriteBytes(target, oldBytes);
            fs::path finished;
            if (handOver) {
                finished = CreateFileBeside(target).value();
                WriteBytes(finished, newBytes);
            }
            Result<void> result = Ok();
            {
                ScopedWriteFaults restore;
                fault.set();
                result = handOver ? ReplaceFileWith(target, finished) : WriteFileAtomically(target, newBytes);
            }
            // A finished file is written already: the write faults do not touch its hand-over.
            if (handOver && fault.errnoValue == ENOSPC) {
                ASSERT_TRUE(result.ok()) << result.error().description;
                EXPECT_EQ(ReadBytes(target), newBytes);
                continue;
            }
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result.error().domain, ErrorDomain::FileSystem);
            EXPECT_EQ(result.error().code, fault.errnoValue) << result.error().description;
            EXPECT_EQ(ReadBytes(target), oldBytes);
            EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"Model.INF"});
        }
    }
}

TEST(AtomicFiles, AFinishedFileTakesTheModeAndGoesThroughALink)
{
    TempDir dir;
    fs::create_directory(dir / "real");
    const fs::path file = dir / "real" / "Model.DAT";
    WriteBytes(file, "old");
    ::chmod(file.c_str(), 0640);
    fs::create_symlink(file, dir / "link.DAT");
    const fs::path finished = CopyFileBeside(dir / "link.DAT").value();  // beside the link, 0640 too
    ::chmod(finished.c_str(), 0600);
    WriteBytes(finished, "new");

    ASSERT_TRUE(ReplaceFileWith(dir / "link.DAT", finished).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "link.DAT"));
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"link.DAT", "real"}));
}

}  // namespace
}  // namespace arbolith
