// SPDX-License-Identifier: MIT
// View > Diagram on the sample model: the window opens on the selected
// object, and a click on a box selects that object in the main tree, until
// another model is opened.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "browser/object_tree_model.h"
#include "diagram/diagram_window.h"
#include "support/started_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QTreeView>

namespace arbolith {
namespace {

class DiagramMenuTest : public test::StartedMainWindow {
protected:
    diagram::frmDiagram* OpenDiagram()
    {
        m_window->MenuAction("mnuDiagram")->trigger();
        // The window class has no meta-object of its own: found by name.
        const auto windows = m_window->findChildren<QWidget*>("frmDiagram");
        auto* d = windows.isEmpty() ? nullptr : dynamic_cast<diagram::frmDiagram*>(windows.back());
        return d && d->WaitForLayout() ? d : nullptr;
    }
    std::int32_t SelectedObject() const
    {
        const std::int32_t node = browser::ObjectTreeModel::NodeOf(m_window->trvObjects()->currentIndex());
        return node < 0 ? -1 : m_hooks->Browser()->Nodes()[static_cast<std::size_t>(node)].object;
    }
};

TEST_F(DiagramMenuTest, ClickingABoxSelectsItsObjectInTheTree)
{
    Start();
    ASSERT_EQ(m_window->MenuAction("mnuDiagram")->text(), "&Diagram");
    const std::int32_t root = m_hooks->Browser()->Nodes()[0].object;
    diagram::frmDiagram* d = OpenDiagram();
    ASSERT_NE(d, nullptr);
    ASSERT_NE(d->Shown(), nullptr) << d->StatusText().toStdString();
    EXPECT_EQ(d->ShownGraph()->root, root);

    // A child of the root, not the root itself.
    const auto& boxes = d->Shown()->boxes;
    const auto other = std::find_if(boxes.begin(), boxes.end(), [&](const auto& b) { return b.object != root; });
    ASSERT_NE(other, boxes.end());
    d->ClickAt(QPointF(other->left + other->width / 2, other->top + other->height / 2));
    EXPECT_EQ(SelectedObject(), other->object);

    // Another model opened: the old diagram no longer selects anything.
    m_hooks->CloseModel();
    d->ClickAt(QPointF(boxes.front().left + 1, boxes.front().top + 1));
    EXPECT_NE(d->StatusText().indexOf("no longer the one open"), -1) << d->StatusText().toStdString();
    m_prompt.asked.clear();
}

}  // namespace
}  // namespace arbolith
