// SPDX-License-Identifier: MIT
// The main window's informational windows: the Welcome window, the legend,
// the About box, and the splash the wizard shows when it opens.
#pragma once

#include <filesystem>

class QWidget;

namespace arbolith {

class frmZVMain;
class Prompt;

// The Welcome window, modal, over the main window.
void ShowWelcomeWindow(frmZVMain& window);
// The legend: one at a time, raised when it is open already.
void ShowLegendWindow(frmZVMain& window);
// The About box, modal.
void ShowAboutWindow(frmZVMain& window);
// The wizard's splash over the wizard just shown, modal, unless the user
// switched it off in `settingsFile`.
void ShowWizardSplash(QWidget& wizard, const std::filesystem::path& settingsFile, Prompt& prompt);

}  // namespace arbolith
