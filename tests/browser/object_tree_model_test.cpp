// SPDX-License-Identifier: MIT
#include "browser/object_tree_model.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QPersistentModelIndex>

#include <gtest/gtest.h>

namespace arbolith::browser {
namespace {

// Root R with children Doc, B, Doc (added in that order); B has child x.
struct Tree {
    ObjectModel model;
    std::vector<NodeRecord> nodes;

    Tree()
    {
        for (const char* name : {"R", "Doc", "B", "Doc", "x"}) {
            ObjectRecord& o = model.objects.emplace_back();
            o.key = static_cast<std::int64_t>(model.objects.size() - 1);
            o.name = name;
            o.branchLimit = 1;
        }
        model.objects[4].isCollection = true;
        model.objects[4].memberName = "Z";
        model.edges = {{0, 1, "(P:b)"}, {0, 2, "(P:2)"}, {0, 3, "(P:a)"}, {2, 4, ""}};
        model.Reindex();
        EXPECT_TRUE(CreateNodes(model, std::vector<NodeRecord>{RootSeed(model, 0)}, kMaxLevel, {}, nodes).ok());
    }
    std::shared_ptr<const TreeDisplay> Display(DisplaySwitches switches = {}) const
    {
        return std::make_shared<const TreeDisplay>(TreeDisplay::Build(model, nodes, 1, switches, LabelStyle::Display));
    }
};

QStringList ChildLabels(const QAbstractItemModel& m, const QModelIndex& parent)
{
    QStringList labels;
    for (int row = 0; row < m.rowCount(parent); ++row) labels << m.index(row, 0, parent).data().toString();
    return labels;
}

TEST(ObjectTreeModel, PresentsTheDisplayAndPassesTheModelTester)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    Tree t;
    ObjectTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 0);

    model.SetTree(t.Display());
    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex root = model.index(0, 0);
    EXPECT_EQ(root.data().toString(), "R");
    EXPECT_EQ(ChildLabels(model, root), (QStringList{"B", "Doc", "Doc"}));
    const QModelIndex b = model.index(0, 0, root);
    EXPECT_EQ(model.index(0, 0, b).data().toString(), "x {Z}");
    EXPECT_EQ(b.data(ObjectTreeModel::NodeRole).toInt(), 2);
    EXPECT_EQ(b.data(ObjectTreeModel::LevelRole).toInt(), 1);
    EXPECT_EQ(b.data(Qt::DecorationRole).toInt(), NodeImageIndex({}));
    EXPECT_EQ(model.IndexOfNode(4), model.index(0, 0, b));
    EXPECT_FALSE(model.IndexOfNode(5).isValid());
    EXPECT_FALSE(model.index(3, 0, root).isValid());

    // Relabelling reorders siblings; persistent indexes follow their nodes.
    const QPersistentModelIndex firstDoc(model.index(1, 0, root));
    ASSERT_EQ(firstDoc.data(ObjectTreeModel::NodeRole).toInt(), 1);
    DisplaySwitches origins;
    origins.showOrigin = true;
    model.Relabel(t.Display(origins));
    EXPECT_EQ(ChildLabels(model, root), (QStringList{"B (P:2)", "Doc (P:a)", "Doc (P:b)"}));
    ASSERT_TRUE(firstDoc.isValid());
    EXPECT_EQ(firstDoc.row(), 2);
    EXPECT_EQ(firstDoc.data(ObjectTreeModel::NodeRole).toInt(), 1);

    model.SetTree(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace arbolith::browser
