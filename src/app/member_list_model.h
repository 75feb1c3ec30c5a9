// SPDX-License-Identifier: MIT
// One member pane (trvProps or trvMethods) as a Qt list model over the rows
// a click on an object read: the member's name as text, its image as icon.
#pragma once

#include "app/browser_images.h"
#include "browser/member_panes.h"

#include <QAbstractListModel>

#include <vector>

namespace arbolith {

class MemberListModel : public QAbstractListModel {
public:
    enum Role { ImageRole = Qt::UserRole + 1 };  // the row's image number (int)

    MemberListModel(ImageList images, QObject* parent = nullptr);

    void SetRows(std::vector<browser::MemberRow> rows);
    // The row's member, or null.
    const browser::MemberRecord* Member(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    ImageList m_images;
    std::vector<browser::MemberRow> m_rows;
};

}  // namespace arbolith
