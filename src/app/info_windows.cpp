// SPDX-License-Identifier: MIT
#include "app/info_windows.h"

#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "dialogs/about_window.h"
#include "dialogs/legend_window.h"
#include "dialogs/welcome_window.h"
#include "platform/prompt.h"

namespace arbolith {

namespace {

// A settings file that cannot be read or written is reported, not hidden.
IniErrorSink ReportTo(Prompt& prompt)
{
    return [&prompt](const std::string& message) { prompt.Tell(message, PromptIcon::Critical); };
}

// Modal to the whole program, yet without a nested event loop: start-up and
// the wizard carry on behind it, and it deletes itself when closed.
void ShowModal(QDialog* dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace

void ShowWelcomeWindow(frmZVMain& window)
{
    ShowModal(
        new frmWelcome(WelcomeKind::Welcome, window.Folders().settingsFile, ReportTo(window.UserPrompt()), &window));
}

void ShowLegendWindow(frmZVMain& window)
{
    // By name and type: the window classes carry no meta-object of their own.
    auto* legend = dynamic_cast<frmLegend*>(window.findChild<QWidget*>("frmLegend", Qt::FindDirectChildrenOnly));
    if (!legend) {
        legend = new frmLegend(window.ScreenSizePixels(), &window);
        legend->setAttribute(Qt::WA_DeleteOnClose);
    }
    legend->show();
    legend->raise();
    legend->activateWindow();
}

void ShowAboutWindow(frmZVMain& window)
{
    auto* about = new frmAbout(window.ScreenSizePixels(), &window);
    // Closing deletes the box: nothing keeps a reference to it.
    ShowModal(about);
}

void ShowWizardSplash(QWidget& wizard, const std::filesystem::path& settingsFile, Prompt& prompt)
{
    if (!WelcomeWanted(WelcomeKind::WizardSplash, settingsFile, ReportTo(prompt))) return;
    auto* splash = new frmWelcome(WelcomeKind::WizardSplash, settingsFile, ReportTo(prompt), &wizard);
    ShowModal(splash);
}

void ObjectBrowserHooks::ShowWelcome(frmZVMain& window)
{
    ShowWelcomeWindow(window);
}

}  // namespace arbolith
