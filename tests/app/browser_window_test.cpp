// SPDX-License-Identifier: MIT
// The main window bound to the object browser, started the way the program
// starts (offscreen, in a fresh program folder): the first start's sample
// model, clicks on nodes and members, and the Tree menu.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "app/sample_model.h"
#include "app/startup.h"
#include "platform/profile.h"
#include "support/qt_application.h"
#include "support/started_main_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeView>

#include <memory>
#include <string>
#include <vector>

namespace arbolith {
namespace {

class BrowserWindowTest : public test::StartedMainWindow {
protected:
    void Close() { m_window->close(); }

    QTreeView& Tree() const { return *m_window->trvObjects(); }
    static std::string Label(const QModelIndex& index) { return index.data().toString().toStdString(); }
    std::vector<std::string> ChildLabels(const QModelIndex& parent) const
    {
        std::vector<std::string> labels;
        for (int row = 0; row < Tree().model()->rowCount(parent); ++row)
            labels.push_back(Label(Tree().model()->index(row, 0, parent)));
        return labels;
    }
    QModelIndex Root() const { return Tree().model()->index(0, 0); }
    QModelIndex Child(const QModelIndex& parent, const std::string& label) const
    {
        for (int row = 0; row < Tree().model()->rowCount(parent); ++row)
            if (const QModelIndex child = Tree().model()->index(row, 0, parent); Label(child) == label) return child;
        throw std::runtime_error("no node " + label);
    }
    std::string Status() const { return m_window->txtStatus()->toPlainText().toStdString(); }
    std::string Text(const QLabel* label) const { return label->text().toStdString(); }
    void Run(const char* menuName) { m_window->MenuAction(menuName)->trigger(); }
};

TEST_F(BrowserWindowTest, FirstStartMakesAndOpensTheSampleAndTheNextStartReopensIt)
{
    frmZVMain& w = Start();
    EXPECT_TRUE(m_prompt.asked.empty());
    ASSERT_TRUE(w.ModelOpen());
    EXPECT_EQ(w.windowTitle().toStdString(), "Quill - Arbolith");
    EXPECT_TRUE(w.MenuAction("mnuTree")->isEnabled());
    EXPECT_EQ(Label(Root()), "Application");
    EXPECT_EQ(ChildLabels(Root()),
              (std::vector<std::string>{"<Events>", "Document", "Documents {Document}", "Window", "Windows {Window}"}));
    EXPECT_TRUE(Tree().isExpanded(Root()));
    EXPECT_EQ(Text(w.lblNodes()), "Nodes: 45(Hid)(Ext)");
    // The root is selected and clicked.
    EXPECT_EQ(Status(), "Path: Application\nEnd Node: Application [CanCre]\nDOC STRING: The Quill application");
    EXPECT_EQ(w.trvProps()->model()->rowCount(), 8);
    Close();
    const std::filesystem::path dat = m_home / "Models" / "Quill.DAT";
    EXPECT_EQ(ProfileDocument::Load(m_home / "ZV.INI")->Get("Main", "CurrentLibrary"), "Quill.tlb");
    const auto made = std::filesystem::last_write_time(dat);

    // The next start reopens the model of the last run; nothing is made again.
    EXPECT_TRUE(Start().ModelOpen());
    EXPECT_EQ(Tree().model()->rowCount(Root()), 5);
    EXPECT_EQ(std::filesystem::last_write_time(dat), made);

    // Without a model of the last run, and with the sample there, nothing opens.
    m_window->SetCurrentLibrary("");
    Close();
    EXPECT_FALSE(Start().ModelOpen());
    EXPECT_EQ(std::filesystem::last_write_time(dat), made);
    EXPECT_TRUE(m_prompt.asked.empty());
}

// The labels above the panes with the sample's long node count: however
// narrow the tree is asked to be, no label runs into the next, and the node
// count shows whole.
TEST_F(BrowserWindowTest, LabelsAboveThePanesNeverOverlap)
{
    frmZVMain& w = Start();
    ASSERT_EQ(Text(w.lblNodes()), "Nodes: 45(Hid)(Ext)");
    for (const std::int32_t treeWidth : {0, 500, 1000, 1500, 3000}) {
        SCOPED_TRACE(treeWidth);
        w.SizeControls(treeWidth);
        const QLabel* labels[] = {w.lblNodes(), w.lblDefault(), w.lblProps(), w.lblMethods()};
        for (std::size_t i = 0; i < 4; ++i)
            for (std::size_t j = i + 1; j < 4; ++j)
                EXPECT_FALSE(labels[i]->geometry().intersects(labels[j]->geometry())) << i << j;
        EXPECT_GE(w.lblNodes()->width(), w.lblNodes()->fontMetrics().horizontalAdvance(w.lblNodes()->text()));
    }
}

// The window opens models the way ObjectBrowser::OpenAtStartup does, not
// by a copy of its own: for damaged files too it says the same things and
// builds the same tree.
TEST_F(BrowserWindowTest, WindowOpensModelsThroughTheBrowsersOwnPath)
{
    Start();
    Close();
    const std::filesystem::path models = m_home / "Models";
    auto inf = ProfileDocument::Load(models / "Quill.INF");
    ASSERT_TRUE(inf.ok());
    inf->DeleteKey("TopObject", "TopObjectKey");
    ASSERT_TRUE(inf->Save(models / "Quill.INF").ok());
    for (const bool junkDat : {false, true}) {
        SCOPED_TRACE(junkDat);
        if (junkDat) test::WriteBytes(models / "Quill.DAT", std::string(8192, 'x'));
        m_prompt.asked.clear();
        Start();
        Close();
        ScriptedPrompt prompt;
        browser::ObjectBrowser direct(models, prompt);
        direct.OpenAtStartup("Quill.tlb");
        ASSERT_EQ(m_prompt.asked.size(), 1u);
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(m_prompt.asked[0].text, prompt.asked[0].text);
        EXPECT_EQ(m_hooks->Browser()->Nodes().size(), direct.Nodes().size());
    }
}

TEST_F(BrowserWindowTest, AFailingSampleIsReportedAndTheWindowOpensWithoutModel)
{
    test::WriteBytes(m_home / "Quill.tlb", "not a type library");
    frmZVMain& w = Start(m_home / "Quill.tlb");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.ModelOpen());
    // The extraction's own messages, then what it meant for the start.
    ASSERT_FALSE(m_prompt.asked.empty());
    EXPECT_EQ(m_prompt.asked.back().text.rfind("The sample model could not be made from ", 0), 0u);
}

TEST_F(BrowserWindowTest, ClickingANodeOrAMemberFillsThePanesAndTheStatus)
{
    frmZVMain& w = Start();
    const QModelIndex documents = Child(Root(), "Documents {Document}");
    Tree().setCurrentIndex(documents);
    EXPECT_EQ(Status(),
              "Path: Application -- Documents\nEnd Node: Documents {Document} (< P:Documents) [Dual/Disp]\n"
              "DOC STRING: The open documents");
    EXPECT_EQ(Text(w.lblMethods()), "Methods: 3");  // Item, Add, Open
    EXPECT_EQ(Text(w.lblDefault()), "Default:  M: Item");
    ASSERT_EQ(w.trvProps()->model()->rowCount(), 3);  // Count, Parent, _NewEnum
    const QModelIndex count = w.trvProps()->model()->index(1, 0);
    ASSERT_EQ(Label(count), "Count");

    // A member: its declaration and documentation; the other pane's
    // selection goes.
    w.trvMethods()->setCurrentIndex(w.trvMethods()->model()->index(0, 0));
    w.trvProps()->setCurrentIndex(count);
    EXPECT_FALSE(w.trvMethods()->selectionModel()->hasSelection());
    EXPECT_EQ(Status().substr(Status().find('\n')), "\nDOC STRING: Number of open documents");
    // A click on the node already selected brings its status back.
    emit Tree().clicked(documents);
    EXPECT_EQ(Status().rfind("Path: Application -- Documents\n", 0), 0u);
    EXPECT_FALSE(w.trvProps()->selectionModel()->hasSelection());

    EXPECT_TRUE(m_prompt.asked.empty());
}

TEST_F(BrowserWindowTest, TreeMenuCommandsChangeTheTreeAndKeepTheirSettings)
{
    frmZVMain& w = Start();
    // Local view of a node two levels down: the path above it bracketed.
    const QModelIndex document = Child(Child(Root(), "Documents {Document}"), "Document");
    Tree().setCurrentIndex(document);
    Run("mnuLocalView");
    EXPECT_EQ(Tree().currentIndex(), Child(Child(Root(), "[Documents] {Document}"), "Document"));
    EXPECT_EQ(Status().rfind("Path: Application -- Documents -- Document\n", 0), 0u) << Status();

    // Expand Levels "1<": levels 0 and 1 open, everything deeper closed.
    Tree().expandAll();
    m_prompt.inputs.push_back("1<");
    Run("mnuExpandLevels");
    const QModelIndex level1 = Tree().model()->index(0, 0, Root());
    const QModelIndex level2 = Tree().model()->index(0, 0, level1);
    EXPECT_TRUE(Tree().isExpanded(level1));
    EXPECT_FALSE(Tree().isExpanded(level2));

    // Global view again, then Show Hidden off.
    Run("mnuGlobalView");
    EXPECT_EQ(Tree().model()->rowCount(Root()), 5);
    Run("mnuShowHidden");
    EXPECT_FALSE(w.MenuAction("mnuShowHidden")->isChecked());
    EXPECT_EQ(Text(w.lblNodes()), "Nodes: 45(Ext)");
    EXPECT_TRUE(m_prompt.asked.empty());
}

}  // namespace
}  // namespace arbolith
