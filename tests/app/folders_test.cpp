// SPDX-License-Identifier: MIT
#include "app/folders.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

TEST(AppFolders, FirstStartCreatesFoldersAndCopiesInstalledInfFiles)
{
    test::TempDir app;
    fs::create_directory(app / "Models");
    test::WriteBytes(app / "Models" / "Word.INF", "[Main]\n");
    test::WriteBytes(app / "Models" / "excel.inf", "[Main]\n");
    test::WriteBytes(app / "Models" / "Word.DAT", "data");

    const AppFolders folders = MakeAppFolders(app.path());
    ASSERT_TRUE(EnsureAppFolders(folders).ok());

    EXPECT_TRUE(fs::is_directory(app / "VIEWS"));
    EXPECT_TRUE(fs::exists(app / "ModelsBak" / "Word.INF"));
    EXPECT_TRUE(fs::exists(app / "ModelsBak" / "excel.inf"));
    EXPECT_FALSE(fs::exists(app / "ModelsBak" / "Word.DAT"));
    EXPECT_FALSE(fs::exists(app / "ModelsBak.partial"));

    // Later starts copy nothing, even when the models folder has new INF files.
    test::WriteBytes(app / "Models" / "New.INF", "[Main]\n");
    ASSERT_TRUE(EnsureAppFolders(MakeAppFolders(app.path())).ok());
    EXPECT_FALSE(fs::exists(app / "ModelsBak" / "New.INF"));
}

TEST(AppFolders, ExistingNamesAreFoundWithoutRegardToCaseAndAFileInTheWayIsAnError)
{
    test::TempDir app;
    fs::create_directory(app / "models");
    test::WriteBytes(app / "zv.ini", "");
    const AppFolders folders = MakeAppFolders(app.path());
    EXPECT_EQ(folders.modelsFolder, app / "models");
    EXPECT_EQ(folders.settingsFile, app / "zv.ini");
    ASSERT_TRUE(EnsureAppFolders(folders).ok());
    EXPECT_FALSE(fs::exists(app / "Models"));

    fs::remove(app / "VIEWS");
    test::WriteBytes(app / "VIEWS", "a file where the folder should be");
    EXPECT_FALSE(EnsureAppFolders(MakeAppFolders(app.path())).ok());
}

TEST(AppFolders, ChoiceOfApplicationFolder)
{
    test::TempDir home;
    ::setenv("ARBOLITH_HOME", (home / "portable").c_str(), 1);
    auto chosen = DetermineAppFolder("/nonexistent");
    ::unsetenv("ARBOLITH_HOME");
    ASSERT_TRUE(chosen.ok());
    EXPECT_EQ(*chosen, home / "portable");
    EXPECT_TRUE(fs::is_directory(home / "portable"));

    // The program's own folder only when the build marked it as a build
    // tree; an installed program's folder is never used, writable or not
    // (root can write to /usr/local/bin).
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    fs::create_directory(home / "bin");
    auto installed = DetermineAppFolder(home / "bin");
    auto missing = DetermineAppFolder("/nonexistent/program/folder");
    test::WriteBytes(home / "bin" / kBuildTreeMarker, "");
    auto buildTree = DetermineAppFolder(home / "bin");
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_TRUE(installed.ok() && missing.ok() && buildTree.ok());
    EXPECT_EQ(*installed, home / "data" / "arbolith");
    EXPECT_EQ(*missing, home / "data" / "arbolith");
    EXPECT_EQ(*buildTree, home / "bin");
}

// The build writes the marker beside the programs it makes; this test runs
// from that folder.
TEST(AppFolders, BuildTreeIsMarked)
{
    EXPECT_TRUE(fs::exists(RunningProgramFolder() / kBuildTreeMarker));
}

}  // namespace
}  // namespace arbolith
