// SPDX-License-Identifier: MIT
#include "platform/wine_registry.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteBytes;

constexpr std::string_view kHeader =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n";
constexpr std::string_view kGuid = "{11111111-2222-3333-4444-555555555555}";

// A Typelib key as Wine writes it ("{G}\\1.0\\0\\win64", names escaped as in
// the file), with its timestamp and #time line, then one value line.
std::string Key(std::string_view below, std::string_view value)
{
    return "[Software\\\\Classes\\\\Typelib\\\\" + std::string(below) + "] 1700000000\n#time=1d9a0b0c0d0e0f0\n" +
           std::string(value) + "\n\n";
}

// A prefix in a temporary folder: dosdevices/c: -> ../drive_c, z: -> /.
class FixturePrefix {
public:
    FixturePrefix()
    {
        fs::create_directories(m_dir / "drive_c");
        fs::create_directories(m_dir / "dosdevices");
        fs::create_directory_symlink("../drive_c", m_dir / "dosdevices" / "c:");
        fs::create_directory_symlink("/", m_dir / "dosdevices" / "z:");
    }
    const fs::path& Path() const { return m_dir.path(); }
    fs::path AddFile(std::string_view underDriveC)
    {
        const fs::path file = m_dir / "drive_c" / underDriveC;
        fs::create_directories(file.parent_path());
        WriteBytes(file, "MSFT");
        return file;
    }
    // Removed first: a rewrite by truncation makes ext4 flush on close (slow).
    void System(std::string_view text) const
    {
        fs::remove(m_dir / "system.reg");
        WriteBytes(m_dir / "system.reg", text);
    }
    void User(std::string_view text) const { WriteBytes(m_dir / "user.reg", text); }

private:
    TempDir m_dir;
};

const RegisteredTypeLib& Entry(const WineRegistry& reg, std::string_view guid, std::uint16_t minor, bool win64)
{
    for (const auto& lib : reg.TypeLibs())
        if (lib.guid == guid && lib.minor == minor && lib.win64 == win64) return lib;
    throw std::runtime_error("no entry for " + std::string(guid));
}

TEST(WineRegistryEntries, ReadsVersionsPlatformsLocalesAndEscapes)
{
    FixturePrefix prefix;
    const fs::path scr32 = prefix.AddFile("windows/syswow64/scrrun.dll");
    const fs::path scr64 = prefix.AddFile("windows/system32/scrrun.dll");
    const fs::path vbs = prefix.AddFile("windows/system32/vbscript.dll");
    const std::string scr = R"({420b2830-e718-11cf-893d-00a0c9054228}\\1.a)";  // 1.10, lower case as found
    prefix.System(std::string(kHeader) + Key(scr, R"(@="Scripting \"Runtime\" \\ caf\x00e9 \xd83d\xde00")") +
                  Key(scr + R"(\\FLAGS)", R"(@="4")") + Key(scr + R"(\\HELPDIR)", R"(@="C:\\windows\\help")") +
                  Key(scr + R"(\\0\\win32)", R"(@="\\\\?\\C:\\windows\\syswow64\\scrrun.dll")") +
                  Key(scr + R"(\\409\\win64)", R"(@=str(2):"%SystemRoot%\\system32\\scrrun.dll")") +
                  Key(R"({3F4DACA7-160D-11D2-A8E9-00104B365C9F}\\5.5\\0\\win64)",
                      R"(@="C:\\windows\\system32\\vbscript.dll\\3")") +
                  // Not libraries: ignored.
                  Key(R"(not-a-guid\\1.0\\0\\win64)", R"(@="C:\\x.dll")") +
                  Key(std::string(kGuid) + R"(\\1.x\\0\\win64)", R"(@="C:\\x.dll")") +
                  "[Software\\\\Classes\\\\CLSID\\\\{0D43FE01-F093-11CF-8940-00A0C9054228}\\\\TypeLib] 1\n@=\"x\"\n");
    const WineRegistry reg = WineRegistry::Open(prefix.Path());
    EXPECT_TRUE(reg.HasPrefix());
    EXPECT_EQ(reg.Reason(), "");
    ASSERT_EQ(reg.TypeLibs().size(), 3u);
    EXPECT_EQ(reg.TypeLibs()[0].lcid, "0");  // sorted: locale 0 before 409

    const auto& s32 = Entry(reg, "{420B2830-E718-11CF-893D-00A0C9054228}", 10, false);
    EXPECT_EQ(s32.description, "Scripting \"Runtime\" \\ caf\u00e9 \U0001F600");
    EXPECT_EQ(s32.flags, 4u);
    EXPECT_EQ(s32.helpDir, "C:\\windows\\help");
    EXPECT_EQ(s32.windowsPath, "C:\\windows\\syswow64\\scrrun.dll");
    EXPECT_EQ(fs::path(s32.linuxPath), scr32);

    const auto& s64 = Entry(reg, "{420B2830-E718-11CF-893D-00A0C9054228}", 10, true);
    EXPECT_EQ(s64.lcid, "409");
    EXPECT_EQ(s64.windowsPath, "C:\\windows\\system32\\scrrun.dll");
    EXPECT_EQ(fs::path(s64.linuxPath), scr64);

    const auto& vb = Entry(reg, "{3F4DACA7-160D-11D2-A8E9-00104B365C9F}", 5, true);
    EXPECT_EQ(fs::path(vb.linuxPath), vbs);
    EXPECT_EQ(vb.resource, 3u);
}

TEST(WineRegistryEntries, FindPicksVersionThenBestFileAndUserRegOverridesKeyByKey)
{
    FixturePrefix prefix;
    prefix.AddFile("a32.dll");
    prefix.AddFile("b64.dll");
    const std::string g(kGuid);
    prefix.System(
        std::string(kHeader) + Key(g + R"(\\1.2)", R"(@="System description")") +
        Key(g + R"(\\1.2\\0\\win32)", R"(@="C:\\a32.dll")") + Key(g + R"(\\1.2\\0\\win64)", R"(@="C:\\sys.dll")") +
        Key(g + R"(\\1.c\\0\\win32)", R"(@="C:\\a32.dll")") + Key(g + R"(\\1.c\\0\\win64)", R"(@="C:\\missing.dll")") +
        Key(g + R"(\\1.c\\409\\win64)", R"(@="C:\\b64.dll")"));
    // The user's key is spelt in another case and replaces the path only.
    prefix.User("WINE REGISTRY Version 2\n\n" +
                Key(R"({11111111-2222-3333-4444-555555555555}\\1.2\\0\\WIN64)", R"(@="C:\\b64.dll")") +
                Key(R"({BBBBBBBB-2222-3333-4444-555555555555}\\1.0\\0\\win32)", R"(@="C:\\user.dll")"));
    const WineRegistry reg = WineRegistry::Open(prefix.Path());
    ASSERT_EQ(reg.TypeLibs().size(), 6u);

    // Exact version, win64 when both exist; the GUID in any case, braces optional.
    auto found = reg.Find("11111111-2222-3333-4444-555555555555", 1, 2);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->minor, 2);
    EXPECT_TRUE(found->win64);
    EXPECT_EQ(found->windowsPath, "C:\\b64.dll");
    EXPECT_EQ(found->description, "System description");
    EXPECT_EQ(reg.Find("{bbbbbbbb-2222-3333-4444-555555555555}", 1, 0)->windowsPath, "C:\\user.dll");

    // No 1.5: the highest minor, 1.12. Its locale-0 win64 file is missing, so
    // a file that exists wins, locale 0 first.
    found = reg.Find("{11111111-2222-3333-4444-555555555555}", 1, 5);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->minor, 12);
    EXPECT_EQ(found->lcid, "0");
    EXPECT_FALSE(found->win64);

    EXPECT_FALSE(reg.Find(kGuid, 2, 0));
    EXPECT_FALSE(reg.Find("{11111111-2222-3333-4444-555555555556}", 1, 2));

    const auto& missing = Entry(reg, kGuid, 12, true);
    EXPECT_EQ(missing.linuxPath, "");
    EXPECT_NE(missing.problem.find("no \"missing.dll\""), std::string::npos) << missing.problem;
}

TEST(WineRegistryPaths, MapsThroughDriveLinksWithoutRegardToCase)
{
    FixturePrefix prefix;
    const fs::path dll = prefix.AddFile("Windows/System32/ScrRun.DLL");
    const WineRegistry noPrefix = WineRegistry::Open(prefix.Path());  // no system.reg yet
    EXPECT_FALSE(noPrefix.MapWindowsPath("C:\\windows\\system32\\scrrun.dll"));
    prefix.System(kHeader);
    const WineRegistry reg = WineRegistry::Open(prefix.Path());

    for (const std::string_view path :
         {"c:\\WINDOWS\\SYSTEM32\\SCRRUN.DLL", "\\\\?\\C:\\windows\\system32\\scrrun.dll",
          "c:/windows/system32/scrrun.dll", "C:\\windows\\.\\temp\\..\\..\\..\\windows\\system32\\\\scrrun.dll"}) {
        const auto mapped = reg.MapWindowsPath(path);
        ASSERT_TRUE(mapped) << mapped.error().description;
        EXPECT_EQ(fs::path(*mapped), dll) << path;  // the link resolved: not .../dosdevices/c:/...
    }
    EXPECT_EQ(*reg.MapWindowsPath("Z:\\"), "/");

    for (const auto& [path, why] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
             {"C:\\windows\\system32\\nothere.dll", "no \"nothere.dll\" in"},
             {"D:\\x.dll", "drive D: is not mapped"},
             {"scrrun.dll", "not an absolute path"},
             {"C:scrrun.dll", "relative to a drive"},
             {"\\\\server\\share\\x.tlb", "network"}}) {
        const auto mapped = reg.MapWindowsPath(path);
        ASSERT_FALSE(mapped) << path;
        EXPECT_NE(mapped.error().description.find(why), std::string::npos) << mapped.error().description;
    }
}

TEST(WineRegistryDamage, MissingUnreadableOrForeignFilesGiveAReason)
{
    TempDir dir;
    const WineRegistry none = WineRegistry::Open(dir / "nowhere");
    EXPECT_FALSE(none.HasPrefix());
    EXPECT_TRUE(none.TypeLibs().empty());
    EXPECT_EQ(none.Reason(), "no Wine prefix at " + (dir / "nowhere").string() + " (set WINEPREFIX)");
    EXPECT_NE(WineRegistry::Open(dir.path()).Reason().find("has no system.reg"), std::string_view::npos);

    // With no folder given, WINEPREFIX decides; empty, it is ignored.
    const char* saved = std::getenv("WINEPREFIX");
    const std::string savedValue = saved ? saved : "";
    setenv("WINEPREFIX", (dir / "elsewhere").c_str(), 1);
    EXPECT_EQ(WineRegistry::Open().Prefix(), dir / "elsewhere");
    setenv("WINEPREFIX", "", 1);
    EXPECT_EQ(WineRegistry::DefaultPrefix().filename(), ".wine");
    saved ? setenv("WINEPREFIX", savedValue.c_str(), 1) : unsetenv("WINEPREFIX");

    // A folder where system.reg should be, or a file of another format, still
    // gives a prefix; user.reg is read all the same.
    FixturePrefix prefix;
    fs::create_directory(prefix.Path() / "system.reg");
    prefix.User(std::string(kHeader) + Key(std::string(kGuid) + R"(\\1.0\\0\\win64)", R"(@="C:\\gone.dll")"));
    WineRegistry reg = WineRegistry::Open(prefix.Path());
    EXPECT_TRUE(reg.HasPrefix());
    EXPECT_EQ(reg.Reason(), "system.reg is not a file");
    EXPECT_EQ(reg.TypeLibs().size(), 1u);
    fs::remove(prefix.Path() / "system.reg");
    prefix.System("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
    EXPECT_EQ(WineRegistry::Open(prefix.Path()).Reason(), "system.reg does not start with \"WINE REGISTRY Version 2\"");
}

TEST(WineRegistryDamage, DamagedLinesAreSkippedAndReported)
{
    FixturePrefix prefix;
    prefix.AddFile("good.dll");
    const std::string g = std::string(kGuid) + R"(\\1.0)";
    const std::string h = R"({AAAAAAAA-2222-3333-4444-555555555555}\\1.0)";
    std::string text(kHeader);
    text += Key(g, R"(@="Good")") + Key(g + R"(\\0\\win64)", R"(@="C:\\good.dll")");
    // A key line without "]": its value must not land on the key before it.
    text += "[Software\\\\Classes\\\\Typelib\\\\" + g + "\\\\0\\\\win64 1700000000\n@=\"C:\\\\evil.dll\"\n";
    text += std::string("\x00\xff\xfe garbage \x01\x02[\x80\n\xc3(\n", 20);
    text += Key(h, R"(@="unterminated \"string)");
    text += Key(h + R"(\\0\\win64)", R"(@="C:\\good.dll")");
    text += Key(h + R"(\\0\\win32)", "@=dword:00000001");  // not a string: no path
    text += "[Software\\\\Classes\\\\Typelib\\\\{1111";    // the file ends inside a key line
    prefix.System(text);

    const WineRegistry reg = WineRegistry::Open(prefix.Path());
    ASSERT_EQ(reg.TypeLibs().size(), 3u);
    EXPECT_EQ(reg.Find(kGuid, 1, 0)->windowsPath, "C:\\good.dll");
    EXPECT_EQ(reg.Find(kGuid, 1, 0)->description, "Good");
    const auto& after = Entry(reg, "{AAAAAAAA-2222-3333-4444-555555555555}", 0, true);
    EXPECT_EQ(after.description, "");
    EXPECT_FALSE(after.linuxPath.empty());
    EXPECT_EQ(Entry(reg, "{AAAAAAAA-2222-3333-4444-555555555555}", 0, false).problem, "no file is registered");
    // The broken key, two lines of garbage, the unterminated string, the last line.
    EXPECT_NE(reg.Reason().find("system.reg: 5 lines could not be read and were skipped (lines "),
              std::string_view::npos)
        << reg.Reason();
}

// Every cut of a valid file, and random bytes flipped in it, must merely not
// crash (the sanitizer build checks the reads).
TEST(WineRegistryDamage, MutatedFilesNeverCrash)
{
    FixturePrefix prefix;
    const std::string g = std::string(kGuid) + R"(\\1.0)";
    const std::string valid = std::string(kHeader) + Key(g, R"(@="A \"b\" \x00e9\xd800\\")") +
                              Key(g + R"(\\0\\win64)", R"(@=str(2):"\\\\?\\%SystemRoot%\\x.dll\\2")") +
                              Key(g + R"(\\FLAGS)", R"(@="12")") + "\"X\"=hex:01,02,\\\n  03\n";
    // Whatever survives, each entry either names a file or says why not.
    const auto check = [&](const std::string& text) {
        prefix.System(text);
        for (const auto& lib : WineRegistry::Open(prefix.Path()).TypeLibs())
            EXPECT_NE(lib.linuxPath.empty(), lib.problem.empty()) << lib.windowsPath;
    };
    for (std::size_t cut = 0; cut <= valid.size(); ++cut) check(valid.substr(0, cut));
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string text = valid;
        for (int i = 0; i < 4; ++i) text[random() % text.size()] = static_cast<char>(random() % 256);
        check(text);
    }
}

}  // namespace
}  // namespace arbolith
