// SPDX-License-Identifier: MIT
#include "browser/object_tree_model.h"

namespace arbolith::browser {

ObjectTreeModel::ObjectTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void ObjectTreeModel::SetTree(std::shared_ptr<const TreeDisplay> display)
{
    beginResetModel();
    m_display = display ? std::move(display) : std::make_shared<const TreeDisplay>();
    endResetModel();
}

void ObjectTreeModel::Relabel(std::shared_ptr<const TreeDisplay> display)
{
    if (!display || display->NodeCount() != m_display->NodeCount()) {
        SetTree(std::move(display));
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    m_display = std::move(display);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) after.push_back(IndexOfNode(NodeOf(index)));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ObjectTreeModel::SetImages(std::array<QIcon, kNodeImageCount> images)
{
    m_images = std::move(images);
    m_haveImages = true;
    // Every node's decoration changes; rows stay where they are.
    emit layoutAboutToBeChanged();
    emit layoutChanged();
}

QModelIndex ObjectTreeModel::IndexOfNode(std::int32_t node) const
{
    if (!m_display->IsNode(node)) return {};
    return createIndex(m_display->Row(node), 0, static_cast<quintptr>(node));
}

std::int32_t ObjectTreeModel::NodeOf(const QModelIndex& index)
{
    return index.isValid() ? static_cast<std::int32_t>(index.internalId()) : -1;
}

QModelIndex ObjectTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0) return {};
    if (!parent.isValid())
        return row == 0 && m_display->NodeCount() > 0 ? createIndex(0, 0, quintptr{0}) : QModelIndex();
    const std::int32_t node = NodeOf(parent);
    if (parent.column() != 0 || !m_display->IsNode(node) || row >= m_display->ChildCount(node)) return {};
    return createIndex(row, 0, static_cast<quintptr>(m_display->Child(node, row)));
}

QModelIndex ObjectTreeModel::parent(const QModelIndex& child) const
{
    const std::int32_t node = NodeOf(child);
    if (!m_display->IsNode(node)) return {};
    return IndexOfNode(m_display->Parent(node));
}

int ObjectTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid()) return m_display->NodeCount() > 0 ? 1 : 0;
    const std::int32_t node = NodeOf(parent);
    return parent.column() == 0 && m_display->IsNode(node) ? m_display->ChildCount(node) : 0;
}

int ObjectTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool ObjectTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant ObjectTreeModel::data(const QModelIndex& index, int role) const
{
    const std::int32_t node = NodeOf(index);
    if (!m_display->IsNode(node)) return {};
    switch (role) {
        case Qt::DisplayRole: {
            const std::string_view label = m_display->Label(node);
            return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
        }
        case Qt::DecorationRole: {
            const int image = NodeImageIndex(m_display->Image(node));
            return m_haveImages ? QVariant(m_images[static_cast<std::size_t>(image)]) : QVariant(image);
        }
        case NodeRole:
            return node;
        case ImageRole:
            return NodeImageIndex(m_display->Image(node));
        case LevelRole:
            return m_display->Level(node);
        default:
            return {};
    }
}

Qt::ItemFlags ObjectTreeModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace arbolith::browser
