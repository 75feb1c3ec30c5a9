// SPDX-License-Identifier: MIT
// Finding a library's help file: a Linux path, the library's folder, a
// Windows path through a Wine prefix, the HELPDIR of the registration, each
// without regard to case; settings that try to leave those places find
// nothing.
#include "help/help_location.h"
#include "support/temp_dir.h"
#include "support/wine_prefix.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace arbolith::help {
namespace {

namespace fs = std::filesystem;
using test::RegKey;
using test::TempDir;
using test::WriteBytes;

constexpr std::string_view kGuid = "{6B0E4C1A-3C2E-4F70-9F0B-1F2D3A4B5C6D}";

// A library folder and a Wine prefix in which the library is registered
// as version 2.10 (key "2.a") with its help in C:\Program Files\Sample\Help.
class Places {
public:
    Places()
    {
        fs::create_directories(m_dir / "lib");
        WriteBytes(m_dir / "lib" / "Sample.tlb", "library");
        WriteBytes(m_dir / "lib" / "Beside.CHM", "beside");
        WriteBytes(m_dir / "secret.chm", "outside");
        fs::create_directory(m_dir / "lib" / "folder.chm");

        const std::string key = std::string(kGuid) + "\\2.a";
        const std::string reg = std::string(test::kRegHeader) + RegKey(key, "Sample Library") +
                                RegKey(key + "\\FLAGS", "0") +
                                RegKey(key + "\\HELPDIR", "C:\\Program Files\\Sample\\Help") +
                                RegKey(key + "\\0\\win32", "C:\\windows\\system32\\sample.tlb");
        test::MakeWinePrefix(Prefix(), {}, reg);
        const fs::path help = Prefix() / "drive_c" / "Program Files" / "Sample" / "Help";
        fs::create_directories(help);
        WriteBytes(help / "Registered.chm", "registered");
        WriteBytes(Prefix() / "drive_c" / "Program Files" / "Sample" / "Mapped.HLP", "mapped");
    }

    fs::path Prefix() const { return m_dir / "prefix"; }
    const fs::path& Dir() const { return m_dir.path(); }

    HelpPlaces For() const
    {
        HelpPlaces places;
        places.libraryFile = m_dir / "lib" / "Sample.tlb";
        places.libraryGuid = std::string(kGuid);
        places.libraryVersion = "2.10";
        places.winePrefixes = {Prefix()};
        return places;
    }

private:
    TempDir m_dir;
};

TEST(HelpLocation, EachWayFindsItsFileWithoutRegardToCase)
{
    Places places;
    const fs::path drive = places.Prefix() / "drive_c" / "Program Files" / "Sample";
    const std::pair<std::string, fs::path> cases[] = {
        {(places.Dir() / "LIB" / "beside.chm").string(), places.Dir() / "lib" / "Beside.CHM"},  // a Linux path
        {"beside.chm", places.Dir() / "lib" / "Beside.CHM"},                                    // the library's folder
        {"D:\\Elsewhere\\BESIDE.chm", places.Dir() / "lib" / "Beside.CHM"},                     // by its name first
        {"c:\\program files\\SAMPLE\\mapped.hlp", drive / "Mapped.HLP"},                        // through the drives
        {"  registered.CHM ", drive / "Help" / "Registered.chm"},                               // the HELPDIR
        {"X:\\Old\\Registered.chm", drive / "Help" / "Registered.chm"},
    };
    for (const auto& [setting, expected] : cases) {
        auto found = LocateHelpFile(setting, places.For());
        ASSERT_TRUE(found) << setting << ": " << found.error().description;
        EXPECT_EQ(*found, expected) << setting;
    }
}

TEST(HelpLocation, SettingsThatLeaveThePlacesFindNothing)
{
    Places places;
    // secret.chm lies beside the library's folder; none of these may reach it.
    for (const std::string setting : {"..\\secret.chm", "../secret.chm", "lib/../../secret.chm", "..",
                                      "C:\\..\\..\\..\\secret.chm", "folder.chm", ""}) {
        auto found = LocateHelpFile(setting, places.For());
        EXPECT_FALSE(found) << setting << " found " << (found ? found->string() : "");
    }
    // The version must match the registration: 2.10 is "2.a" in the registry, "2.1" is another version.
    HelpPlaces other = places.For();
    other.libraryVersion = "3.0";
    EXPECT_FALSE(LocateHelpFile("registered.chm", other));
}

TEST(HelpLocation, TheErrorNamesEveryPlaceLookedIn)
{
    Places places;
    auto found = LocateHelpFile("C:\\Help\\Missing.chm", places.For());
    ASSERT_FALSE(found);
    const std::string& message = found.error().description;
    for (const std::string& part : {std::string("C:\\Help\\Missing.chm"), (places.Dir() / "lib").string(),
                                    places.Prefix().string(), std::string("C:\\Program Files\\Sample\\Help")})
        EXPECT_NE(message.find(part), std::string::npos) << part << " not in: " << message;
}

TEST(HelpLocation, TheUsualPrefixesAreLookedInWhenNoneAreGiven)
{
    Places places;
    HelpPlaces usual = places.For();
    usual.winePrefixes.clear();
    usual.libraryFile.clear();
    {
        test::ScopedEnv prefix("WINEPREFIX", places.Prefix().string());
        auto found = LocateHelpFile("Registered.chm", usual);
        ASSERT_TRUE(found) << found.error().description;
    }
    test::ScopedEnv prefix("WINEPREFIX", std::nullopt);
    test::ScopedEnv home("HOME", places.Dir().string());
    test::ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    fs::create_directories(places.Dir() / ".local" / "share" / "wineprefixes");
    fs::create_directory_symlink(places.Prefix(), places.Dir() / ".local" / "share" / "wineprefixes" / "sample");
    EXPECT_TRUE(LocateHelpFile("C:\\Program Files\\Sample\\Mapped.hlp", usual));
}

}  // namespace
}  // namespace arbolith::help
