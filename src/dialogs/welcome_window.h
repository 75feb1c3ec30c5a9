// SPDX-License-Identifier: MIT
// The two greeting windows a user can switch off: the Welcome window the
// main window shows at start-up (and from its Help menu), and the splash the
// Create Model Wizard shows when it opens. Each has a text, a "do not show"
// check box and one button. The button writes the box's state to ZV.INI as
// one key of section "Main"; closing the window by its close box (or Escape)
// writes nothing. The key is written on its own, after the file is read
// afresh, so keys other windows wrote meanwhile are kept.
#pragma once

#include "platform/ini.h"

#include <QDialog>
#include <QString>

#include <filesystem>

class QCheckBox;
class QLabel;
class QPushButton;

namespace arbolith {

enum class WelcomeKind { Welcome, WizardSplash };

inline constexpr const char* kWelcomeSection = "Main";
// "NoWelcome" or "NoWizardSplash".
const char* WelcomeSwitchKey(WelcomeKind kind);
// True unless the user switched the window off. A value that is no boolean
// reads as the default, which shows the window.
bool WelcomeWanted(WelcomeKind kind, const std::filesystem::path& settingsFile, const IniErrorSink& onError = {});
// The window's three paragraphs, an empty line between each two.
QString WelcomeText(WelcomeKind kind);

class frmWelcome : public QDialog {
public:
    // `onError` hears a failure to read or write the settings file.
    frmWelcome(WelcomeKind kind, std::filesystem::path settingsFile, IniErrorSink onError, QWidget* parent = nullptr);

    QLabel* lblText() const { return m_text; }         // lblWelcome / lblWizardSplash
    QCheckBox* chkNoShow() const { return m_noShow; }  // chkNoWelcome / chkNoWizardSplash
    QPushButton* cmdOK() const { return m_ok; }        // cmdWelcome / cmdWizardSplash

private:
    void ButtonPressed();

    WelcomeKind m_kind;
    std::filesystem::path m_settingsFile;
    IniErrorSink m_onError;
    QLabel* m_text = nullptr;
    QCheckBox* m_noShow = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace arbolith
