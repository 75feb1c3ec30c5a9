// SPDX-License-Identifier: MIT
#include "dialogs/legend_window.h"

#include "dialogs/image_set.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace arbolith {

std::vector<LegendLine> LegendLines()
{
    // The notes on help and on the hidden states use an ordinary method (a
    // diamond), so that only the feature explained differs between lines.
    auto method = [](bool help, MemberVisibility visibility) { return MethodIcon(MethodImage{help, visibility}); };
    auto property = [](PropertyAccess access) {
        return PropertyIcon(PropertyImage{true, MemberVisibility::Neither, access});
    };
    return {
        {"", "X over icon means object is hidden", NodeIcon(NodeImage{true, false, true})},
        {"LObj", "Is Object", NodeIcon(NodeImage{true, false, false})},
        {"LCol", "Is Collection", NodeIcon(NodeImage{true, true, false})},
        {},
        {"LHelpOn", "Help Available", method(true, MemberVisibility::Neither)},
        {"LHelpOff", "Help Not Available", method(false, MemberVisibility::Neither)},
        {},
        {"LStateNB", "Nonbrowsable", method(true, MemberVisibility::NonBrowsable)},
        {"LStateH", "Hidden", method(true, MemberVisibility::Hidden)},
        {"LStateBoth", "Both", method(true, MemberVisibility::Both)},
        {"LStateFree", "Neither", method(true, MemberVisibility::Neither)},
        {},
        // The pencil of a property that can only be written; the book of
        // one that can only be read.
        {"LPencil", "Can Write Property", property(PropertyAccess::WriteOnly)},
        {"LBook", "Can Read Property", property(PropertyAccess::ReadOnly)},
    };
}

frmLegend::frmLegend(ScreenPixels screen, QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName("frmLegend");
    setWindowTitle(QStringLiteral("Arb View - Legend"));

    m_tree = new QTreeWidget;
    m_tree->setObjectName("trvLegend");
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setColumnCount(1);
    m_tree->setSelectionMode(QAbstractItemView::NoSelection);
    m_tree->setFocusPolicy(Qt::NoFocus);
    for (const LegendLine& line : LegendLines()) {
        auto* item = new QTreeWidgetItem(m_tree, QStringList{line.text});
        item->setData(0, Qt::UserRole, line.key);
        if (!line.icon.isNull()) item->setIcon(0, line.icon);
    }
    // The tree fills the window, also when the user resizes it.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    m_tree->installEventFilter(this);

    // As wide as 32 letters X and as high as 20 lines of the window's font.
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.horizontalAdvance(QString(32, QLatin1Char('X'))), metrics.lineSpacing() * 20);
    CenterForm(*this, screen);
}

bool frmLegend::eventFilter(QObject* watched, QEvent* event)
{
    // Keys reach the window before the tree.
    if (watched == m_tree && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmLegend::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyReleaseEvent(event);
}

}  // namespace arbolith
