// SPDX-License-Identifier: MIT
// Saved views: the file's exact bytes (files written now must load in later
// versions), damaged and hostile files refused without a change, a view
// saved and loaded on a model from its DAT file, and a folder that cannot
// be written.
#include "browser/views.h"

#include "browser/model_files.h"
#include "browser/object_browser.h"
#include "support/temp_dir.h"
#include "support/tiny_tmpfs.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace arbolith::browser {
namespace {

namespace fs = std::filesystem;

ViewFile TwoSeedView()
{
    ViewSeed root, docs;
    root.docString = "The application", root.helpId = "12", root.image = {true, false, false};
    root.name = "Application";
    docs.isCollection = true, docs.index = 1, docs.level = 1, docs.object = 2, docs.parent = 0;
    docs.helpId = "0", docs.hiddenState = "H", docs.image = {false, true, true}, docs.member = "{Document}";
    docs.name = "Documents", docs.nameExtra = "(x)", docs.origin = "(P:Documents)";
    return {"Quill", {6, 0, 100}, {root, docs}, {true, true, false, true}};
}

constexpr std::string_view kTwoSeedBytes =
    "Quill\r\n"
    "6:0:100:\r\n"
    " 2 \r\n"
    "SP:[Application]\r\n"
    "SP:[Documents]\r\n"
    "01:False\r\n02:0\r\n03:0\r\n04:0\r\n05:-1\r\n06:The application\r\n07:12\r\n08:\r\n09:OnObj\r\n"
    "10:\r\n11:Application\r\n12:\r\n13:\r\n"
    "01:True\r\n02:1\r\n03:1\r\n04:2\r\n05:0\r\n06:\r\n07:0\r\n08:H\r\n09:OffColHid\r\n"
    "10:{Document}\r\n11:Documents\r\n12:(x)\r\n13:(P:Documents)\r\n"
    "1101";

TEST(ViewFormat, BytesAreLaidOutExactlyAndReadBack)
{
    EXPECT_EQ(FormatView(TwoSeedView()), kTwoSeedBytes);
    auto parsed = ParseView(kTwoSeedBytes);
    ASSERT_TRUE(parsed) << parsed.error().description;
    EXPECT_EQ(*parsed, TwoSeedView());

    // Line breaks inside texts would shift every later line.
    ViewFile broken = TwoSeedView();
    broken.seeds[0].docString = "first\r\nsecond\nthird\rfourth";
    const std::string bytes = FormatView(broken);
    EXPECT_NE(bytes.find("06:first second third fourth\r\n"), std::string::npos);
    parsed = ParseView(bytes);
    ASSERT_TRUE(parsed) << parsed.error().description;
    EXPECT_EQ(parsed->seeds[1], TwoSeedView().seeds[1]);
}

TEST(ViewFormat, DamagedAndHostileFilesAreRefusedWithTheirFaultNamed)
{
    const std::string good(kTwoSeedBytes);
    const auto replaced = [&](std::string_view from, std::string_view to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const struct {
        std::string bytes;
        std::string fault;
    } cases[] = {
        {"", "the model key is empty"},
        {good.substr(0, good.find("09:OffColHid")), "cut short: it has 27 lines, a view of 2 seeds has 32"},
        {replaced(" 2 ", " 0 "), "seed count \" 0 \" is not a number from 1 to 101"},
        {replaced(" 2 ", " two "), "from 1 to 101"},
        {replaced(" 2 ", " 3 "), "cut short"},
        {replaced(" 2 ", " 1 "), "line 5: field 01: of seed 0 was expected"},
        // An old file whose doc string spanned two lines.
        {replaced("06:The application", "06:The\r\napplication"), "line 12: field 07: of seed 0 was expected"},
        {replaced("01:True", "01:Yes"), "field 01: of seed 1 (line 19): \"Yes\" is neither True nor False"},
        {replaced("02:1\r\n", "02:7\r\n"), "the index \"7\" should be 1"},
        {replaced("05:0\r\n", "05:5\r\n"), "the parent \"5\" should be 0"},
        {replaced("OffColHid", "Folder"), "\"Folder\" is not a node image"},
        {replaced("6:0:100:", "6:0:101:"), "branch limit \"101\" of object 2"},
        {replaced("1101", "11x1"), "should be given by \"0\" and \"1\""},
        {good + "\r\nextra", "lines more than its seed count allows"},
        {replaced("Quill", "../../etc/passwd"), "is not a file name"},
    };
    for (const auto& c : cases) {
        auto parsed = ParseView(c.bytes);
        ASSERT_FALSE(parsed) << c.fault;
        EXPECT_NE(parsed.error().description.find(c.fault), std::string::npos)
            << "expected: " << c.fault << "\ngot: " << parsed.error().description;
    }
}

// App -> Documents {Document} -> Document -> Window, App -> Window.
struct Model {
    test::TempDir dir;
    ScriptedPrompt prompt;
    ObjectBrowser browser{dir / "Models", prompt};

    Model()
    {
        fs::create_directories(dir / "Models");
        test::WriteDat(dir / "Models" / "lib.DAT",
                       {{"App", false, "", "", "12"},
                        {"Documents", true, "Document"},
                        {"Document", false, "", "", "5"},
                        {"Window", false, "", "H"}},
                       {{0, 1, "(P:Documents)"}, {1, 2, "(M:Item)"}, {2, 3, "(P:Window)"}, {0, 3, "(P:Active)"}});
        test::WriteInf(dir / "Models" / "lib.INF", "App", 0);
        EXPECT_TRUE(browser.LibraryMenuClicked("lib"));
    }

    std::int32_t NodeOf(std::int32_t object, std::int32_t level) const
    {
        const auto nodes = browser.Nodes();
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].object == object && nodes[i].level == level) return static_cast<std::int32_t>(i);
        return -1;
    }
    std::vector<NodeRecord> Nodes() const { return {browser.Nodes().begin(), browser.Nodes().end()}; }
};

TEST(ViewLoading, ALocalViewSavedAndLoadedGivesTheSameTreeLimitsAndExpansion)
{
    Model m;
    // Local view of Window under Document: four seeds.
    ASSERT_EQ(m.browser.SwitchToLocalView(m.NodeOf(3, 3)), TreeChange::Rebuilt);
    ASSERT_EQ(m.browser.SeedCount(), 4u);
    const std::vector<NodeRecord> saved = m.Nodes();
    std::vector<bool> expanded(saved.size());
    expanded[0] = expanded[2] = true;
    auto view = m.browser.CurrentView(expanded);
    ASSERT_TRUE(view) << view.error().description;
    EXPECT_EQ(view->modelKey, "lib");
    EXPECT_EQ(view->seeds[1].origin, "(P:Documents)");
    EXPECT_EQ(view->seeds[1].member, "{Document}");
    view->branchLimits[0] = 1;  // a limit of its own, not the INF file's
    const fs::path file = ViewFilePath(m.dir / "VIEWS", "Deep");
    ASSERT_TRUE(WriteViewFile(file, *view));

    m.browser.SwitchToGlobalView();
    auto read = ReadViewFile(file);
    ASSERT_TRUE(read) << read.error().description;
    auto loaded = m.browser.LoadView(*read);
    ASSERT_TRUE(loaded) << loaded.error().description;
    EXPECT_EQ(*loaded, TreeChange::Rebuilt);
    EXPECT_EQ(m.Nodes(), saved);
    EXPECT_EQ(m.browser.SeedCount(), 4u);
    EXPECT_EQ(m.browser.Model().objects[0].branchLimit, 1);
    EXPECT_EQ(m.browser.DisplayExpanded(), (std::vector<std::int32_t>{0, 2}));
    EXPECT_EQ(m.browser.DisplaySelection(), 3);
    // The next display forgets the view's expansion.
    m.browser.DisplayTree();
    EXPECT_EQ(m.browser.DisplayExpanded(), std::vector<std::int32_t>{0});
    EXPECT_TRUE(m.prompt.asked.empty());
}

TEST(ViewLoading, AViewThatDoesNotFitItsModelChangesNothing)
{
    Model m;
    m.browser.SwitchToLocalView(m.NodeOf(2, 2));
    const std::vector<NodeRecord> before = m.Nodes();
    auto view = m.browser.CurrentView({});
    ASSERT_TRUE(view);

    ViewFile beyond = *view;
    beyond.seeds[2].object = 4;
    auto loaded = m.browser.LoadView(beyond);
    ASSERT_FALSE(loaded);
    EXPECT_NE(loaded.error().description.find("key 4, which the model does not have"), std::string::npos);
    EXPECT_EQ(m.Nodes(), before);

    // A model whose files are gone: the message, and the open model stays.
    ViewFile gone = *view;
    gone.modelKey = "other";
    loaded = m.browser.LoadView(gone);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(*loaded, TreeChange::None);
    ASSERT_EQ(m.prompt.asked.size(), 1u);
    EXPECT_EQ(m.prompt.asked[0].icon, PromptIcon::Critical);
    EXPECT_NE(m.prompt.asked[0].text.find("missing or corrupted. Please recreate"), std::string::npos);
    EXPECT_EQ(m.browser.Current().baseName, "lib");
    EXPECT_EQ(m.Nodes(), before);
}

TEST(ViewsFolder, AFolderThatCannotBeWrittenKeepsTheOldViewAndSaysWhy)
{
    // Root passes over permission bits: it gets a file system mounted
    // read-only instead.
    test::TempDir plain;
    std::optional<test::TinyTmpfs> mounted;
    fs::path folder = plain.path();
    if (::geteuid() == 0) {
        mounted.emplace(1 << 20);
        if (!mounted->Mounted()) GTEST_SKIP() << "cannot mount a file system: " << mounted->WhyNot();
        folder = mounted->path();
    }
    const fs::path file = folder / "old.zvv";
    test::WriteBytes(file, kTwoSeedBytes);
    if (mounted)
        ASSERT_EQ(::mount("tmpfs", folder.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0)
            << std::strerror(errno);
    else
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);

    ViewFile other = TwoSeedView();
    other.modelKey = "Other";
    auto written = WriteViewFile(file, other);
    ASSERT_FALSE(written);
    EXPECT_NE(written.error().description.find("cannot be written to; nothing was changed"), std::string::npos)
        << written.error().description;
    EXPECT_EQ(test::ReadBytes(file), kTwoSeedBytes);
    EXPECT_EQ(test::FolderNames(folder), std::vector<std::string>{"old.zvv"});
    if (!mounted) fs::permissions(folder, fs::perms::owner_all);
}

}  // namespace
}  // namespace arbolith::browser
