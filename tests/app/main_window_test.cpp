// SPDX-License-Identifier: MIT
// The main window on the offscreen platform (one 800 x 800 screen at 96 DPI:
// 12000 x 12000 twips, windows with a 2-pixel frame), started the way the
// program starts it.
#include "app/main_window.h"
#include "app/shutdown.h"
#include "app/startup.h"
#include "platform/profile.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTreeView>

#include <csignal>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace arbolith {
namespace {

// Records the calls start-up makes, in order, and the menu commands; opens
// every model it is asked for.
class RecordingHooks : public MainWindowHooks {
public:
    std::vector<std::string> calls;
    std::vector<Command> commands;
    bool openSucceeds = true;

    bool OpenModel(frmZVMain& window, const std::string& library, bool atStartUp) override
    {
        calls.push_back("OpenModel " + library + (atStartUp ? " at start-up" : ""));
        window.SetCurrentLibrary(openSucceeds ? library : "");
        return openSucceeds;
    }
    bool RunCommand(frmZVMain&, Command command) override
    {
        commands.push_back(command);
        return true;
    }
    void DisplayTree(frmZVMain& window) override
    {
        calls.push_back(window.isVisible() ? "DisplayTree shown" : "DisplayTree hidden");
    }
    void ShowWelcome(frmZVMain&) override { calls.push_back("ShowWelcome"); }
    void ShowHelpForSelection(frmZVMain&) override { calls.push_back("ShowHelp"); }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { test::QtApp(); }

    std::filesystem::path Ini() const { return m_home / "ZV.INI"; }
    void WriteIni(std::string_view text) const { test::WriteBytes(Ini(), text); }

    frmZVMain& Start(MainWindowHooks& hooks)
    {
        m_window = StartMainWindow(m_prompt, hooks, {m_home.path()});
        if (!m_window) throw std::runtime_error("start-up failed");
        QApplication::processEvents();
        return *m_window;
    }
    frmZVMain& Start() { return Start(m_hooks); }

    void Close()
    {
        m_window->close();
        m_window.reset();
    }

    std::string Value(const char* section, const char* key) const
    {
        auto doc = ProfileDocument::Load(Ini());
        return doc ? doc->Get(section, key).value_or("<absent>") : "<unreadable>";
    }

    test::TempDir m_home;
    ScriptedPrompt m_prompt;
    MainWindowHooks m_hooks;
    std::unique_ptr<frmZVMain> m_window;
};

TEST_F(MainWindowTest, FirstStartOpensAtThreeQuartersOfTheScreenWithoutModel)
{
    RecordingHooks hooks;
    frmZVMain& w = Start(hooks);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMaximized());
    // 600 x 600 of the 800 x 800 screen, centred; the tree a third as wide.
    EXPECT_EQ(w.CurrentRect(), (WindowRect{1500, 1500, 9000, 9000}));
    EXPECT_EQ(w.Layout().trvObjects.width, 3000);
    EXPECT_FALSE(w.ModelOpen());
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"DisplayTree shown", "ShowWelcome"}));
    EXPECT_FALSE(w.MenuAction("mnuTree")->isEnabled());
    EXPECT_TRUE(m_prompt.asked.empty());

    // Closing writes the state and place, and no CurrentLibrary since no
    // model was opened in this run.
    Close();
    EXPECT_EQ(Value("Main", "WindowState"), "0");
    EXPECT_EQ(Value("Main", "Width"), "9000");
    EXPECT_EQ(Value("Main", "CurrentLibrary"), "<absent>");
    EXPECT_EQ(Value("OMForm", "TreeWidth"), "3000");
    EXPECT_EQ(Value("Main", "SplitMode"), "0");

    // Stored values still rule: maximised with the fixed normal size.
    WriteIni("[Main]\nWindowState=2\nWidth=3000\nHeight=3000\nTop=0\nLeft=0\n[OMForm]\nTreeWidth=500\n");
    frmZVMain& again = Start(hooks);
    EXPECT_TRUE(again.isMaximized());
    // 500 widened to the tree's minimum: its label's width.
    const std::int32_t minimum = again.Layout().minimumGripLeft - 40;
    EXPECT_GE(minimum, 1000);
    EXPECT_EQ(again.Layout().trvObjects.width, minimum);
    Close();
    EXPECT_EQ(Value("OMForm", "TreeWidth"), std::to_string(minimum));
}

TEST_F(MainWindowTest, StartUpOpensThePreviousModelThenShowsWelcomeAndHelp)
{
    WriteIni("[Main]\nCurrentLibrary=scrrun.dll\nAutoHelp=True\n");
    RecordingHooks hooks;
    frmZVMain& w = Start(hooks);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"OpenModel scrrun.dll at start-up", "DisplayTree shown",
                                                     "ShowWelcome", "ShowHelp"}));
    EXPECT_TRUE(w.MenuAction("mnuTree")->isEnabled());
    EXPECT_TRUE(w.MenuAction("mnuAutoHelp")->isChecked());
    EXPECT_EQ(w.MenuAction("mnuAutoHelpFlag")->text(), "(AutoHelpOn)");
    Close();
    EXPECT_EQ(Value("Main", "CurrentLibrary"), "scrrun.dll");

    // A model that does not open any more is dropped: no tree, written empty.
    WriteIni("[Main]\nCurrentLibrary=gone.dll\nNoWelcome=True\n");
    hooks.calls.clear();
    hooks.openSucceeds = false;
    Start(hooks);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"OpenModel gone.dll at start-up", "DisplayTree shown"}));
    Close();
    EXPECT_EQ(Value("Main", "CurrentLibrary"), "");
}

TEST_F(MainWindowTest, FontSizesOutOfRangeTakeDefaultsAndUnreadableNumbersAreReported)
{
    // A size too large for 16 bits is only out of range; a state that large cannot be read.
    WriteIni("[Main]\nLeft=32768\nWindowState=70000\n[Fonts]\nTree=40\nLabel=0\nTextbox=12\nListbox=70000\n");
    frmZVMain& w = Start();
    EXPECT_EQ(w.trvObjects()->font().pointSize(), 8);
    EXPECT_EQ(w.trvProps()->font().pointSize(), 8);
    EXPECT_EQ(w.lblMethods()->font().pointSize(), 8);
    EXPECT_EQ(w.txtStatus()->font().pointSize(), 12);
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text.rfind("Error getting integer from " + Ini().string() + ". ", 0), 0u);
    Close();
    EXPECT_EQ(Value("Fonts", "Tree"), "8");
}

TEST_F(MainWindowTest, ClosingNormalOrMinimisedWritesThePlaceTheNextStartUses)
{
    WriteIni("[Main]\nWindowState=0\nTop=600\nLeft=900\nWidth=9000\nHeight=6000\n[OMForm]\nTreeWidth=2000\n");
    frmZVMain& w = Start();
    EXPECT_EQ(w.CurrentRect(), (WindowRect{600, 900, 9000, 6000}));
    EXPECT_EQ(w.trvObjects()->width(), w.ToPixelsX(2000));
    w.resize(w.ToPixelsX(2000), w.height());  // a normal window is at least two inches wide
    QApplication::processEvents();
    EXPECT_EQ(w.CurrentRect().width, 3000);

    w.move(w.ToPixelsX(1500), w.ToPixelsY(1200));
    w.resize(w.ToPixelsX(10500), w.ToPixelsY(7500));
    QApplication::processEvents();
    const WindowRect moved = w.CurrentRect();
    EXPECT_EQ(w.trvObjects()->width(), w.ToPixelsX(2000));  // resizing keeps the tree's width
    Close();
    EXPECT_EQ(Value("Main", "WindowState"), "0");
    EXPECT_EQ(Value("Main", "Top"), std::to_string(moved.top));
    EXPECT_EQ(Value("Main", "Width"), "10500");
    frmZVMain& again = Start();
    EXPECT_FALSE(again.isMaximized());
    EXPECT_EQ(again.CurrentRect(), moved);
    EXPECT_EQ(again.Layout().trvObjects.width, 2000);

    // Minimising after a move alone writes the place before it at once;
    // closing minimised leaves the place keys, and the next start uses the
    // place from before the minimising.
    again.move(again.ToPixelsX(1200), again.ToPixelsY(750));
    QApplication::processEvents();
    again.showMinimized();
    QApplication::processEvents();
    EXPECT_EQ(Value("Main", "StateBeforeMin"), "0");
    EXPECT_EQ(Value("Main", "LeftBeforeMin"), "1200");
    EXPECT_EQ(Value("Main", "TopBeforeMin"), "750");
    Close();
    EXPECT_EQ(Value("Main", "WindowState"), "1");
    EXPECT_EQ(Value("Main", "Top"), std::to_string(moved.top));
    EXPECT_EQ(Value("OMForm", "TreeWidth"), "2000");
    EXPECT_EQ(Start().CurrentRect(), (WindowRect{750, 1200, moved.width, moved.height}));
}

// Sends a mouse event to the grip at x pixels from its left edge.
void MouseOnGrip(QWidget* grip, QEvent::Type type, int x)
{
    const QPointF local(x, 10);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, grip->mapToGlobal(local), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(grip, &event);
}

TEST_F(MainWindowTest, SplitterDragStopsAtTheTreesLabelAndAClickMovesNothing)
{
    WriteIni("[Main]\nWindowState=0\nWidth=9000\nHeight=6000\n[OMForm]\nTreeWidth=3000\n");
    frmZVMain& w = Start();
    QWidget* grip = w.imgSplitter();

    MouseOnGrip(grip, QEvent::MouseButtonPress, 2);
    MouseOnGrip(grip, QEvent::MouseButtonRelease, 2);
    EXPECT_EQ(w.Layout().trvObjects.width, 3000);

    MouseOnGrip(grip, QEvent::MouseButtonPress, 2);
    EXPECT_TRUE(w.picSplitter()->isVisible());
    MouseOnGrip(grip, QEvent::MouseMove, -1000);
    const std::int32_t narrowest = w.Layout().minimumGripLeft;
    EXPECT_EQ(w.picSplitter()->x(), w.ToPixelsX(narrowest));
    MouseOnGrip(grip, QEvent::MouseButtonRelease, -1000);
    EXPECT_FALSE(w.picSplitter()->isVisible());
    EXPECT_EQ(w.Layout().trvObjects.width, narrowest - 40);
    EXPECT_LE(w.lblNodes()->geometry().right(), w.trvObjects()->geometry().right());
}

// The names of the disabled menu-bar entries, menus and their entries alike.
std::vector<std::string> DisabledEntries(const frmZVMain& w)
{
    std::vector<std::string> names;
    for (const QAction* top : w.menuBar()->actions()) {
        std::vector<const QAction*> actions{top};
        if (const QMenu* menu = top->menu())
            for (const QAction* entry : menu->actions()) actions.push_back(entry);
        for (const QAction* a : actions)
            if (top->isVisible() && !a->isSeparator() && !a->isEnabled())
                names.push_back(a->objectName().toStdString());
    }
    return names;
}

TEST_F(MainWindowTest, ModelEntriesAreEnabledOnceAModelIsOpen)
{
    WriteIni("[OMForm]\nShowOrigin=True\n");
    frmZVMain& w = Start();
    EXPECT_TRUE(w.MenuAction("mnuShowOrigin")->isChecked());
    EXPECT_FALSE(w.MenuAction("mnuShowFlags")->isChecked());
    EXPECT_EQ(DisabledEntries(w),
              (std::vector<std::string>{"mnuTree", "mnuView", "mnuFind", "mnuHelpFile", "mnuAutoHelp", "mnuSetHelpFile",
                                        "mnuLegend", "mnuSplitMode"}));
    // Opening a model (in another window) and coming back to the main
    // window enables the rest.
    QWidget dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    w.SetCurrentLibrary("scrrun.dll");
    QApplication::setActiveWindow(&w);
    QApplication::processEvents();
    EXPECT_TRUE(DisabledEntries(w).empty());
}

// Every entry of the menus reaches a command of its own: none is lost and
// no two entries share one.
TEST_F(MainWindowTest, EveryMenuEntryRunsItsOwnCommand)
{
    RecordingHooks hooks;
    frmZVMain& w = Start(hooks);
    w.MenusEnabled(true);
    int entries = 0;
    for (QAction* top : w.menuBar()->actions()) {
        QList<QAction*> actions{top};
        if (const QMenu* menu = top->menu()) actions = menu->actions();
        for (QAction* a : actions) {
            const std::string name = a->objectName().toStdString();
            if (a->isSeparator() || name == "mnuExit" || name == "mnuSplitMode" || name == "mnuAutoHelpFlag") continue;
            a->trigger();
            ++entries;
        }
    }
    EXPECT_EQ(hooks.commands.size(), static_cast<std::size_t>(entries));
    EXPECT_EQ(std::set<Command>(hooks.commands.begin(), hooks.commands.end()).size(), hooks.commands.size());
    EXPECT_EQ(entries, 41);
    EXPECT_TRUE(m_prompt.asked.empty());

    // A command the hooks do not provide says so.
    MainWindowHooks none;
    frmZVMain& plain = Start(none);
    plain.MenuAction("mnuFindAgain")->trigger();
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text, "Find Again is not available yet.");

    // File > Exit closes every window and writes the settings.
    QWidget other;
    other.show();
    plain.MenuAction("mnuExit")->trigger();
    EXPECT_FALSE(plain.isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(Value("Main", "WindowState"), "0");
}

// Stopped from outside, the program closes as File > Exit closes it: the
// settings are written, so the next start reopens the model.
TEST_F(MainWindowTest, TerminationSignalClosesTheWindowAndWritesTheSettings)
{
    WriteIni("[Main]\nCurrentLibrary=scrrun.dll\nNoWelcome=True\n");
    RecordingHooks hooks;
    frmZVMain& w = Start(hooks);
    QWidget other;
    other.show();
    for (const int number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(number);
        int quits = 0;
        {
            OrderlyShutdown shutdown(w, [&quits] { ++quits; });
            ASSERT_TRUE(shutdown.Installed());
            ::raise(number);
            QElapsedTimer waited;
            waited.start();
            while (quits == 0 && waited.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        EXPECT_EQ(quits, 1);
    }
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(Value("Main", "CurrentLibrary"), "scrrun.dll");
    EXPECT_EQ(Value("Main", "WindowState"), "0");
}

TEST_F(MainWindowTest, StartUpFailureIsReportedAndGivesNoWindow)
{
    test::WriteBytes(m_home / "file", "");
    EXPECT_EQ(StartMainWindow(m_prompt, m_hooks, {m_home / "file"}), nullptr);
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text.rfind("Error loading main form. ", 0), 0u);
}

}  // namespace
}  // namespace arbolith
