// SPDX-License-Identifier: MIT
// The Welcome window and the wizard splash: the check box shows the key of
// ZV.INI, the button writes it and only it, the close box writes nothing.
#include "dialogs/welcome_window.h"
#include "platform/profile.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace arbolith {
namespace {

std::optional<std::string> Key(const std::filesystem::path& file, const char* section, const char* key)
{
    auto doc = ProfileDocument::Load(file);
    return doc ? doc->Get(section, key) : std::nullopt;
}

TEST(WelcomeWindow, TheBoxShowsTheStoredSwitchAndOddValuesReadAsShowing)
{
    test::QtApp();
    struct Case {
        WelcomeKind kind;
        const char* stored;  // nullptr: no key
        bool ticked;
    };
    const std::vector<Case> cases = {
        {WelcomeKind::Welcome, nullptr, false},      {WelcomeKind::Welcome, "True", true},
        {WelcomeKind::Welcome, "-1", true},          {WelcomeKind::Welcome, "false", false},
        {WelcomeKind::Welcome, "maybe", false},      {WelcomeKind::Welcome, "2", false},
        {WelcomeKind::WizardSplash, "TRUE", true},   {WelcomeKind::WizardSplash, "yes", false},
        {WelcomeKind::WizardSplash, nullptr, false},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const auto ini = dir / "ZV.INI";
        if (c.stored) test::WriteBytes(ini, std::string("[Main]\n") + WelcomeSwitchKey(c.kind) + "=" + c.stored + "\n");
        frmWelcome window(c.kind, ini, {});
        EXPECT_EQ(window.chkNoShow()->isChecked(), c.ticked)
            << WelcomeSwitchKey(c.kind) << "=" << (c.stored ? c.stored : "");
        EXPECT_EQ(WelcomeWanted(c.kind, ini), !c.ticked);
    }
}

TEST(WelcomeWindow, TheButtonWritesOneKeyAfterReadingTheFileAfreshAndTheCloseBoxNothing)
{
    test::QtApp();
    for (const WelcomeKind kind : {WelcomeKind::Welcome, WelcomeKind::WizardSplash}) {
        const char* key = WelcomeSwitchKey(kind);
        const char* other = kind == WelcomeKind::Welcome ? "NoWizardSplash" : "NoWelcome";
        for (const bool tick : {true, false}) {
            test::TempDir dir;
            const auto ini = dir / "ZV.INI";
            const std::string before = std::string("[Main]\nCurrentLibrary=x.tlb\n") + key + "=" +
                                       (tick ? "False" : "True") + "\n[OMForm]\nTreeWidth=3600\n";
            test::WriteBytes(ini, before);

            // Closed by its close box: the file stays as it was, whatever the box shows.
            {
                frmWelcome window(kind, ini, {});
                window.show();
                window.chkNoShow()->setChecked(tick);
                window.close();
                EXPECT_EQ(test::ReadBytes(ini), before);
            }

            std::vector<std::string> errors;
            frmWelcome window(kind, ini, [&](const std::string& m) { errors.push_back(m); });
            window.show();
            window.chkNoShow()->setChecked(tick);
            // Another window writes its own key while this one is open.
            test::WriteBytes(ini, test::ReadBytes(ini) + "[Find]\nLast=Doc\n");
            window.cmdOK()->click();
            EXPECT_FALSE(window.isVisible());
            EXPECT_EQ(Key(ini, "Main", key), tick ? "True" : "False");
            EXPECT_EQ(Key(ini, "Main", other), std::nullopt);
            EXPECT_EQ(Key(ini, "Main", "CurrentLibrary"), "x.tlb");
            EXPECT_EQ(Key(ini, "OMForm", "TreeWidth"), "3600");
            EXPECT_EQ(Key(ini, "Find", "Last"), "Doc");
            EXPECT_TRUE(errors.empty());
            EXPECT_EQ(WelcomeWanted(kind, ini), !tick);
        }
    }
}

TEST(WelcomeWindow, AFileThatCannotBeWrittenIsReported)
{
    test::QtApp();
    test::TempDir dir;
    // A folder where the file should be: neither readable nor writable as a file.
    const auto ini = dir / "ZV.INI";
    std::filesystem::create_directory(ini);
    std::vector<std::string> errors;
    frmWelcome window(WelcomeKind::Welcome, ini, [&](const std::string& m) { errors.push_back(m); });
    errors.clear();
    window.chkNoShow()->setChecked(true);
    window.cmdOK()->click();
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.back().find("ZV.INI"), std::string::npos) << errors.back();
}

}  // namespace
}  // namespace arbolith
