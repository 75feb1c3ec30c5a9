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

TEST(AppFolders, ExistingNamesAreFoundWithoutRegardToCase)
{
    test::TempDir app;
    fs::create_directory(app / "models");
    test::WriteBytes(app / "zv.ini", "");
    const AppFolders folders = MakeAppFolders(app.path());
    EXPECT_EQ(folders.modelsFolder, app / "models");
    EXPECT_EQ(folders.settingsFile, app / "zv.ini");
    EXPECT_EQ(folders.viewsFolder, app / "VIEWS");
    ASSERT_TRUE(EnsureAppFolders(folders).ok());
    EXPECT_FALSE(fs::exists(app / "Models"));
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

    // A writable program folder is the application folder.
    auto own = DetermineAppFolder(home.path());
    ASSERT_TRUE(own.ok());
    EXPECT_EQ(*own, home.path());

    // Otherwise the per-user data folder.
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    auto user = DetermineAppFolder("/nonexistent/program/folder");
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_TRUE(user.ok());
    EXPECT_EQ(*user, home / "data" / "arbolith");
}

TEST(AppFolders, UncreatableFolderIsAnError)
{
    test::TempDir app;
    test::WriteBytes(app / "Models", "a file where the folder should be");
    const auto made = EnsureAppFolders(MakeAppFolders(app.path()));
    EXPECT_FALSE(made.ok());
}

}  // namespace
}  // namespace arbolith
