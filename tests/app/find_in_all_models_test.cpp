// SPDX-License-Identifier: MIT
// Find > Find in All Models through the main window on the sample model: the
// matches are listed in the report window, a double-click opens the model at
// the match's object; a text without words and "/r" are answered in a message.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "reports/report_window.h"
#include "search/model_index.h"
#include "support/started_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

namespace arbolith {
namespace {

class FindInAllModelsTest : public test::StartedMainWindow {
protected:
    void SetUp() override { Start(); }

    // Chooses the entry with `answer`; the report window, when one opens, is
    // read and worked with `use`, else closed.
    std::vector<std::string> Choose(const std::string& answer, const std::function<void(frmReport&)>& use = {})
    {
        m_prompt.inputs = {answer};
        std::vector<std::string> lines;
        // The search runs on a worker first, events served meanwhile: look
        // for the report window until it is there.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* report = dynamic_cast<frmReport*>(QApplication::activeModalWidget());
            if (!report) return;
            poll.stop();
            for (int row = 0; row < report->lstReport()->count(); ++row)
                lines.push_back(report->lstReport()->item(row)->text().toStdString());
            if (use) use(*report);
            if (report->isVisible()) report->close();
        });
        poll.start(5);
        m_window->MenuAction("mnuFindInAllModels")->trigger();
        QApplication::processEvents();
        return lines;
    }
    std::string Selected() const { return m_window->trvObjects()->currentIndex().data().toString().toStdString(); }
};

TEST_F(FindInAllModelsTest, ListsMatchesAndOpensTheModelAtADoubleClickedOne)
{
    ASSERT_TRUE(m_hooks->Browser()->Current().IsOpen());
    const std::string model = m_hooks->Browser()->Current().baseName;
    const std::string root = Selected();

    const auto lines = Choose("item index", [](frmReport& report) {
        ASSERT_GE(report.lstReport()->count(), 2);
        emit report.lstReport()->itemDoubleClicked(report.lstReport()->item(1));
    });
    EXPECT_EQ(lines, (std::vector<std::string>{model + ": Documents.Item   Method Item(index As Variant) As Document",
                                               model + ": Items.Item   Method Item(index As Long) As Item",
                                               model + ": Windows.Item   Method Item(index As Variant) As Window"}));
    EXPECT_EQ(m_prompt.inputTexts.back(), std::string(search::kFindInAllModelsQuestion));
    EXPECT_TRUE(Selected().starts_with("Items")) << Selected() << " (was " << root << ")";
    EXPECT_TRUE(m_window->isEnabled());
}

TEST_F(FindInAllModelsTest, AnswersWithoutMatchesAreToldInAMessage)
{
    struct Case {
        std::string answer;
        std::string says;
    };
    for (const Case& c :
         {Case{"\"*\" ^", "no word"}, Case{"zzzqqq", "No match to zzzqqq"}, Case{"/r", "made anew: 1 models"}}) {
        m_prompt.asked.clear();
        EXPECT_TRUE(Choose(c.answer).empty()) << c.answer;
        ASSERT_EQ(m_prompt.asked.size(), 1u) << c.answer;
        EXPECT_NE(m_prompt.asked[0].text.find(c.says), std::string::npos) << m_prompt.asked[0].text;
    }
    // Cancel asks nothing more.
    m_prompt.asked.clear();
    m_prompt.inputs = {std::nullopt};
    m_window->MenuAction("mnuFindInAllModels")->trigger();
    EXPECT_TRUE(m_prompt.asked.empty());
}

}  // namespace
}  // namespace arbolith
