// SPDX-License-Identifier: MIT
// The main window's side of the Create Model Wizard and the Open Model
// dialog: the wizard shows the models it makes in the main window, and both
// clear the window when the model it shows is deleted. One wizard at a time;
// the File menu raises it when it is open already.
#pragma once

#include "app/command_line.h"
#include "catalog/open_model_window.h"
#include "wizard/wizard_session.h"

#include <memory>

namespace arbolith {

class frmWizard;
class frmZVMain;
class ObjectBrowserHooks;

// The main window as the wizard and the Open Model dialog see it.
class MainWindowHost : public WizardHost, public OpenModelHost {
public:
    MainWindowHost(frmZVMain& window, ObjectBrowserHooks& hooks) : m_window(window), m_hooks(hooks) {}

    bool ShowModel(const std::string& modelKey) override;
    std::set<std::int64_t> TreeObjectKeys() const override;
    std::string CurrentModelKey() const override;
    void ClearModel() override;

private:
    frmZVMain& m_window;
    ObjectBrowserHooks& m_hooks;
};

// The files and settings the wizard works with, from the main window's.
WizardPlaces WizardPlacesOf(const frmZVMain& window);

// The program's FILE argument carried out in the started main window: a
// library opens the wizard with it chosen, a model key opens that model, and
// anything else is told through the window's prompt (the window stays as
// it started). Returns the wizard it opened, else null.
frmWizard* OpenRequested(frmZVMain& window, ObjectBrowserHooks& hooks, const OpenRequest& request);

// The one entry point of the wizard's help: context 1 is the wizard as a
// whole, 4 its tips, 6 to 12 its settings tabs.
void ShowWizardHelp(frmZVMain& window, int context);

}  // namespace arbolith
