// SPDX-License-Identifier: MIT
// View > Options, View > Branch Counts and the Models menu through the main
// window on the sample model: what reaches the tree at once, and what ZV.INI
// and the model files hold afterwards.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "app/sample_model.h"
#include "app/startup.h"
#include "browser/nonleaf_counts.h"
#include "catalog/open_model_window.h"
#include "dialogs/options_window.h"
#include "dialogs/sprigs_window.h"
#include "support/qt_application.h"
#include "support/started_main_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
#include <memory>

namespace arbolith {
namespace {

class OptionsMenuTest : public test::StartedMainWindow {
protected:
    void SetUp() override
    {
        Start();
        ASSERT_TRUE(m_hooks->Browser()->Current().IsOpen());
    }

    // Chooses the entry and works the modal window it opens with `use`.
    template <class Window>
    void Use(const char* menuName, const std::function<void(Window&)>& use)
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* window = dynamic_cast<Window*>(QApplication::activeModalWidget());
            if (!window) return;
            opened = true;
            use(*window);
            if (window->isVisible()) window->close();
        });
        m_window->MenuAction(menuName)->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(opened) << menuName;
    }
};

TEST_F(OptionsMenuTest, BranchCountsReachTheInfFileAndTheRebuiltTree)
{
    const auto limitOf = [&](const char* name) {
        const auto& objects = m_hooks->Browser()->Model().objects;
        const auto it = std::ranges::find_if(objects, [&](const auto& o) { return o.name == name; });
        return it == objects.end() ? -1 : it->branchLimit;
    };
    ASSERT_NE(limitOf("Document"), 0);
    m_prompt.inputs = {std::string("Document=0")};
    Use<frmSprigs>("mnuBranchCounts", [](frmSprigs& w) {
        w.cmdAdd()->click();
        w.cmdApply()->click();
    });
    EXPECT_EQ(limitOf("Document"), 0);
    const auto entries = ReadNonleafCountEntries(m_hooks->Browser()->Current().infPath);
    ASSERT_TRUE(entries);
    EXPECT_NE(std::ranges::find(*entries, NonleafCount{"Document", 0}), entries->end());
}

TEST_F(OptionsMenuTest, ModelsMenuOpensTheChosenModelAndDeletingItThereClosesIt)
{
    const std::string key = m_hooks->Browser()->Current().baseName;
    Use<frmOpenModel>("mnuLibrary", [&](frmOpenModel& w) {
        w.chkFlat()->setChecked(true);
        w.NodeClicked(w.ModelItem(key));
    });
    EXPECT_TRUE(m_hooks->Browser()->IsFlatTree());
    EXPECT_TRUE(m_hooks->Browser()->Current().IsOpen());

    m_prompt.answers = {PromptAnswer::Yes, PromptAnswer::No};
    Use<frmOpenModel>("mnuLibrary", [&](frmOpenModel& w) {
        w.trvModels()->setCurrentItem(w.ModelItem(key));
        w.DeleteModel();
    });
    EXPECT_FALSE(m_hooks->Browser()->Current().IsOpen());
    EXPECT_EQ(m_window->windowTitle(), QApplication::applicationDisplayName());
}

TEST_F(OptionsMenuTest, OptionsChangeTheWindowAndAreSavedBesideOtherWritersKeys)
{
    const int indentBefore = m_window->trvObjects()->indentation();
    Use<frmOptions>("mnuOptions", [](frmOptions& w) {
        w.cmdIndentUp()->click();
        w.cmdCancel()->click();
    });
    EXPECT_EQ(m_window->ProgramSettings().treeIndent, 450);
    EXPECT_GT(m_window->trvObjects()->indentation(), indentBefore);

    Use<frmOptions>("mnuOptions", [](frmOptions& w) {
        w.txtDefaultDepth()->setText("12");
        w.txtFontSizeTree()->setText("99999");
        w.cmdOK()->click();
    });
    EXPECT_EQ(m_window->ProgramSettings().defaultDepth, 12);
    EXPECT_EQ(m_hooks->Browser()->defaultDepth, 12);
    EXPECT_EQ(m_window->ProgramSettings().fonts.tree, 8);

    // Another writer's key, added while the window runs, survives the close.
    const auto ini = m_home / "ZV.INI";
    test::WriteBytes(ini, test::ReadBytes(ini) + "\n[Elsewhere]\nKept=1\n");
    m_window->close();
    const std::string text = test::ReadBytes(ini);
    for (const char* expected : {"DefaultDepth=12", "TreeIndent=450", "Kept=1"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

}  // namespace
}  // namespace arbolith
