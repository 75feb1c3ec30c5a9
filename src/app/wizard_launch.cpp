// SPDX-License-Identifier: MIT
#include "app/wizard_launch.h"

#include "app/browser_hooks.h"
#include "app/help_commands.h"
#include "app/main_window.h"
#include "browser/object_browser.h"
#include "platform/prompt.h"
#include "typelib/typelib_loader.h"

namespace arbolith {

bool MainWindowHost::ShowModel(const std::string& modelKey)
{
    return m_hooks.ShowMadeModel(modelKey);
}

std::set<std::int64_t> MainWindowHost::TreeObjectKeys() const
{
    std::set<std::int64_t> keys;
    const browser::ObjectBrowser* browser = m_hooks.Browser();
    if (!browser || !browser->Current().IsOpen()) return keys;
    const auto& objects = browser->Model().objects;
    for (const browser::NodeRecord& node : browser->Nodes()) {
        if (node.object >= 0 && static_cast<std::size_t>(node.object) < objects.size())
            keys.insert(objects[static_cast<std::size_t>(node.object)].key);
    }
    return keys;
}

std::string MainWindowHost::CurrentModelKey() const
{
    const browser::ObjectBrowser* browser = m_hooks.Browser();
    if (!browser || !browser->Current().IsOpen()) return {};
    return browser->Current().baseName;
}

void MainWindowHost::ClearModel()
{
    m_hooks.CloseModel();
}

WizardPlaces WizardPlacesOf(const frmZVMain& window)
{
    const AppFolders& folders = window.Folders();
    WizardPlaces places;
    places.modelsFolder = folders.modelsFolder;
    places.backupFolder = folders.backupFolder;
    places.settingsFile = folders.settingsFile;
    places.errorLog = folders.errorLog;
    places.load = RegistryLoadOptions();
    places.compact = window.ProgramSettings().compactDat;
    return places;
}

frmWizard* OpenRequested(frmZVMain& window, ObjectBrowserHooks& hooks, const OpenRequest& request)
{
    switch (request.kind) {
        case OpenKind::Library:
            return hooks.OpenWizard(request.path, request.resource);
        case OpenKind::Model:
            // The model's own messages (a damaged DAT file, ...) come from the browser.
            hooks.OpenModel(window, request.modelKey, false);
            return nullptr;
        case OpenKind::Unusable:
            window.UserPrompt().Tell(request.message, PromptIcon::Exclamation);
            return nullptr;
    }
    return nullptr;
}

void ShowWizardHelp(frmZVMain& window, int context)
{
    ShowOwnHelp(window, WizardHelpPage(context));
}

}  // namespace arbolith
