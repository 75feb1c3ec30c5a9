// SPDX-License-Identifier: MIT
// The wizard's library lists on real folders: a Wine prefix made here with
// copies of Wine's own libraries, folder trees with links, hidden and
// unreadable folders, and the settings file the search results go to.
#include "wizard/library_discovery.h"
#include "platform/ini.h"
#include "support/temp_dir.h"
#include "support/wine_prefix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::RegKey;
using test::ScopedEnv;
using test::TempDir;
using test::WriteBytes;

// "{0000000N-0000-0000-0000-000000000000}\\" + rest.
std::string Key(int n, std::string_view rest)
{
    return "{0000000" + std::to_string(n) + "-0000-0000-0000-000000000000}\\" + std::string(rest);
}

// Registrations covering each rule of the list, damaged and foreign lines
// among them; user.reg lifts one version's restriction and renames another.
std::string SystemReg()
{
    const std::vector<std::pair<std::string, std::string>> keys = {
        // win32 names a file that is not there, win64 one that is.
        {Key(1, "1.0"), "Microsoft Scripting Runtime"},
        {Key(1, "1.0\\FLAGS"), "0"},
        {Key(1, "1.0\\0\\win32"), "C:\\windows\\syswow64\\scrrun.dll"},
        {Key(1, "1.0\\0\\win64"), "C:\\windows\\system32\\scrrun.dll"},
        // The second TYPELIB resource of vbscript.dll.
        {Key(2, "5.5"), "Microsoft VBScript Regular Expressions 5.5"},
        {Key(2, "5.5\\FLAGS"), "0"},
        {Key(2, "5.5\\0\\win64"), "C:\\windows\\system32\\vbscript.dll\\2"},
        // Hidden, and without FLAGS: neither is listed.
        {Key(3, "1.0"), "Hidden library"},
        {Key(3, "1.0\\FLAGS"), "4"},
        {Key(3, "1.0\\0\\win64"), "C:\\windows\\system32\\scrrun.dll"},
        {Key(4, "1.0"), "Library without flags"},
        {Key(4, "1.0\\0\\win64"), "C:\\windows\\system32\\scrrun.dll"},
        // Locales 0 and 9, both files there: the later locale wins.
        {Key(5, "2.0"), "OLE Automation"},
        {Key(5, "2.0\\FLAGS"), "0"},
        {Key(5, "2.0\\0\\win32"), "\\\\?\\C:\\windows\\system32\\stdole2.tlb"},
        {Key(5, "2.0\\9\\win32"), "C:\\windows\\system32\\STDOLE32.TLB"},
        // Resource 3 of a file that is gone.
        {Key(6, "1.a"), "gone library"},
        {Key(6, "1.a\\FLAGS"), "0"},
        {Key(6, "1.a\\0\\win32"), "C:\\Program Files\\Gone\\gone.dll\\3"},
        // Restricted here, lifted in user.reg.
        {Key(7, "1.0"), "Restricted library"},
        {Key(7, "1.0\\FLAGS"), "1"},
        {Key(7, "1.0\\0\\win64"), "C:\\windows\\system32\\stdole2.tlb"}};
    std::string reg(test::kRegHeader);
    for (const auto& [key, value] : keys) reg += RegKey(key, value);
    reg += "\n[Software\\\\Classes\\\\CLSID\\\\{0D43FE01-F093-11CF-8940-00A0C9054228}] 1\n@=\"FileSystemObject\"\n";
    return reg + "this line is not registry text\n";
}

std::string UserReg()
{
    return std::string(test::kRegHeader) + RegKey(Key(7, "1.0\\FLAGS"), "0") +
           RegKey(Key(1, "1.0"), "Scripting Runtime (user)");
}

void MakeTestPrefix(const fs::path& prefix)
{
    test::MakeWinePrefix(prefix, {"scrrun.dll", "vbscript.dll", "stdole2.tlb", "stdole32.tlb"}, SystemReg(), UserReg());
}

struct Row {
    std::string description, version, path;
    std::uint32_t resource;
    bool exists, win64;
    bool operator==(const Row&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Row& r)
    {
        return out << r.description << " | " << r.version << " | " << r.path << " \\" << r.resource
                   << (r.exists ? " exists" : " missing") << (r.win64 ? " win64" : " win32");
    }
};

std::vector<Row> Rows(const RegistryListing& listing, const fs::path& prefix)
{
    const std::string system32 = fs::canonical(prefix / "drive_c" / "windows" / "system32").string() + "/";
    std::vector<Row> rows;
    for (const RegistryLibrary& lib : listing.libraries) {
        std::string path = lib.path;
        if (path.starts_with(system32)) path = "SYS/" + path.substr(system32.size());
        rows.push_back({lib.description, lib.version, path, lib.resource, lib.fileExists, lib.win64});
    }
    return rows;
}

TEST(RegistryList, ListsUsableVersionsWithLinuxPathsAndResources)
{
    if (!fs::exists(test::kWineLibraryDir / "vbscript.dll")) GTEST_SKIP() << "wine64 is not installed";
    TempDir dir;
    const fs::path prefix = dir / "prefix";
    MakeTestPrefix(prefix);
    // A link to the same prefix, and the prefix twice: still one row per version.
    fs::create_directory_symlink(prefix, dir / "again");
    const std::vector<fs::path> prefixes = {prefix, dir / "again", prefix};

    const RegistryListing first = ReadRegistry(prefixes);
    const std::vector<Row> expected = {
        {"gone library", "1.a", "C:\\Program Files\\Gone\\gone.dll", 3, false, false},
        {"Microsoft VBScript Regular Expressions 5.5", "5.5", "SYS/vbscript.dll", 2, true, true},
        {"OLE Automation", "2.0", "SYS/stdole32.tlb", 0, true, false},
        {"Restricted library", "1.0", "SYS/stdole2.tlb", 0, true, true},
        {"Scripting Runtime (user)", "1.0", "SYS/scrrun.dll", 0, true, true},
    };
    EXPECT_EQ(Rows(first, prefix), expected);
    // The stray line is reported, in one line, naming the file.
    EXPECT_NE(first.note.find("system.reg"), std::string::npos) << first.note;
    EXPECT_EQ(first.note.find('\n'), std::string::npos);

    // Pressing the button again lists the same, once each.
    EXPECT_EQ(Rows(ReadRegistry(prefixes), prefix), expected);
}

TEST(RegistryList, WithoutPrefixSaysWhyInOneLine)
{
    TempDir dir;
    for (const std::vector<fs::path>& prefixes : {std::vector<fs::path>{}, std::vector<fs::path>{dir / "none"}}) {
        const RegistryListing listing = ReadRegistry(prefixes);
        EXPECT_TRUE(listing.libraries.empty());
        EXPECT_NE(listing.note.find("winecfg"), std::string::npos) << listing.note;
        EXPECT_NE(listing.note.find("Browse"), std::string::npos) << listing.note;
        EXPECT_EQ(listing.note.find('\n'), std::string::npos);
    }
}

TEST(RegistryList, PrefixesFoundOnceEachInTheirOrder)
{
    TempDir dir;
    const auto prefixWith = [](const fs::path& folder) {
        fs::create_directories(folder);
        WriteBytes(folder / "system.reg", test::kRegHeader);
    };
    prefixWith(dir / "env");
    prefixWith(dir / "home" / ".local" / "share" / "wineprefixes" / "b");
    prefixWith(dir / "home" / ".local" / "share" / "wineprefixes" / "a");
    fs::create_directories(dir / "home" / ".local" / "share" / "wineprefixes" / "no-registry");
    fs::create_directory_symlink(dir / "env", dir / "home" / ".wine");  // the same prefix as $WINEPREFIX
    const ScopedEnv home("HOME", (dir / "home").string());
    const ScopedEnv prefix("WINEPREFIX", (dir / "env").string());
    const ScopedEnv data("XDG_DATA_HOME", std::nullopt);

    const fs::path shared = dir / "home" / ".local" / "share" / "wineprefixes";
    EXPECT_EQ(FindWinePrefixes(), (std::vector<fs::path>{dir / "env", shared / "a", shared / "b"}));
}

TEST(BrowseRootList, WineDrivesButNotTheOneOfTheWholeDisk)
{
    TempDir dir;
    test::MakeWinePrefix(dir / "one", {}, test::kRegHeader);
    // A prefix whose drive links go round in a circle, and a link to a missing folder.
    fs::create_directories(dir / "loop" / "dosdevices");
    WriteBytes(dir / "loop" / "system.reg", test::kRegHeader);
    fs::create_directory_symlink("d:", dir / "loop" / "dosdevices" / "c:");
    fs::create_directory_symlink("c:", dir / "loop" / "dosdevices" / "d:");
    fs::create_directory_symlink("../nowhere", dir / "loop" / "dosdevices" / "e:");

    const std::vector<fs::path> prefixes = {dir / "one" / "", dir / "loop"};  // a trailing "/" too
    std::vector<std::string> wineLabels;
    for (const BrowseRoot& root : BrowseRoots(prefixes)) {
        if (!root.wineDrive) continue;
        wineLabels.push_back(root.label);
        EXPECT_EQ(root.path, fs::canonical(dir / "one" / "drive_c"));
    }
    EXPECT_EQ(wineLabels, std::vector<std::string>{"C: (one)"});
    const std::vector<BrowseRoot> single = BrowseRoots(std::vector<fs::path>{dir / "one"});
    EXPECT_EQ(single.front().path, "/");
    EXPECT_TRUE(std::any_of(single.begin(), single.end(), [](const BrowseRoot& r) { return r.label == "C:"; }));

    // A registration in the looping prefix maps nowhere, without hanging.
    WriteBytes(dir / "loop" / "system.reg", std::string(test::kRegHeader) + RegKey(Key(6, "1.0"), "Looped") +
                                                RegKey(Key(6, "1.0\\FLAGS"), "0") +
                                                RegKey(Key(6, "1.0\\0\\win32"), "C:\\x.tlb"));
    const RegistryListing listing = ReadRegistry(std::vector<fs::path>{dir / "loop"});
    ASSERT_EQ(listing.libraries.size(), 1u);
    EXPECT_FALSE(listing.libraries[0].fileExists);
    EXPECT_EQ(listing.libraries[0].path, "C:\\x.tlb");
}

TEST(BrowseList, ShowPatternsWithoutRegardToCase)
{
    struct Case {
        std::string_view name;
        bool all, libsExecs, libs;
    };
    for (const Case& c : {Case{"Excel.OLB", true, true, true}, Case{"stdole2.tlb", true, true, true},
                          Case{"scrrun.Dll", true, true, false}, Case{"app.EXE", true, true, false},
                          Case{"x.ocx", true, true, false}, Case{"README", true, false, false},
                          Case{"notes.tlb.txt", true, false, false}, Case{"tlb", true, false, false}}) {
        EXPECT_EQ(MatchesShowType(c.name, 0), c.all) << c.name;
        EXPECT_EQ(MatchesShowType(c.name, 1), c.libsExecs) << c.name;
        EXPECT_EQ(MatchesShowType(c.name, 2), c.libs) << c.name;
        EXPECT_EQ(MatchesShowType(c.name, 7), c.libs) << c.name;
    }
    for (const auto& [stored, shown] :
         std::vector<std::pair<std::int64_t, int>>{{0, 0}, {1, 1}, {2, 2}, {7, 2}, {-1, 2}, {4294967296, 2}})
        EXPECT_EQ(NormalizeShowType(stored), shown) << stored;

    TempDir dir;
    for (const char* name : {"b.tlb", "A.OLB", "c.dll", "d.txt"}) WriteBytes(dir / name, "x");
    fs::create_directory(dir / "folder.tlb");
    fs::create_symlink(dir / "b.tlb", dir / "link.tlb");
    fs::create_symlink(dir / "missing", dir / "dangling.tlb");
    EXPECT_EQ(BrowseFiles(dir.path(), 2).value(), (std::vector<std::string>{"A.OLB", "b.tlb", "link.tlb"}));
    EXPECT_EQ(BrowseFiles(dir.path(), 1).value().size(), 4u);
    EXPECT_EQ(BrowseFiles(dir.path(), 0).value().size(), 5u);
    const auto missing = BrowseFiles(dir / "missing", 0);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().domain, ErrorDomain::FileSystem);
}

// root/
//   b.TLB  a.olb  x.txt  link.tlb -> sub2/z.tlb  dangling.tlb -> nowhere  loop -> .
//   .hidden/h.tlb   f"o|l<FE>/q"u|o<FF>.tlb   sub1/y.Tlb   sub1/deeper/w.OLB   sub2/z.tlb
class SearchTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {".hidden", "sub1/deeper", "sub2", "f\"o|l\xfe"})
            fs::create_directories(root / folder);
        for (const char* file : {"b.TLB", "a.olb", "x.txt", ".hidden/h.tlb", "f\"o|l\xfe/q\"u|o\xff.tlb", "sub1/y.Tlb",
                                 "sub1/deeper/w.OLB", "sub2/z.tlb"})
            WriteBytes(root / file, "x");
        fs::create_symlink("sub2/z.tlb", root / "link.tlb");
        fs::create_symlink("nowhere", root / "dangling.tlb");
        fs::create_directory_symlink(".", root / "loop");
    }
    std::vector<std::string> Paths(const SearchOutcome& outcome) const
    {
        std::vector<std::string> paths;
        for (const FoundLibrary& found : outcome.found) {
            EXPECT_TRUE(found.folder.starts_with(root.string() + "/")) << found.folder;
            EXPECT_TRUE(found.folder.ends_with("/"));
            paths.push_back(found.folder.substr(root.string().size() + 1) + found.fileName);
        }
        return paths;
    }
    TempDir dir;
    fs::path root = dir / "root";
};

TEST_F(SearchTree, BreadthFirstThenFolderByFolderInNameOrder)
{
    const std::vector<std::string> shallowFirst = {
        "a.olb", "b.TLB", "link.tlb", "f\"o|l\xfe/q\"u|o\xff.tlb", "sub1/y.Tlb", "sub2/z.tlb", "sub1/deeper/w.OLB"};
    const SearchOutcome outcome = FindLibraries(root, false);
    EXPECT_EQ(Paths(outcome), shallowFirst);
    EXPECT_EQ(outcome.foldersVisited, 5);  // the link back to the root is not followed
    EXPECT_FALSE(outcome.cancelled);

    // A Wine drive's root: hidden folders are entered too. A trailing slash changes nothing.
    std::vector<std::string> withHidden = shallowFirst;
    withHidden.insert(withHidden.begin() + 3, ".hidden/h.tlb");
    EXPECT_EQ(Paths(FindLibraries(root.string() + "/", true)), withHidden);
}

TEST_F(SearchTree, ProgressCancelAndLinkedRoot)
{
    std::vector<SearchProgress> calls;
    const SearchOutcome outcome =
        FindLibraries(root, false, nullptr, [&](const SearchProgress& p) { calls.push_back(p); });
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().foldersVisited, outcome.foldersVisited);
    EXPECT_EQ(calls.back().librariesFound, static_cast<std::int64_t>(outcome.found.size()));

    const std::atomic<bool> cancel{true};
    const SearchOutcome cancelled = FindLibraries(root, false, &cancel);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.found.empty());

    // The root itself may be a link (a Wine drive is one); it is followed.
    fs::create_directory_symlink(root, dir / "drive");
    const SearchOutcome linked = FindLibraries(dir / "drive", false);
    ASSERT_EQ(linked.found.size(), outcome.found.size());
    EXPECT_EQ(linked.found.front().folder, (dir / "drive").string() + "/");
    EXPECT_TRUE(FindLibraries(dir / "no such folder", false).found.empty());
}

TEST_F(SearchTree, UnreadableFolderContributesNothing)
{
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    fs::create_directory(root / "locked");
    WriteBytes(root / "locked" / "in.tlb", "x");
    chmod((root / "locked").c_str(), 0);
    const SearchOutcome outcome = FindLibraries(root, false);
    chmod((root / "locked").c_str(), 0700);
    EXPECT_EQ(outcome.found.size(), 7u);
}

TEST(SearchResults, SavedInOneSectionAndRestoredInOrder)
{
    TempDir dir;
    const fs::path ini = dir / "ZV.INI";
    WriteBytes(ini, "[BrowseSettings]\nShowType=1\n[WizardSearch]\nold.tlb|/old/=\n[Other]\nKey=Value\n");

    // Enough results to pass the old 20,000-character limit many times over.
    std::vector<FoundLibrary> kept = {{"q\"u|o.tlb", "/a|b/c\"d/"},
                                      {"semi;colon #.OLB", "/with space/"},
                                      {"caf\xc3\xa9.tlb", "/x/"},
                                      {"x.tlb", "C:\\Windows\\"}};
    for (int i = 0; i < 3000; ++i) kept.push_back({"lib" + std::to_string(i) + ".tlb", "/some/longer/folder/name/"});
    std::vector<FoundLibrary> all = kept;
    // Not UTF-8, not a key, trimmed on reading, the same key but for case.
    const std::vector<FoundLibrary> refused = {{"bad\xff.tlb", "/x/"}, {"a=b.tlb", "/x/"},
                                               {"[x.tlb", "/x/"},      {";x.tlb", "/x/"},
                                               {" lead.tlb", "/x/"},   {"CAF\xc3\xa9.TLB", "/X/"}};
    all.insert(all.end() - 1000, refused.begin(), refused.end());

    const auto saved = SaveSearchResults(ini, all);
    ASSERT_TRUE(saved) << saved.error().description;
    EXPECT_EQ(*saved, refused.size());
    EXPECT_EQ(LoadSearchResults(ini), kept);
    EXPECT_EQ(GetIniString("Other", "Key", "", ini), "Value");
    EXPECT_EQ(GetIniString("BrowseSettings", "ShowType", "", ini), "1");

    // A later, empty search leaves no result behind.
    ASSERT_TRUE(SaveSearchResults(ini, {}));
    EXPECT_TRUE(LoadSearchResults(ini).empty());
    EXPECT_TRUE(LoadSearchResults(dir / "missing.ini").empty());
}

TEST(SearchResults, CaptionFromLabelOrRestoredFolder)
{
    for (const auto& [given, caption] : std::vector<std::pair<std::string, std::string>>{
             {"C:", "Search results for drive C:"},
             {"Home", "Search results for drive Home"},
             {"/", "Search results for drive /"},
             {"/home/u/.wine/drive_c/windows/system32/", "Search results for drive C:"},
             {"/usr/lib/", "Search results for drive /"},
             {"d:\\Office\\", "Search results for drive D:"}})
        EXPECT_EQ(SearchCaption(given), caption) << given;
}

TEST(DatFileList, DatEndingInAnyCaseOnly)
{
    TempDir dir;
    for (const char* name : {"b.dat", "A.DAT", "a-b.Dat", "x.dat.bak", "my.data", "y.datx", ".dat", "notes.txt"})
        WriteBytes(dir / name, "x");
    fs::create_directory(dir / "folder.dat");
    EXPECT_EQ(ListDatFiles(dir.path()), (std::vector<std::string>{"A", "a-b", "b"}));
    EXPECT_TRUE(ListDatFiles(dir / "missing").empty());
}

}  // namespace
}  // namespace arbolith
