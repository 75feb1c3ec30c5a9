// SPDX-License-Identifier: MIT
#include "app/member_list_model.h"

namespace arbolith {

MemberListModel::MemberListModel(ImageList images, QObject* parent) : QAbstractListModel(parent), m_images(images) {}

void MemberListModel::SetRows(std::vector<browser::MemberRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

const browser::MemberRecord* MemberListModel::Member(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.row() < 0 ||
        static_cast<std::size_t>(index.row()) >= m_rows.size())
        return nullptr;
    return &m_rows[static_cast<std::size_t>(index.row())].member;
}

int MemberListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant MemberListModel::data(const QModelIndex& index, int role) const
{
    if (!Member(index)) return {};
    const browser::MemberRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(row.member.name);
        case Qt::DecorationRole: {
            const QIcon icon = BrowserIcon(m_images, row.image);
            return icon.isNull() ? QVariant() : QVariant(icon);
        }
        case ImageRole:
            return row.image;
        default:
            return {};
    }
}

}  // namespace arbolith
