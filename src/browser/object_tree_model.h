// SPDX-License-Identifier: MIT
// The object tree as a Qt item model over a TreeDisplay: one column, the
// display's root as the only top-level row, children in label order. An
// index carries its node's number, so no item object exists per node and a
// tree of a million nodes costs the view nothing until rows are shown.
#pragma once

#include "browser/tree_display.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <array>
#include <cstdint>
#include <memory>

namespace arbolith::browser {

class ObjectTreeModel : public QAbstractItemModel {
public:
    enum Role {
        NodeRole = Qt::UserRole + 1,  // the node's index in the node array (int)
        ImageRole,                    // the node's image, by NodeImageIndex
        LevelRole,                    // the node's level (int)
    };

    explicit ObjectTreeModel(QObject* parent = nullptr);

    // A new tree: attached views reset.
    void SetTree(std::shared_ptr<const TreeDisplay> display);
    // The same nodes with new labels: siblings may change order; expanded
    // and selected nodes stay expanded and selected.
    void Relabel(std::shared_ptr<const TreeDisplay> display);
    const TreeDisplay& Display() const { return *m_display; }

    // The images for the decoration role, by NodeImageIndex. Until they are set,
    // the decoration role gives the image number.
    void SetImages(std::array<QIcon, kNodeImageCount> images);

    QModelIndex IndexOfNode(std::int32_t node) const;
    // The node of an index of this model, or -1.
    static std::int32_t NodeOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::shared_ptr<const TreeDisplay> m_display = std::make_shared<const TreeDisplay>();
    std::array<QIcon, kNodeImageCount> m_images;
    bool m_haveImages = false;
};

}  // namespace arbolith::browser
