// SPDX-License-Identifier: MIT
// The main window's enum entries: the model's need an open model; the
// VB/VBA ones open Special.mdb where the build put it, and make no file.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "enums/enums_window.h"
#include "support/started_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>
#include <QTreeWidget>

#include <string>

namespace arbolith {
namespace {

class EnumsMenuTest : public test::StartedMainWindow {};

TEST_F(EnumsMenuTest, LibraryEnumsNeedAModelAndVbaEnumsOpenTheBuiltFile)
{
    Start("");
    ASSERT_FALSE(m_hooks->Browser()->Current().IsOpen());
    EXPECT_TRUE(m_hooks->RunCommand(*m_window, Command::LibraryEnums));
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text, "Please choose a library first.");

    // Special.mdb is found beside the program, where the build made it.
    std::string caption;
    int enumCount = -1;
    QTimer::singleShot(0, [&] {
        if (auto* viewer = dynamic_cast<frmEnums*>(QApplication::activeModalWidget())) {
            caption = viewer->windowTitle().toStdString();
            enumCount = viewer->trvEnums()->topLevelItemCount();
            viewer->close();
        }
    });
    EXPECT_TRUE(m_hooks->RunCommand(*m_window, Command::VbaEnums));
    QApplication::processEvents();
    EXPECT_EQ(caption, "Enums for VB/VBA");
    EXPECT_EQ(enumCount, 19);
    EXPECT_EQ(m_prompt.asked.size(), 1u);
    // Looking made no file in the application folder.
    EXPECT_FALSE(std::filesystem::exists(m_window->Folders().appFolder / "Special.mdb"));
}

}  // namespace
}  // namespace arbolith
