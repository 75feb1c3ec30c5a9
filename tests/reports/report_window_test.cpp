// SPDX-License-Identifier: MIT
// The report window offscreen: what each way of filling it shows, reports
// that run once however often the window is activated, failed reports, the
// frequency table's sorting, its placement and closing.
#include "reports/report_window.h"

#include "browser/model_files.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

namespace arbolith {
namespace {

using reports::ReportKind;

std::vector<std::string> Lines(const QListWidget& list)
{
    std::vector<std::string> lines;
    for (int row = 0; row < list.count(); ++row) lines.push_back(list.item(row)->text().toStdString());
    return lines;
}

std::vector<std::string> Column(const QTreeWidget& table, int column)
{
    std::vector<std::string> cells;
    for (int row = 0; row < table.topLevelItemCount(); ++row)
        cells.push_back(table.topLevelItem(row)->text(column).toStdString());
    return cells;
}

class ReportWindowTest : public ::testing::Test {
protected:
    void SetUp() override { test::QtApp(); }

    // A model with two hidden objects, none creatable, and members.
    std::filesystem::path WriteModel()
    {
        const auto dat = m_dir / "Tiny.DAT";
        test::WriteDat(dat,
                       {{.name = "Zeta", .hiddenState = "H"}, {.name = "Alpha"}, {.name = "Beta", .hiddenState = "H"}},
                       {}, {{.objectKey = 1, .name = "Count"}, {.objectKey = 2, .name = "Add"}});
        return dat;
    }
    void Activate(frmReport& window)
    {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activate);
        window.activateWindow();
        QApplication::processEvents();
    }

    test::TempDir m_dir;
    ScriptedPrompt m_prompt;
};

// Each way of filling shows one control, centred in most of a window that
// takes most of the screen.
TEST_F(ReportWindowTest, EachWayOfFillingShowsOneControlUnderItsCaption)
{
    struct Case {
        std::function<void(frmReport&)> fill;
        ReportMode mode;
        const char* caption;
        const char* control;
        bool copy;
    };
    const Case cases[] = {
        {[](frmReport& w) { w.SetLines("Parents of Document", {"Application"}); }, ReportMode::Lines,
         "Parents of Document", "lstReport", false},
        {[](frmReport& w) {
             w.SetFrequencies("Counts", {{"Application", 1, 0, 1}});
         },
         ReportMode::Frequencies, "Counts", "lvReport", false},
        {[](frmReport& w) { w.SetHelpText("Open Model Help", "Choose a model."); }, ReportMode::HelpText,
         "Open Model Help", "txtReport", false},
        {[](frmReport& w) { w.SetCode("Select Case x"); }, ReportMode::Code, "Enum Select Code", "txtReport", true},
        {[](frmReport& w) { w.SetReport(ReportKind::AllMembers, {}, "Tiny"); }, ReportMode::Report, "Members in Tiny",
         "lstReport", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        frmReport window(m_prompt);
        c.fill(window);
        window.show();
        QApplication::processEvents();
        EXPECT_EQ(window.Mode(), c.mode);
        EXPECT_EQ(window.windowTitle().toStdString(), c.caption);
        EXPECT_EQ(window.mnuCopy()->isVisible(), c.copy);
        for (QWidget* control : {static_cast<QWidget*>(window.lstReport()), static_cast<QWidget*>(window.lvReport()),
                                 static_cast<QWidget*>(window.txtReport())})
            EXPECT_EQ(control->isVisible(), control->objectName() == c.control) << control->objectName().toStdString();

        const QRect screen = window.screen()->availableGeometry();
        EXPECT_NEAR(window.width(), screen.width() * 0.9, 1);
        EXPECT_NEAR(window.height(), screen.height() * 0.9, 1);
        EXPECT_NEAR(window.frameGeometry().center().x(), screen.center().x(), 3);
        const QWidget& shown = *window.findChild<QWidget*>(c.control);
        const QRect area = shown.parentWidget()->rect();
        const double share = c.mode == ReportMode::Frequencies ? 0.95 : 0.9;
        EXPECT_NEAR(shown.width(), area.width() * share, 1);
        EXPECT_NEAR(shown.height(), area.height() * share, 1);
        EXPECT_NEAR(shown.geometry().center().x(), area.center().x(), 1);
        EXPECT_NEAR(shown.geometry().center().y(), area.center().y(), 1);
        window.close();
    }
}

// A Qt window is activated again after every message box it shows; the
// report must stay as it was, not be read a second time.
TEST_F(ReportWindowTest, ReportsRunOnceAndFailuresKeepTheWindowOpen)
{
    const auto dat = WriteModel();
    struct Case {
        ReportKind kind;
        std::filesystem::path file;
        std::vector<std::string> lines;
        std::string messageStart;  // "" for none
    };
    const Case cases[] = {
        {ReportKind::Hidden, dat, {"Beta", "Zeta"}, ""},
        {ReportKind::Creatables, dat, {"No externally creatable objects."}, ""},
        {ReportKind::AllMembers, dat, {"Add", "Count"}, ""},
        {ReportKind::Hidden, m_dir / "Missing.DAT", {}, "Error showing hidden objects: "},
        {ReportKind::AllMembers, {}, {}, "Error showing all members: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string() + " " + std::to_string(static_cast<int>(c.kind)));
        m_prompt.asked.clear();
        frmReport window(m_prompt);
        window.SetReport(c.kind, c.file, "Tiny");
        window.show();
        QApplication::processEvents();
        for (int again = 0; again < 2; ++again) {
            Activate(window);
            window.hide();
            window.show();
            QApplication::processEvents();
        }
        EXPECT_EQ(Lines(*window.lstReport()), c.lines);
        EXPECT_TRUE(window.isVisible());
        if (c.messageStart.empty()) {
            EXPECT_TRUE(m_prompt.asked.empty());
        } else {
            ASSERT_EQ(m_prompt.asked.size(), 1u);
            EXPECT_EQ(m_prompt.asked[0].text.rfind(c.messageStart, 0), 0u) << m_prompt.asked[0].text;
        }
        window.close();
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Missing.DAT"));
}

// Every header click turns the direction round, whichever column; cells
// compare as texts, so 1000 sorts before 999 going up.
TEST_F(ReportWindowTest, HeaderClicksSortByTextAlternatingTheDirection)
{
    frmReport window(m_prompt);
    window.SetFrequencies("Counts", {{"Beta", 2, 3, 5}, {"Alpha", 0, 999, 999}, {"Gamma", 1000, 0, 1000}});
    window.show();
    QTreeWidget& table = *window.lvReport();
    EXPECT_EQ(Column(table, 1), (std::vector<std::string>{"002", "000", "1000"}));
    const auto click = [&table](int column) { emit table.header()->sectionClicked(column); };
    struct Step {
        int column;
        std::vector<std::string> cells;  // of that column after the click
    };
    const Step steps[] = {
        {3, {"999", "1000", "005"}},  // the first click turns the unsorted table's ascending round
        {3, {"005", "1000", "999"}},     {0, {"Gamma", "Beta", "Alpha"}},  // another column: the direction still turns
        {0, {"Alpha", "Beta", "Gamma"}}, {2, {"999", "003", "000"}},
    };
    for (const Step& step : steps) {
        click(step.column);
        EXPECT_EQ(Column(table, step.column), step.cells) << step.column;
    }
}

TEST_F(ReportWindowTest, EscapeAndCloseEndTheWindowAndCopyTakesOnlyCode)
{
    for (const bool byMenu : {false, true}) {
        frmReport window(m_prompt);
        window.SetHelpText("Open Model Help", "text");
        window.show();
        window.txtReport()->setFocus();
        if (byMenu) {
            window.mnuClose()->trigger();
        } else {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(window.txtReport(), &escape);
        }
        EXPECT_FALSE(window.isVisible()) << byMenu;
    }

    QGuiApplication::clipboard()->setText("before");
    frmReport help(m_prompt);
    help.SetHelpText("Open Model Help", "not code");
    help.mnuCopy()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "before");

    frmReport code(m_prompt);
    code.SetCode("Select Case x\r\nEnd Select");
    code.show();
    code.mnuCopy()->trigger();  // flashes for a second
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "Select Case x\r\nEnd Select");  // line ends kept
    EXPECT_EQ(code.cmdFlash()->text().toStdString(), "Code copied to clipboard");
    EXPECT_FALSE(code.cmdFlash()->isVisible());
}

}  // namespace
}  // namespace arbolith
