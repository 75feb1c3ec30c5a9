// SPDX-License-Identifier: MIT
// Tree > Save View and Tree > Load View through the main window on the
// sample model: a local view saved, the model made again, the view loaded
// back with the same nodes open; and what is refused on the way.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "app/sample_model.h"
#include "browser/object_tree_model.h"
#include "catalog/open_model_window.h"
#include "dialogs/load_view_window.h"
#include "support/started_main_window.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <set>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using browser::ObjectTreeModel;

class ViewMenuTest : public test::StartedMainWindow {
protected:
    void SetUp() override
    {
        Start();
        ASSERT_TRUE(m_hooks->Browser()->Current().IsOpen());
    }

    QTreeView& Tree() const { return *m_window->trvObjects(); }
    const browser::ObjectBrowser& Browser() const { return *m_hooks->Browser(); }
    fs::path Views() const { return m_window->Folders().viewsFolder; }
    void Run(const char* menuName) { m_window->MenuAction(menuName)->trigger(); }

    QModelIndex Child(const QModelIndex& parent, const std::string& label) const
    {
        for (int row = 0; row < Tree().model()->rowCount(parent); ++row)
            if (const QModelIndex child = Tree().model()->index(row, 0, parent);
                child.data().toString().toStdString() == label)
                return child;
        throw std::runtime_error("no node " + label);
    }
    std::set<std::int32_t> ExpandedNodes() const
    {
        std::set<std::int32_t> open;
        const auto* model = static_cast<const ObjectTreeModel*>(Tree().model());
        for (std::int32_t n = 0; n < static_cast<std::int32_t>(Browser().Nodes().size()); ++n)
            if (Tree().isExpanded(model->IndexOfNode(n))) open.insert(n);
        return open;
    }
    std::vector<browser::NodeRecord> Nodes() const { return {Browser().Nodes().begin(), Browser().Nodes().end()}; }

    // Chooses the menu entry and works the modal dialog it opens with `use`.
    template <class Dialog>
    void Use(const char* menuName, const std::function<void(Dialog&)>& use)
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget())) {
                opened = true;
                use(*dialog);
                if (dialog->isVisible()) dialog->close();
            }
        });
        Run(menuName);
        QApplication::processEvents();
        EXPECT_TRUE(opened) << menuName;
    }
    void LoadViewNamed(const std::string& name)
    {
        Use<frmLoadView>("mnuLoadView", [&](frmLoadView& w) {
            w.lstViews()->setCurrentItem(w.lstViews()->findItems(QString::fromStdString(name), Qt::MatchExactly)[0]);
            w.cmdLoad()->click();
        });
    }
};

TEST_F(ViewMenuTest, ALocalViewSavedLoadsBackWithTheSameNodesOpenAfterTheModelIsMadeAgain)
{
    const QModelIndex document = Child(Child(Tree().model()->index(0, 0), "Documents {Document}"), "Document");
    Tree().setCurrentIndex(document);
    Run("mnuLocalView");
    ASSERT_EQ(Browser().SeedCount(), 3u);
    // Two levels open below the chosen node.
    Tree().expandRecursively(Tree().currentIndex(), 2);
    const std::vector<browser::NodeRecord> saved = Nodes();
    const std::set<std::int32_t> open = ExpandedNodes();
    ASSERT_GT(open.size(), 3u);

    m_prompt.inputs = {std::string("Deep")};
    Run("mnuSaveView");
    ASSERT_TRUE(fs::exists(Views() / "Deep.zvv"));
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text, "Deep view has been saved.");
    EXPECT_EQ(m_prompt.asked[0].icon, PromptIcon::Information);

    // The model made again from its library, and opened in its global view.
    const std::string key = Browser().Current().baseName;
    for (const char* extension : {".DAT", ".INF"}) fs::remove(m_window->Folders().modelsFolder / (key + extension));
    SilentProgress progress;
    const std::string library = MakeSampleModel(m_window->Folders(), FindSampleLibrary(), false, m_prompt, progress);
    ASSERT_FALSE(library.empty());
    ASSERT_TRUE(m_hooks->OpenModel(*m_window, library, false));
    ASSERT_EQ(Browser().SeedCount(), 1u);

    LoadViewNamed("Deep");
    EXPECT_EQ(Browser().SeedCount(), 3u);
    EXPECT_EQ(Nodes(), saved);
    EXPECT_EQ(ExpandedNodes(), open);
    EXPECT_EQ(ObjectTreeModel::NodeOf(Tree().currentIndex()), 2);
    EXPECT_EQ(m_prompt.asked.size(), 1u);
}

TEST_F(ViewMenuTest, RefusedNamesUnwantedOverwritesAndBadFilesChangeNothing)
{
    for (const char* name : {"a.b", "a/b", "..\\up", "tab\there"}) {
        m_prompt.inputs = {std::string(name)};
        Run("mnuSaveView");
        ASSERT_FALSE(m_prompt.asked.empty());
        EXPECT_EQ(m_prompt.asked.back().text, "Invalid name.") << name;
        EXPECT_EQ(m_prompt.asked.back().icon, PromptIcon::Exclamation);
    }
    // A blank answer cancels.
    const std::size_t told = m_prompt.asked.size();
    m_prompt.inputs = {std::string("   ")};
    Run("mnuSaveView");
    EXPECT_EQ(m_prompt.asked.size(), told) << m_prompt.asked.back().text;
    EXPECT_TRUE(!fs::exists(Views()) || fs::is_empty(Views()));

    // An existing view found without regard to case: No keeps its bytes.
    test::WriteBytes(Views() / "Kept.zvv", "old");
    m_prompt.inputs = {std::string("kept")};
    m_prompt.answers = {PromptAnswer::No};
    Run("mnuSaveView");
    EXPECT_EQ(m_prompt.asked.back().text, "Kept view exists. Overwrite?");
    EXPECT_EQ(test::ReadBytes(Views() / "Kept.zvv"), "old");

    // A damaged view: the message, and the tree stays.
    const std::vector<browser::NodeRecord> before = Nodes();
    LoadViewNamed("Kept");
    EXPECT_EQ(m_prompt.asked.back().text.rfind("Error loading view. ", 0), 0u) << m_prompt.asked.back().text;
    EXPECT_EQ(Nodes(), before);

    // The flat tree has no view to save.
    const std::string key = Browser().Current().baseName;
    Use<frmOpenModel>("mnuLibrary", [&](frmOpenModel& w) {
        w.chkFlat()->setChecked(true);
        w.NodeClicked(w.ModelItem(key));
    });
    ASSERT_TRUE(Browser().IsFlatTree());
    const std::size_t asked = m_prompt.asked.size();
    Run("mnuSaveView");
    ASSERT_EQ(m_prompt.asked.size(), asked + 1);
    EXPECT_EQ(m_prompt.asked.back().text, "This feature not available when viewing a flat tree.");
    EXPECT_EQ(m_prompt.inputTexts.size(), 6u);  // no name asked for
}

}  // namespace
}  // namespace arbolith
