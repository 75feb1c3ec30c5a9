// SPDX-License-Identifier: MIT
// The View menu's reports through the main window on the sample model, and
// with no model open: which open the report window, with what, and which
// ask for a library first.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "app/sample_model.h"
#include "app/startup.h"
#include "reports/report_window.h"
#include "support/qt_application.h"
#include "support/started_main_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace arbolith {
namespace {

// What a menu entry's report window showed, read before it is closed.
struct Shown {
    bool opened = false;
    ReportMode mode = ReportMode::None;
    std::string caption;
    std::vector<std::string> lines;                   // of lstReport
    std::vector<std::vector<std::string>> tableRows;  // of lvReport
};

class ReportMenuTest : public test::StartedMainWindow {
protected:
    void SetUp() override { Start(); }

    // Chooses the entry; the modal report window it opens is read and closed.
    Shown Choose(const char* menuName)
    {
        Shown shown;
        QTimer::singleShot(0, [&shown] {
            auto* report = dynamic_cast<frmReport*>(QApplication::activeModalWidget());
            if (!report) return;
            QApplication::processEvents();  // a failed report says so once shown
            shown.opened = true;
            shown.mode = report->Mode();
            shown.caption = report->windowTitle().toStdString();
            for (int row = 0; row < report->lstReport()->count(); ++row)
                shown.lines.push_back(report->lstReport()->item(row)->text().toStdString());
            const QTreeWidget& table = *report->lvReport();
            for (int row = 0; row < table.topLevelItemCount(); ++row) {
                std::vector<std::string> cells;
                for (int column = 0; column < table.columnCount(); ++column)
                    cells.push_back(table.topLevelItem(row)->text(column).toStdString());
                shown.tableRows.push_back(std::move(cells));
            }
            report->close();
        });
        m_window->MenuAction(menuName)->trigger();
        QApplication::processEvents();
        return shown;
    }
    std::set<std::string> ModelFiles() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_home / "Models"))
            names.insert(entry.path().filename().string());
        return names;
    }
};

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ReportMenuTest, EntriesShowTheOpenModelsReports)
{
    ASSERT_TRUE(m_window->ModelOpen());
    struct Case {
        const char* menu;
        ReportMode mode;
        const char* caption;
        const char* someLine;
    };
    const Case cases[] = {
        {"mnuViewCreatables", ReportMode::Report, "Externally Creatable Objects for Quill", "Application"},
        {"mnuViewHidden", ReportMode::Report, "Hidden Objects for Quill", "No hidden objects."},
        {"mnuViewAllMembers", ReportMode::Report, "Members in Quill", "Visible"},
        {"mnuShowStats", ReportMode::Report, "Library Statistics for Quill", "Library Name: Quill"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu);
        const Shown shown = Choose(c.menu);
        ASSERT_TRUE(shown.opened);
        EXPECT_EQ(shown.mode, c.mode);
        EXPECT_EQ(shown.caption, c.caption);
        EXPECT_TRUE(Contains(shown.lines, c.someLine)) << ::testing::PrintToString(shown.lines);
    }
    EXPECT_TRUE(m_prompt.asked.empty());

    // The frequencies of the tree as shown: the root once, with children.
    const Shown table = Choose("mnuObjFreq");
    ASSERT_TRUE(table.opened);
    EXPECT_EQ(table.mode, ReportMode::Frequencies);
    EXPECT_EQ(table.caption,
              "Object Frequency Counts for Current Display of " + m_hooks->Browser()->Current().modelName);
    EXPECT_EQ(table.tableRows.size(), m_hooks->Browser()->Model().objects.size());
    ASSERT_FALSE(table.tableRows.empty());
    EXPECT_EQ(table.tableRows[0], (std::vector<std::string>{"Application", "001", "000", "001"}));
}

TEST_F(ReportMenuTest, WithoutAModelEntriesAskForOneOrFailWithoutMakingFiles)
{
    m_hooks->CloseModel();
    m_window->MenusEnabled(true);  // as if chosen while no model is open
    const std::set<std::string> files = ModelFiles();
    struct Case {
        const char* menu;
        bool opens;
        std::string message;  // its start
        PromptIcon icon;
    };
    const Case cases[] = {
        {"mnuViewCreatables", false, "Please choose a library first.", PromptIcon::Information},
        {"mnuShowStats", false, "Please choose a library first.", PromptIcon::Information},
        {"mnuViewHidden", true, "Error showing hidden objects: ", PromptIcon::None},
        {"mnuViewAllMembers", true, "Error showing all members: ", PromptIcon::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu);
        m_prompt.asked.clear();
        const Shown shown = Choose(c.menu);
        EXPECT_EQ(shown.opened, c.opens);
        EXPECT_TRUE(shown.lines.empty());
        ASSERT_EQ(m_prompt.asked.size(), 1u);
        EXPECT_EQ(m_prompt.asked[0].text.rfind(c.message, 0), 0u) << m_prompt.asked[0].text;
        EXPECT_EQ(m_prompt.asked[0].icon, c.icon);
    }
    EXPECT_EQ(ModelFiles(), files);
}

}  // namespace
}  // namespace arbolith
