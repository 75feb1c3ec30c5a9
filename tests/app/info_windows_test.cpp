// SPDX-License-Identifier: MIT
// The main window's informational windows, opened as a user opens them: the
// Welcome window at start-up (unless switched off) and from the Help menu,
// one legend, the About box, and the splash over the wizard.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "dialogs/about_window.h"
#include "dialogs/legend_window.h"
#include "dialogs/welcome_window.h"
#include "support/qt_application.h"
#include "support/started_main_window.h"
#include "support/temp_dir.h"
#include "support/wine_prefix.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace arbolith {
namespace {

class InfoWindowsTest : public test::StartedMainWindow {
protected:
    // Starts without a sample model, from the settings file `ini` ("" for none).
    frmZVMain& StartWith(const std::string& ini)
    {
        if (!ini.empty()) test::WriteBytes(m_home / "ZV.INI", ini);
        return Start(std::filesystem::path());
    }
    template <typename W>
    QList<W*> Shown(const QString& name) const
    {
        QList<W*> shown;
        for (QWidget* w : m_window->findChildren<QWidget*>(name))
            if (auto* window = dynamic_cast<W*>(w); window && w->isVisible()) shown << window;
        return shown;
    }

    test::ScopedEnv m_homeEnv{"HOME", m_home.path().string()};
    test::ScopedEnv m_prefix{"WINEPREFIX", (m_home / "no-prefix").string()};
};

TEST_F(InfoWindowsTest, WelcomeAtStartUpUnlessSwitchedOffAndAlwaysFromTheMenu)
{
    StartWith("");
    auto welcome = Shown<frmWelcome>("frmWelcome");
    ASSERT_EQ(welcome.size(), 1);
    EXPECT_TRUE(welcome.front()->isModal());
    welcome.front()->chkNoShow()->setChecked(true);
    welcome.front()->cmdOK()->click();
    QApplication::processEvents();
    m_window->close();
    m_window.reset();

    // The next start keeps it closed; the menu entry still shows it.
    StartWith("");
    EXPECT_TRUE(Shown<frmWelcome>("frmWelcome").isEmpty());
    m_window->MenuAction("mnuShowWelcome")->trigger();
    welcome = Shown<frmWelcome>("frmWelcome");
    ASSERT_EQ(welcome.size(), 1);
    EXPECT_TRUE(welcome.front()->chkNoShow()->isChecked());
}

TEST_F(InfoWindowsTest, OneLegendAboveTheWindowAndTheAboutBox)
{
    StartWith("[Main]\nNoWelcome=True\n");
    // The menu entry waits for a model; the command itself needs none.
    EXPECT_TRUE(m_hooks->RunCommand(*m_window, Command::Legend));
    EXPECT_TRUE(m_hooks->RunCommand(*m_window, Command::Legend));
    const auto legends = Shown<frmLegend>("frmLegend");
    ASSERT_EQ(legends.size(), 1);
    EXPECT_TRUE(legends.front()->isWindow());
    EXPECT_EQ(legends.front()->parentWidget(), m_window.get());

    m_window->MenuAction("mnuAbout")->trigger();
    const auto about = Shown<frmAbout>("frmAbout");
    ASSERT_EQ(about.size(), 1);
    EXPECT_EQ(about.front()->lblZVVersion()->text(), VersionLine(BuildVersion()));
}

TEST_F(InfoWindowsTest, TheWizardShowsItsSplashUnlessSwitchedOff)
{
    for (const bool off : {false, true}) {
        SCOPED_TRACE(off);
        StartWith(std::string("[Main]\nNoWelcome=True\nNoWizardSplash=") + (off ? "True" : "False") + "\n");
        m_window->MenuAction("mnuWizard")->trigger();
        QApplication::processEvents();
        int splashes = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmWizardSplash" && w->isVisible()) ++splashes;
        EXPECT_EQ(splashes, off ? 0 : 1);
        m_window->close();
        m_window.reset();
    }
}

}  // namespace
}  // namespace arbolith
