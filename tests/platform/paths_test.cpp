// SPDX-License-Identifier: MIT
#include "platform/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace arbolith {
namespace {

TEST(PathHelpers, NamePartsOfWindowsAndLinuxPaths)
{
    EXPECT_EQ(GetBaseName("C:\\X\\Foo.olb"), "Foo");
    EXPECT_EQ(GetBaseName("/usr/lib/wine/Foo.olb"), "Foo");
    EXPECT_EQ(GetBaseName("a.b.olb"), "a.b");
    EXPECT_EQ(GetBaseName("C:\\X\\README"), "README");
    EXPECT_EQ(GetBaseName("C:\\X\\MsWord.OLB", true), "msword");
    EXPECT_EQ(GetFileNamePart("C:\\X\\Foo.olb"), "Foo.olb");
    EXPECT_EQ(GetFileNamePart("plain.tlb"), "plain.tlb");
    EXPECT_EQ(GetExtension("C:\\X\\Foo.OLB", true), "olb");
    // A dot in a folder name is no extension of the file.
    EXPECT_EQ(GetExtension("C:\\a.b\\foo"), "");
    EXPECT_EQ(GetExtension("/a.b/foo"), "");
}

TEST(PathHelpers, ModelFileNames)
{
    EXPECT_EQ(GetDatFileName("C:\\X\\Foo.olb"), "Foo.DAT");
    EXPECT_EQ(GetInfFileName("/lib/a.b.olb"), "a.b.INF");

    test::TempDir dir;
    // No file yet: the name to create, with the extension in capitals.
    EXPECT_EQ(GetDatFileName("Foo.olb", dir.path()), dir / "Foo.DAT");
    // An existing file whose name differs in case is found.
    test::WriteBytes(dir / "Foo.dat", "x");
    test::WriteBytes(dir / "foo.inf", "x");
    EXPECT_EQ(GetDatFileName("Foo.olb", dir.path()), dir / "Foo.dat");
    EXPECT_EQ(GetInfFileName("Foo.olb", dir.path()), dir / "foo.inf");
}

TEST(PathHelpers, CaseBlindLookupPrefersTheExactNameThenNameOrder)
{
    test::TempDir dir;
    for (const char* name : {"Windows", "WINDOWS", "windows.old"}) std::filesystem::create_directory(dir / name);
    std::filesystem::create_symlink(dir / "gone", dir / "c:");
    const std::pair<const char*, std::filesystem::path> cases[] = {
        {"WINDOWS", dir / "WINDOWS"},  // the exact spelling
        {"windows", dir / "WINDOWS"},  // "WINDOWS" sorts before "Windows"
        {"C:", dir / "c:"},            // a broken link is still the entry
        {"System32", dir / "System32"},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(FindEntryNoCase(dir.path(), name), expected) << name;
    EXPECT_EQ(FindEntryNoCase(dir / "missing", "x"), dir / "missing" / "x");
}

}  // namespace
}  // namespace arbolith
