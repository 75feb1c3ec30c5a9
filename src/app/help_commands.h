// SPDX-License-Identifier: MIT
// Help in the main window: help on the selection of the three trees (F1,
// Insert, the right mouse button, AutoHelp), the Help menu's commands, and
// the program's own help pages. ObjectBrowserHooks carries the commands out
// (help_commands.cpp); HelpSession keeps what they read about the current
// model, read once per model.
#pragma once

#include "help/help_location.h"
#include "help/help_viewer_window.h"
#include "platform/result.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith {

class frmZVMain;

// How help files are found and opened; tests put their own in.
struct HelpAccess {
    std::function<Result<std::filesystem::path>(std::string_view setting, const help::HelpPlaces& places)> locate;
    std::function<Result<std::unique_ptr<help::HelpDocument>>(const std::filesystem::path& file)> open;
};
HelpAccess DefaultHelpAccess();

class HelpSession {
public:
    HelpAccess access = DefaultHelpAccess();

    // The model the fields below belong to ("" for none yet).
    std::filesystem::path modelDat;
    // From the DAT file's Library table.
    help::HelpPlaces places;
    std::string libraryHelpFile;
    // Set by the Set Help File dialog; until then the model's own setting.
    std::optional<std::string> helpFile;
    // The help file opened last, by the setting that named it.
    std::string documentSetting;
    std::shared_ptr<help::HelpDocument> document;
};

// The folder of Arbolith's own help pages: the application folder's "help",
// else an installed program's <prefix>/share/arbolith/help, else the source
// tree's data/help for a program run from its build tree. Empty when none
// holds the index page.
std::filesystem::path FindOwnHelpFolder(const std::filesystem::path& appFolder,
                                        const std::filesystem::path& programFolder);

// The page and anchor of the wizard's help for a help context: 1 the wizard
// as a whole, 4 its tips on finding a library, 6 to 12 its settings tabs.
struct OwnHelpPage {
    std::string page;
    std::string anchor;
};
OwnHelpPage WizardHelpPage(int context);

// Shows a page of the program's own help in the window's help viewer; false
// after telling the user that the pages are missing.
bool ShowOwnHelp(frmZVMain& window, const OwnHelpPage& page);

// The window's one help viewer, shown and placed: below the window in split
// mode, else over its right part when it was not showing.
help::frmHelpViewer& ShowHelpViewer(frmZVMain& window);

}  // namespace arbolith
