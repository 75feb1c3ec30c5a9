// SPDX-License-Identifier: MIT
// Small pieces the wizard window's source files share: making named
// controls, list views that sort numbers as numbers, and rows that remember
// their place in the session's list however the view is sorted.
#pragma once

#include <QLabel>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::wizard_window {

inline QString Q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string S(const QString& text)
{
    return text.toStdString();
}

// The row's index in the session's list, kept on column 0.
constexpr int kIndexRole = Qt::UserRole + 1;
// A number to sort a column by.
constexpr int kNumberRole = Qt::UserRole + 2;

template <class Widget>
Widget* Named(Widget* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// A row that sorts by a column's number when it has one, else by its text
// without regard to case.
class ListRow : public QTreeWidgetItem {
public:
    ListRow(const QStringList& texts, std::size_t index) : QTreeWidgetItem(texts)
    {
        setData(0, kIndexRole, static_cast<qulonglong>(index));
    }
    void SetNumber(int column, long long number) { setData(column, kNumberRole, number); }
    bool operator<(const QTreeWidgetItem& other) const override;
};

// A list view with click-to-sort headers and the given columns.
QTreeWidget* MakeListView(const QString& name, const QStringList& columns, bool multiSelect = false);
// Replaces the rows in one go, with sorting and signals off meanwhile (lists
// of tens of thousands of rows refill quickly so).
void ReplaceRows(QTreeWidget& list, QList<QTreeWidgetItem*> rows);
// Session indices of the selected rows, ascending.
std::vector<std::size_t> SelectedIndices(const QTreeWidget& list);
std::optional<std::size_t> CurrentIndex(const QTreeWidget& list);
std::size_t IndexOf(const QTreeWidgetItem& row);
QLabel* MakeWrappingLabel(const QString& name, const QString& text = {});

}  // namespace arbolith::wizard_window
