// SPDX-License-Identifier: MIT
// arbolith-cli libraries and scan, run as a user runs them, on a Wine
// prefix and a folder tree made by the test.
#include "cli/run_cli.h"
#include "support/wine_prefix.h"

#include <gtest/gtest.h>

namespace arbolith::test {
namespace {

namespace fs = std::filesystem;

TEST(LibrariesCommand, OneTabSeparatedLinePerVersion)
{
    if (!fs::exists(kWineLibraryDir / "vbscript.dll")) GTEST_SKIP() << "wine64 is not installed";
    TempDir home;
    const fs::path prefix = home / "prefix";
    const std::string scripting = "{420B2830-E718-11CF-893D-00A0C9054228}\\1.0";
    const std::string regExp = "{3F4DACA7-160D-11D2-A8E9-00104B365C9F}\\5.5";
    const std::string reg =
        std::string(kRegHeader) + RegKey(scripting, "Scripting\tRuntime") + RegKey(scripting + "\\FLAGS", "0") +
        RegKey(scripting + "\\0\\win64", "C:\\windows\\system32\\scrrun.dll") + RegKey(regExp, "Regular Expressions") +
        RegKey(regExp + "\\FLAGS", "0") + RegKey(regExp + "\\0\\win64", "C:\\windows\\system32\\vbscript.dll\\2");
    MakeWinePrefix(prefix, {"scrrun.dll", "vbscript.dll"}, reg);

    const std::string system32 = fs::canonical(prefix / "drive_c" / "windows" / "system32").string();
    const CliRun run = RunCli(home, "libraries --prefix " + Quoted(prefix.string()) + " --prefix " +
                                        Quoted((home / "not a prefix").string()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Regular Expressions\t5.5\t" + system32 + "/vbscript.dll\t2\n" + "Scripting\\tRuntime\t1.0\t" +
                           system32 + "/scrrun.dll\t0\n");
    // The folder that is no prefix is named on stderr; the list is still printed.
    ASSERT_EQ(run.Messages().size(), 1u) << run.err;
    EXPECT_NE(run.Messages()[0].find("not a prefix"), std::string::npos) << run.err;
}

TEST(LibrariesCommand, WithoutAnyPrefixSaysWhereToTurn)
{
    TempDir home;
    const ScopedEnv homeVar("HOME", home.path().string());
    const ScopedEnv prefixVar("WINEPREFIX", std::nullopt);
    const ScopedEnv dataVar("XDG_DATA_HOME", std::nullopt);
    const CliRun run = RunCli(home, "libraries");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(run.Messages().size(), 1u) << run.err;
    EXPECT_NE(run.Messages()[0].find("winecfg"), std::string::npos) << run.err;
}

TEST(ScanCommand, FullPathsInSearchOrderAndClearFailures)
{
    TempDir home;
    const fs::path root = home / "tree";
    fs::create_directories(root / "sub");
    fs::create_directories(root / ".hidden");
    for (const char* file : {"a.tlb", "odd\xff\tname.tlb", "sub/b.OLB", ".hidden/c.tlb", "sub/readme.txt"})
        WriteBytes(root / file, "x");
    const std::string r = root.string();

    CliRun run = RunCli(home, "scan " + Quoted(r));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, r + "/a.tlb\n" + r + "/odd\\xff\\tname.tlb\n" + r + "/sub/b.OLB\n");
    EXPECT_NE(run.err.find("2 folders searched, 3 libraries found"), std::string::npos) << run.err;

    run = RunCli(home, "scan --hidden " + Quoted(r + "/"));
    EXPECT_EQ(run.out, r + "/a.tlb\n" + r + "/odd\\xff\\tname.tlb\n" + r + "/.hidden/c.tlb\n" + r + "/sub/b.OLB\n");

    struct Failure {
        std::string args;
        int status;
        std::string says;
    };
    for (const Failure& f : {Failure{"scan " + Quoted(r + "/missing"), 1, "no such folder"},
                             Failure{"scan " + Quoted(r + "/a.tlb"), 1, "not a folder"}, Failure{"scan", 2, "root"}}) {
        run = RunCli(home, f.args);
        EXPECT_EQ(run.status, f.status) << f.args;
        EXPECT_EQ(run.out, "") << f.args;
        ASSERT_EQ(run.Messages().size(), 1u) << f.args << ": " << run.err;
        EXPECT_NE(run.Messages()[0].find(f.says), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace arbolith::test
