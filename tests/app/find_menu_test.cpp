// SPDX-License-Identifier: MIT
// The Find menu through the main window on the sample model: a node found
// is selected, opened to and shows its members; Find Again goes on from it,
// also after a Cancel and a new tree; the list searches open the report
// window with their caption and lines.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "browser/object_tree_model.h"
#include "reports/report_window.h"
#include "support/started_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QTreeView>

#include <string>
#include <vector>

namespace arbolith {
namespace {

using Lines = std::vector<std::string>;

class FindMenuTest : public test::StartedMainWindow {
protected:
    void SetUp() override { Start(); }

    // The full path of the selected node, by the labels the tree shows.
    std::string Selected() const
    {
        std::string path;
        for (QModelIndex at = m_window->trvObjects()->currentIndex(); at.isValid(); at = at.parent())
            path = at.data().toString().toStdString() + (path.empty() ? "" : "\\" + path);
        return path;
    }
    Lines Methods() const
    {
        Lines names;
        const QAbstractItemModel& pane = *m_window->trvMethods()->model();
        for (int row = 0; row < pane.rowCount(); ++row)
            names.push_back(pane.index(row, 0).data().toString().toStdString());
        return names;
    }
    void Choose(const char* menu)
    {
        m_window->MenuAction(menu)->trigger();
        QApplication::processEvents();
    }
    // Chooses a list search; the report window it opens is read and closed.
    struct Shown {
        bool opened = false;
        std::string caption;
        Lines lines;
    };
    Shown ChooseList(const char* menu)
    {
        Shown shown;
        QTimer::singleShot(0, [&shown] {
            auto* report = dynamic_cast<frmReport*>(QApplication::activeModalWidget());
            if (!report) return;
            shown.opened = true;
            shown.caption = report->windowTitle().toStdString();
            for (int row = 0; row < report->lstReport()->count(); ++row)
                shown.lines.push_back(report->lstReport()->item(row)->text().toStdString());
            report->close();
        });
        Choose(menu);
        return shown;
    }
};

TEST_F(FindMenuTest, FoundNodesAreSelectedInBuildOrderAndFindAgainGoesOn)
{
    ASSERT_TRUE(m_window->ModelOpen());
    ASSERT_EQ(Selected(), "Application");

    // Listed as the tree shows it, <Events>\DocumentEvents would come
    // first; the nodes were built level by level, Document first.
    m_prompt.inputs = {"doc"};
    Choose("mnuFindFirst");
    EXPECT_EQ(Selected(), "Application\\Document");
    Choose("mnuFindAgain");
    EXPECT_EQ(Selected(), "Application\\Documents {Document}");
    // It shows the collection's members, as a click does.
    const Lines methods = Methods();
    EXPECT_NE(std::find(methods.begin(), methods.end(), "Add"), methods.end()) << ::testing::PrintToString(methods);

    // Cancel keeps the search; a new tree of the same model too.
    m_prompt.inputs = {std::nullopt};
    Choose("mnuFindFirst");
    m_hooks->OpenModel(*m_window, "Quill", false);
    QApplication::processEvents();
    Choose("mnuFindAgain");
    EXPECT_EQ(Selected(), "Application\\Documents {Document}\\Document");
    Choose("mnuFindAgain");
    EXPECT_EQ(Selected(), "Application\\Window\\Document");
    EXPECT_TRUE(m_prompt.asked.empty());

    // A deep node is opened to (after <Events>\DocumentEvents and a Document
    // under Windows).
    for (int i = 0; i < 3; ++i) Choose("mnuFindAgain");
    EXPECT_EQ(Selected(), "Application\\Document\\Items {Item}\\Item\\Document");
    const QModelIndex current = m_window->trvObjects()->currentIndex();
    for (QModelIndex above = current.parent(); above.isValid(); above = above.parent())
        EXPECT_TRUE(m_window->trvObjects()->isExpanded(above));

    // A whole word found once: Find Again says so and the selection stays.
    m_prompt.inputs = {"DOCUMENTS/w"};
    Choose("mnuFindFirst");
    EXPECT_EQ(Selected(), "Application\\Documents {Document}");
    Choose("mnuFindAgain");
    EXPECT_EQ(Selected(), "Application\\Documents {Document}");
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text, "No more matches to DOCUMENTS");
}

TEST_F(FindMenuTest, ListSearchesOpenTheReportWindow)
{
    struct Case {
        const char* menu;
        const char* answer;
        const char* caption;
        Lines lines;
    };
    const Case cases[] = {
        {"mnuFindParents",
         "application",
         "2 parents of APPLICATION object",
         {"Document   (< P:Application)", "Documents   (< P:Parent)"}},
        {"mnuFindPaths",
         "items",
         "6 paths to ITEMS object",
         {"Application\\Document\\Items {Item}", "Application\\Documents {Document}\\Document\\Items {Item}",
          "Application\\Window\\Document\\Items {Item}",
          "Application\\Windows {Window}\\Window\\Document\\Items {Item}",
          "Application\\Document\\Items {Item}\\Item\\Document\\Items {Item}",
          "Application\\Document\\Windows {Window}\\Window\\Document\\Items {Item}"}},
        {"mnuFindObjectsWithMember", "item/w", "3 objects with member ITEM", {"Documents", "Items", "Windows"}},
        {"mnuFindObjectsWithMember",
         "ITEM",
         "4 objects with member substring ITEM",
         {"Document  [Member: Items]", "Documents  [Member: Item]", "Items  [Member: Item]",
          "Windows  [Member: Item]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu + std::string(" ") + c.answer);
        m_prompt.inputs = {c.answer};
        const Shown shown = ChooseList(c.menu);
        ASSERT_TRUE(shown.opened);
        EXPECT_EQ(shown.caption, c.caption);
        EXPECT_EQ(shown.lines, c.lines);
    }
    EXPECT_TRUE(m_prompt.asked.empty());

    // Nothing found: a message, no window.
    m_prompt.inputs = {"Nowhere"};
    EXPECT_FALSE(ChooseList("mnuFindPaths").opened);
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text, "No paths for Nowhere");
}

TEST_F(FindMenuTest, WithoutAModelFindAsksForOne)
{
    m_hooks->CloseModel();
    m_window->MenusEnabled(true);  // as if chosen while no model is open
    m_prompt.inputs = {"doc"};
    Choose("mnuFindFirst");
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text, "Please choose a library first.");
    EXPECT_EQ(m_prompt.asked[0].icon, PromptIcon::Information);
    EXPECT_TRUE(m_prompt.inputTexts.empty());

    // The list searches have no file to read and say so.
    m_prompt.inputs = {"Item"};
    EXPECT_FALSE(ChooseList("mnuFindObjectsWithMember").opened);
    ASSERT_EQ(m_prompt.asked.size(), 2u);
    EXPECT_TRUE(m_prompt.asked[1].text.starts_with("Error A16: ")) << m_prompt.asked[1].text;
}

}  // namespace
}  // namespace arbolith
