// SPDX-License-Identifier: MIT
// The main window's enum entries: they need an open model or Special.mdb,
// say so when they have none, and never make the file they look for.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "enums/enums_window.h"
#include "support/started_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>

#include <string>

namespace arbolith {
namespace {

class EnumsMenuTest : public test::StartedMainWindow {};

TEST_F(EnumsMenuTest, WithoutAModelOrSpecialFileTheEntriesSayWhy)
{
    Start("");
    ASSERT_FALSE(m_hooks->Browser()->Current().IsOpen());
    const struct {
        Command command;
        std::string message;  // how the message starts
    } cases[] = {
        {Command::LibraryEnums, "Please choose a library first."},
        {Command::VbaEnums, "Error loading enums form. Special.mdb"},
    };
    for (const auto& c : cases) {
        m_prompt.asked.clear();
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto* viewer = dynamic_cast<frmEnums*>(QApplication::activeModalWidget())) {
                opened = true;
                viewer->close();
            }
        });
        EXPECT_TRUE(m_hooks->RunCommand(*m_window, c.command));
        QApplication::processEvents();
        EXPECT_FALSE(opened);
        ASSERT_EQ(m_prompt.asked.size(), 1u) << c.message;
        EXPECT_EQ(m_prompt.asked[0].text.rfind(c.message, 0), 0u) << m_prompt.asked[0].text;
    }
    // The program folder of the test holds no Special.mdb, and looking made none.
    EXPECT_FALSE(std::filesystem::exists(m_window->Folders().appFolder / "Special.mdb"));
}

}  // namespace
}  // namespace arbolith
