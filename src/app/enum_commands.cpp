// SPDX-License-Identifier: MIT
// The Library menu's enum entries: the enum viewer on the current model's
// enumerations, or on those of VB/VBA from Special.mdb.
#include "app/browser_hooks.h"
#include "app/folders.h"
#include "app/main_window.h"
#include "enums/enum_source.h"
#include "enums/enums_window.h"

#include <cerrno>
#include <filesystem>
#include <optional>
#include <vector>

namespace arbolith {

namespace fs = std::filesystem;

void ObjectBrowserHooks::ShowEnums(frmZVMain& window, Command command)
{
    const browser::CurrentModel& current = m_browser->Current();
    std::string caption;
    Result<EnumTable> table = Error::Model("no enum table");
    if (command == Command::LibraryEnums) {
        if (!current.IsOpen()) {
            window.UserPrompt().Tell("Please choose a library first.", PromptIcon::Information);
            return;
        }
        caption = "Enums for " + current.modelName;
        Result<enums::EnumSource> source = enums::EnumSource::OpenModel(current.datPath);
        if (source)
            table = TableOf(std::move(*source));
        else
            table = source.error();
    } else {
        caption = "Enums for VB/VBA";
        // Beside the program's files first; an installed program keeps it
        // with its shared data.
        const std::optional<fs::path> special =
            enums::FindSpecialFile(window.Folders().appFolder, enums::SpecialDataFolders(RunningProgramFolder()));
        if (!special) {
            // Never made by opening: a missing file is an error to report.
            table = Error::FileSystem(ENOENT, std::string(enums::kSpecialFileName) + " was not found in " +
                                                  window.Folders().appFolder.string());
        } else {
            Result<enums::EnumSource> source = enums::EnumSource::OpenVba(*special);
            if (source)
                table = TableOf(std::move(*source));
            else
                table = source.error();
        }
    }
    frmEnums viewer(window.UserPrompt(), window.Folders().settingsFile, &window);
    if (viewer.Load(caption, std::move(table))) viewer.exec();
}

}  // namespace arbolith
