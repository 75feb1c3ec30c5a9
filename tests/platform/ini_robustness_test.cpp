// SPDX-License-Identifier: MIT
// Damaged, odd and missing files, and writes interrupted before the rename.
#include "platform/ini.h"
#include "platform/profile.h"
#include "platform/write_faults.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::FolderNames;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(IniRobustness, BadContentReadsWithoutCrashOrChange)
{
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    std::string tenMegabytes = "[Big]\n";
    while (tenMegabytes.size() < 10'000'000) tenMegabytes += "key" + std::to_string(tenMegabytes.size()) + "=v\n";
    tenMegabytes += "last=found\n";
    const std::pair<std::string, std::string> cases[] = {
        {"binary", binary},
        {"nul", std::string("[S]\nk=a\0b\n\0\0\0\n[\0]\n", 17)},
        {"open", "[\n[S\nk=1\n["},
        {"big", tenMegabytes},
    };
    for (const auto& [name, bytes] : cases) {
        const auto file = dir / name;
        WriteBytes(file, bytes);
        const auto stamp = fs::last_write_time(file);
        std::vector<std::string> messages;
        const IniErrorSink sink = [&](const std::string& message) { messages.push_back(message); };
        (void)GetIniString("S", "k", "", file, sink);
        (void)GetIniInteger("S", "k", 1, file, sink);
        (void)GetIniBoolean("S", "k", true, file, sink);
        (void)GetIniSectionKeys("S", file, sink);
        EXPECT_TRUE(messages.empty()) << name;
        EXPECT_EQ(ReadBytes(file), bytes) << name;
        EXPECT_EQ(fs::last_write_time(file), stamp) << name;
    }
    EXPECT_EQ(GetIniString("s", "k", "", dir / "nul"), std::string("a\0b", 3));
    EXPECT_EQ(GetIniString("s", "k", "", dir / "open"), "1");
    EXPECT_EQ(GetIniString("big", "last", "", dir / "big"), "found");
}

TEST(IniRobustness, MissingFileIsEmptyAndAFolderOrUnreadableFileIsAnError)
{
    TempDir dir;
    std::vector<std::string> messages;
    const IniErrorSink sink = [&](const std::string& message) { messages.push_back(message); };
    EXPECT_EQ(GetIniString("S", "k", "default", dir / "missing.ini", sink), "default");
    EXPECT_EQ(GetIniInteger("S", "k", 3, dir / "missing.ini", sink), 3);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fs::exists(dir / "missing.ini"));

    const auto folder = dir / "Folder.ini";
    fs::create_directory(folder);
    EXPECT_EQ(GetIniString("S", "k", "default", folder, sink), "");
    EXPECT_EQ(GetIniInteger("S", "k", 3, folder, sink), 0);
    EXPECT_EQ(GetIniLong("S", "k", 3, folder, sink), 0);
    EXPECT_FALSE(GetIniBoolean("S", "k", true, folder, sink));
    EXPECT_TRUE(GetIniSectionKeys("S", folder, sink).empty());
    EXPECT_FALSE(PutIniString("S", "k", "v", folder, sink));
    EXPECT_FALSE(DeleteIniSection("S", folder, sink));
    ASSERT_EQ(messages.size(), 7u);
    EXPECT_EQ(messages[0], "Error getting string from " + folder.string() + ". is a folder, not a file");
    EXPECT_EQ(messages[6].rfind("Error deleting section from ", 0), 0u);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(ProfileDocument().Save(folder).error().description.find("folder") != std::string::npos);

    if (::geteuid() == 0) return;  // root reads any file
    const auto locked = dir / "locked.ini";
    WriteBytes(locked, "[S]\nk=v\n");
    ::chmod(locked.c_str(), 0);
    EXPECT_EQ(GetIniString("S", "k", "default", locked, sink), "");
    ASSERT_EQ(messages.size(), 8u);
    EXPECT_NE(messages[7].find("cannot open"), std::string::npos);
}

TEST(IniRobustness, InterruptedWriteLeavesTheOldFile)
{
    TempDir dir;
    const auto file = dir / "ZV.INI";
    const std::string original = "[S]\nk=old\n";
    WriteBytes(file, original);

    // A failure between the finished temporary file and the rename cleans up.
    SetBeforeRenameHook([] { throw std::runtime_error("disk gone"); });
    std::string message;
    EXPECT_FALSE(PutIniString("S", "k", "new", file, [&](const std::string& m) { message = m; }));
    SetBeforeRenameHook({});
    EXPECT_EQ(message, "Error writing string to " + file.string() + ". write interrupted before the rename");
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"ZV.INI"});

    // A process that dies at that moment leaves the old file whole; only its
    // finished temporary file remains beside it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetBeforeRenameHook([] { ::_exit(0); });
        (void)PutIniString("S", "k", "new", file);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(file), original);
    const auto names = FolderNames(dir.path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(ReadBytes(dir / names[0]), "[S]\nk=new\n");
    EXPECT_EQ(GetIniString("S", "k", "", file), "old");

    EXPECT_TRUE(PutIniString("S", "k", "new", file));
    EXPECT_EQ(ReadBytes(file), "[S]\nk=new\n");
}

}  // namespace
}  // namespace arbolith
