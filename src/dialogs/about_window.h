// SPDX-License-Identifier: MIT
// The About box, frmAbout: the program's name, the version it was built as,
// a line on what it is and the maker's notice, with one OK button.
#pragma once

#include "dialogs/window_helpers.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace arbolith {

// The version this build was made as, "major.minor.patch".
QString BuildVersion();
// "Version " and the major, minor and patch numbers of `version` as decimal
// integers; a missing or unreadable part reads 0 ("2.0" -> "Version 2.0.0").
QString VersionLine(const QString& version);

class frmAbout : public QDialog {
public:
    // Centred on a screen of `screen` pixels.
    explicit frmAbout(ScreenPixels screen, QWidget* parent = nullptr);

    QLabel* lblTitle() const { return m_title; }
    QLabel* lblZVVersion() const { return m_version; }
    QLabel* lblDescription() const { return m_description; }
    QLabel* lblDisclaimer() const { return m_disclaimer; }
    QPushButton* cmdOK() const { return m_ok; }

private:
    QLabel* m_title = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_disclaimer = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace arbolith
