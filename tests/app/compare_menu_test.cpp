// SPDX-License-Identifier: MIT
// File > Compare With... on the sample model: the answer asked for, the
// window busy while the worker compares, and what it shows after.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "dialogs/background_task.h"
#include "reports/report_window.h"
#include "support/started_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QMenuBar>
#include <QTimer>

#include <string>
#include <vector>

namespace arbolith {
namespace {

struct Shown {
    bool busyAfterChoosing = false;
    bool reportOpened = false;
    std::string caption;
    std::vector<std::string> lines;
};

class CompareMenuTest : public test::StartedMainWindow {
protected:
    void SetUp() override { Start(); }

    // Chooses the entry with `answer` typed in, waits for the comparison,
    // and reads and closes the report window if one opens.
    Shown Compare(const std::optional<std::string>& answer)
    {
        Shown shown;
        m_prompt.inputs = {answer};
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* report = dynamic_cast<frmReport*>(QApplication::activeModalWidget());
            if (!report) return;
            shown.reportOpened = true;
            shown.caption = report->windowTitle().toStdString();
            for (int row = 0; row < report->lstReport()->count(); ++row)
                shown.lines.push_back(report->lstReport()->item(row)->text().toStdString());
            report->close();
        });
        poll.start();
        m_window->MenuAction("mnuCompareWith")->trigger();
        shown.busyAfterChoosing = !m_window->menuBar()->isEnabled();
        if (auto* task = m_window->findChild<BackgroundTask*>("compareTask")) {
            EXPECT_TRUE(task->WaitForFinished(20000));
        }
        QApplication::processEvents();
        EXPECT_TRUE(m_window->menuBar()->isEnabled());
        return shown;
    }
};

TEST_F(CompareMenuTest, ShowsTheDifferencesOrSaysThereAreNone)
{
    ASSERT_TRUE(m_window->ModelOpen());
    const std::filesystem::path dat = m_hooks->Browser()->Current().datPath;
    const std::string datBytes = test::ReadBytes(dat);

    // Another library: the report window lists the changes, summary last.
    const std::string other = std::string(ARBOLITH_TEST_DATA) + "/diff/after.tlb";
    Shown shown = Compare(other);
    EXPECT_TRUE(shown.busyAfterChoosing);
    ASSERT_TRUE(shown.reportOpened);
    EXPECT_EQ(shown.caption, "Differences from " + m_hooks->Browser()->Current().modelName + " to " + other);
    ASSERT_FALSE(shown.lines.empty());
    EXPECT_TRUE(shown.lines.back().starts_with("Summary: objects: ")) << shown.lines.back();
    EXPECT_TRUE(m_prompt.asked.empty());

    // The model's own library (its <Events> object is the model's own, not
    // the library's), and the model itself by its key: the same.
    for (const std::string& same :
         {m_hooks->Browser()->Current().libraryFile, m_hooks->Browser()->Current().baseName}) {
        SCOPED_TRACE(same);
        m_prompt.asked.clear();
        shown = Compare(same);
        EXPECT_FALSE(shown.reportOpened) << ::testing::PrintToString(shown.lines);
        ASSERT_EQ(m_prompt.asked.size(), 1u);
        EXPECT_TRUE(m_prompt.asked[0].text.starts_with("No differences")) << m_prompt.asked[0].text;
    }
    EXPECT_EQ(test::ReadBytes(dat), datBytes);
}

TEST_F(CompareMenuTest, CancelledOrUnreadableAnswersShowNoReport)
{
    struct Case {
        std::optional<std::string> answer;
        std::string message;  // a text the one message holds; "" for none
    };
    const Case cases[] = {
        {std::nullopt, ""},
        {"", ""},
        {"/no/such/library.tlb", "/no/such/library.tlb"},
        {"NoSuchModel", "NoSuchModel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.value_or("(cancelled)"));
        m_prompt.asked.clear();
        const Shown shown = Compare(c.answer);
        EXPECT_FALSE(shown.reportOpened);
        if (c.message.empty()) {
            EXPECT_TRUE(m_prompt.asked.empty());
            continue;
        }
        ASSERT_EQ(m_prompt.asked.size(), 1u);
        EXPECT_EQ(m_prompt.asked[0].icon, PromptIcon::Critical);
        EXPECT_NE(m_prompt.asked[0].text.find(c.message), std::string::npos) << m_prompt.asked[0].text;
    }
}

// The entry stays in the File menu without a model; it then asks for one.
TEST_F(CompareMenuTest, WithoutAModelAsksForOneFirst)
{
    m_hooks->CloseModel();
    const Shown shown = Compare("/any/library.tlb");
    EXPECT_FALSE(shown.busyAfterChoosing);
    EXPECT_FALSE(shown.reportOpened);
    EXPECT_TRUE(m_prompt.inputTexts.empty());
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text, "Please choose a library first.");
}

}  // namespace
}  // namespace arbolith
