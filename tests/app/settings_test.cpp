// SPDX-License-Identifier: MIT
#include "app/settings.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arbolith {
namespace {

constexpr ScreenSize kScreen{28800, 16200};  // 1920 x 1080 pixels at 96 dpi

class SettingsFile : public ::testing::Test {
protected:
    std::vector<std::string> KeysOf(const char* section) const
    {
        auto doc = ProfileDocument::Load(ini);
        return doc ? doc->SectionKeys(section) : std::vector<std::string>{};
    }
    std::string ValueOf(const char* section, const char* key) const
    {
        auto doc = ProfileDocument::Load(ini);
        return doc ? doc->Get(section, key).value_or("<absent>") : "<unreadable>";
    }

    test::TempDir dir;
    const std::filesystem::path ini = dir / "ZV.INI";
};

TEST_F(SettingsFile, RangeTestsGiveDefaults)
{
    test::WriteBytes(ini,
                     "[OMForm]\nDefaultDepth=0\nTreeIndent=1401\nTreeWidth=99\nShowMember=yes\nShowFlags=TRUE\n"
                     "ShowOrigin=-1\nShowChildCount=1\n"
                     "[Main]\nScaleFactor=95\nWindowState=0\nTop=50\nLeft=32768\nWidth=99\nHeight=5000\n"
                     "CompactDAT=0\n");
    const Settings s = ReadSettings(ini, kScreen);
    EXPECT_EQ(s.defaultDepth, 6);
    EXPECT_EQ(s.treeIndent, 400);
    EXPECT_EQ(s.treeWidth, 500);
    EXPECT_TRUE(s.showMember);  // "yes" is no boolean text: the default
    EXPECT_TRUE(s.showFlags);
    EXPECT_TRUE(s.showOrigin);
    EXPECT_TRUE(s.showChildCount);
    EXPECT_FALSE(s.compactDat);
    EXPECT_EQ(s.scaleFactor, 50);
    EXPECT_EQ(s.startState, 0);
    EXPECT_EQ(s.startRect, (WindowRect{0, 0, 3000, 5000}));

    test::WriteBytes(ini, "[OMForm]\nDefaultDepth=101\n[Main]\nWindowState=0\nTop=2000\nLeft=99\n");
    const Settings t = ReadSettings(ini, kScreen);
    EXPECT_EQ(t.defaultDepth, 6);
    EXPECT_EQ(t.startRect.top, 2000);
    EXPECT_EQ(t.startRect.left, 0);
}

// No window keys stored (a first start, or a file that lacks them): the
// normal state at three quarters of the primary screen, centred, the tree a
// third as wide. Keys that are there read as they always have.
TEST_F(SettingsFile, FirstStartPlacesTheWindowOnTheScreen)
{
    const WindowRect firstPlace{2025, 3600, 21600, 12150};
    for (const char* text : {static_cast<const char*>(nullptr), "[Main]\nCurrentLibrary=x.dll\n[Fonts]\nTree=9\n"}) {
        if (text) test::WriteBytes(ini, text);
        const Settings s = ReadSettings(ini, kScreen);
        EXPECT_EQ(s.startState, 0);
        EXPECT_EQ(s.startRect, firstPlace);
        EXPECT_EQ(s.treeWidth, 7200);
    }

    // A primary screen away from the desktop's origin: centred on it.
    const std::vector<ScreenArea> screens{{14400, 0, 19200, 10800}, {0, 0, 14400, 10800}};
    EXPECT_EQ(ReadSettings(ini, {19200, 10800}, {}, screens).startRect, (WindowRect{1350, 16800, 14400, 8100}));
    // No screen (the command line): the fixed defaults.
    EXPECT_EQ(ReadSettings(ini, {}).startRect, (WindowRect{0, 0, 3000, 3000}));
    EXPECT_EQ(ReadSettings(ini, {}).treeWidth, 500);

    // Stored keys keep their meaning; only the missing ones are filled in.
    test::WriteBytes(ini, "[Main]\nWindowState=2\nWidth=99\nTop=50\n");
    Settings s = ReadSettings(ini, kScreen);
    EXPECT_EQ(s.startState, 2);
    EXPECT_EQ(s.startRect, (WindowRect{0, 3600, 3000, 12150}));
    EXPECT_EQ(s.treeWidth, 9600);  // maximised: a third of the screen
    test::WriteBytes(ini, "[Main]\nWindowState=0\n[OMForm]\nTreeWidth=99\n");
    s = ReadSettings(ini, kScreen);
    EXPECT_EQ(s.startRect, firstPlace);
    EXPECT_EQ(s.treeWidth, 500);
}

TEST_F(SettingsFile, GeometryRulesNeedTheScreen)
{
    // Closed while minimised: the state and place from before the minimising.
    test::WriteBytes(ini,
                     "[Main]\nWindowState=1\nTop=500\nStateBeforeMin=7\nTopBeforeMin=1000\n"
                     "LeftBeforeMin=1200\nWidthBeforeMin=9000\nHeightBeforeMin=8000\n");
    Settings s = ReadSettings(ini, kScreen);
    EXPECT_EQ(s.startState, 2);  // any non-zero state before minimising reads as maximised
    EXPECT_EQ(s.startRect, (WindowRect{1000, 1200, 9000, 8000}));

    // A place beyond the screen comes back to the edge.
    s = ReadSettings(ini, ScreenSize{2000, 2000});
    EXPECT_EQ(s.startRect.top, 0);
    EXPECT_EQ(s.startRect.left, 0);

    // Split mode: top of the screen, full width, ScaleFactor percent of its height.
    test::WriteBytes(ini, "[Main]\nSplitMode=1\nScaleFactor=30\nWindowState=2\nTop=900\n");
    s = ReadSettings(ini, kScreen);
    EXPECT_TRUE(s.splitMode);
    EXPECT_EQ(s.startState, 0);
    EXPECT_EQ(s.startRect, (WindowRect{0, 0, 28800, 4860}));
}

TEST_F(SettingsFile, ClosingWritesKeysInOrder)
{
    Settings s;
    s.defaultDepth = 9;
    ClosingState closing{WindowState::Normal, WindowRect{300, 400, 9000, 7000}, 2500, std::string("scrrun.dll")};
    ASSERT_TRUE(WriteClosingSettings(ini, s, closing));

    EXPECT_EQ(KeysOf("OMForm"), (std::vector<std::string>{"DefaultDepth", "ShowOrigin", "ShowChildCount", "ShowFlags",
                                                          "ShowMember", "TreeIndent", "TreeWidth"}));
    EXPECT_EQ(KeysOf("Main"),
              (std::vector<std::string>{"AutoHelp", "CompactDAT", "OpenDlgAtTop", "CurrentLibrary", "WindowState",
                                        "Top", "Left", "Width", "Height", "ScaleFactor", "SplitMode"}));
    EXPECT_EQ(KeysOf("Fonts"), (std::vector<std::string>{"Textbox", "Label", "Listbox", "Tree"}));
    EXPECT_EQ(ValueOf("OMForm", "ShowMember"), "True");

    // Round trip: the next start sees what the close wrote.
    const Settings back = ReadSettings(ini, kScreen);
    EXPECT_EQ(back.defaultDepth, 9);
    EXPECT_EQ(back.treeWidth, 2500);
    EXPECT_EQ(back.startState, 0);
    EXPECT_EQ(back.startRect, closing.rect);
    EXPECT_EQ(back.currentLibrary, "scrrun.dll");

    // In split mode none of the five geometry keys is written; a failed
    // model open still writes CurrentLibrary, as empty.
    s.splitMode = true;
    ASSERT_TRUE(WriteClosingSettings(
        ini, s, ClosingState{WindowState::Maximised, WindowRect{0, 0, 28800, 8100}, 900, std::string()}));
    EXPECT_EQ(ValueOf("Main", "WindowState"), "0");
    EXPECT_EQ(ValueOf("Main", "Width"), "9000");
    EXPECT_EQ(ValueOf("Main", "SplitMode"), "1");
    EXPECT_EQ(ValueOf("Main", "CurrentLibrary"), "");
}

TEST_F(SettingsFile, UnreadableFileGivesDefaultsAndOneMessageAndIsNotOverwritten)
{
    std::filesystem::create_directory(ini);  // a folder where the file should be
    std::vector<std::string> errors;
    const auto collect = [&errors](const std::string& m) { errors.push_back(m); };
    const Settings s = ReadSettings(ini, kScreen, collect);
    EXPECT_EQ(s.defaultDepth, 6);
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_FALSE(WriteClosingSettings(ini, s, ClosingState{}));
    EXPECT_TRUE(std::filesystem::is_directory(ini));

    // Garbage bytes read as defaults and never crash.
    const auto other = dir / "other.ini";
    std::string bytes(4096, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131 + 7) % 256);
    test::WriteBytes(other, bytes);
    EXPECT_EQ(ReadSettings(other, kScreen).treeIndent, 400);
    EXPECT_EQ(test::ReadBytes(other), bytes);

    // A 10 MB line among the keys: the file is read once, not once per key
    // (which kept the window busy for seconds), and the keys around it count.
    test::WriteBytes(other, "[Main]\nWindowState=0\nWidth=9000\nJunk=" + std::string(10'000'000, '7') +
                                "\nHeight=-5\n[OMForm]\nDefaultDepth=9\n");
    errors.clear();
    const Settings h = ReadSettings(other, kScreen, collect);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(h.startRect.width, 9000);
    EXPECT_EQ(h.startRect.height, 3000);
    EXPECT_EQ(h.defaultDepth, 9);

    // Ranged keys too large for 16 bits are out of range: their defaults, quietly.
    test::WriteBytes(other,
                     "[OMForm]\nDefaultDepth=65546\nTreeIndent=66036\n[Main]\nScaleFactor=65566\n"
                     "[Fonts]\nTextbox=99999\nLabel=65548\nTree=3\nListbox=36\n");
    const Settings wide = ReadSettings(other, kScreen, collect);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(wide.defaultDepth, 6);
    EXPECT_EQ(wide.treeIndent, 400);
    EXPECT_EQ(wide.scaleFactor, 50);
    EXPECT_EQ(wide.fonts, (FontSizes{8, 8, 8, 36}));

    test::WriteBytes(other, "[Main]\nLeft=" + std::string(10'000'000, '9') + "\n");
    EXPECT_EQ(ReadSettings(other, kScreen, collect).startRect.left, 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_LT(errors[0].size(), 200u);  // the number is quoted, cut short
}

}  // namespace
}  // namespace arbolith
