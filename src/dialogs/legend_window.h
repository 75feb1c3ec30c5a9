// SPDX-License-Identifier: MIT
// The legend, frmLegend: a small tool window, kept above the main window,
// whose one tree pairs each kind of image the object tree and the member
// panes show with what it means. Every picture is taken from the image set
// the views use, chosen so that it shows exactly the feature its line
// explains (a red X, a cube, three cubes, colour, a hollow body, a pencil,
// a book). Escape closes it.
#pragma once

#include "dialogs/window_helpers.h"

#include <QIcon>
#include <QString>
#include <QWidget>

#include <vector>

class QTreeWidget;

namespace arbolith {

// One line of the legend. A blank line has no key, no text and no icon.
struct LegendLine {
    QString key;  // "LObj", "LHelpOn" ...; "" for the hidden-object note and blank lines
    QString text;
    QIcon icon;
};
std::vector<LegendLine> LegendLines();

class frmLegend : public QWidget {
public:
    // A window of its own that stays above `parent` (the main window),
    // centred on a screen of `screen` pixels.
    explicit frmLegend(ScreenPixels screen, QWidget* parent = nullptr);

    QTreeWidget* trvLegend() const { return m_tree; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QTreeWidget* m_tree = nullptr;
};

}  // namespace arbolith
