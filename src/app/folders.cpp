// SPDX-License-Identifier: MIT
#include "app/folders.h"

#include "platform/paths.h"
#include "platform/text_encoding.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace arbolith {

namespace fs = std::filesystem;

fs::path RunningProgramFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

namespace {

bool IsWritableFolder(const fs::path& folder)
{
    return DirectoryExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

Result<void> CreateFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return Error::FileSystem(ec.value(), "cannot create folder " + folder.string() + ": " + ec.message());
    return Ok();
}

}  // namespace

Result<fs::path> DetermineAppFolder(const fs::path& programFolder)
{
    if (const char* home = std::getenv("ARBOLITH_HOME"); home && *home) {
        const fs::path folder = home;
        if (auto made = CreateFolder(folder); !made) return made.error().In("ARBOLITH_HOME");
        return folder;
    }
    const fs::path own = programFolder.empty() ? RunningProgramFolder() : programFolder;
    if (!own.empty() && FileExists(own / kBuildTreeMarker) && IsWritableFolder(own)) return own;

    fs::path dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute())
        dataHome = xdg;
    else if (const char* userHome = std::getenv("HOME"); userHome && *userHome)
        dataHome = fs::path(userHome) / ".local" / "share";
    else
        return Error::FileSystem(0,
                                 "no folder for Arbolith's files: neither XDG_DATA_HOME nor HOME is set "
                                 "(set ARBOLITH_HOME)");
    const fs::path folder = dataHome / "arbolith";
    if (auto made = CreateFolder(folder); !made) return made.error();
    return folder;
}

AppFolders MakeAppFolders(const fs::path& appFolder)
{
    AppFolders f;
    f.appFolder = appFolder;
    f.modelsFolder = FindEntryNoCase(appFolder, kModelsFolderName);
    f.backupFolder = FindEntryNoCase(appFolder, kBackupFolderName);
    f.viewsFolder = FindEntryNoCase(appFolder, kViewsFolderName);
    f.settingsFile = FindEntryNoCase(appFolder, kSettingsFileName);
    f.helpFile = FindEntryNoCase(appFolder, kHelpFileName);
    f.errorLog = FindEntryNoCase(appFolder, kErrorLogName);
    return f;
}

Result<void> EnsureAppFolders(const AppFolders& folders)
{
    if (!DirectoryExists(folders.modelsFolder))
        if (auto made = CreateFolder(folders.modelsFolder); !made) return made;

    if (!DirectoryExists(folders.backupFolder)) {
        // The copies are made in a scratch folder that becomes the backup
        // folder only when complete: an interrupted start-up must not leave a
        // backup folder that lacks INF files and would never be filled again.
        fs::path scratch = folders.backupFolder;
        scratch += ".partial";
        std::error_code ec;
        fs::remove_all(scratch, ec);
        if (auto made = CreateFolder(scratch); !made) return made;
        for (fs::directory_iterator it(folders.modelsFolder, ec), end; !ec && it != end; it.increment(ec)) {
            if (!it->is_regular_file() || GetExtension(it->path().filename().string(), true) != "inf") continue;
            std::error_code copyError;
            fs::copy_file(it->path(), scratch / it->path().filename(), copyError);
            if (copyError)
                return Error::FileSystem(copyError.value(), "cannot copy " + it->path().string() + " to " +
                                                                scratch.string() + ": " + copyError.message());
        }
        if (ec)
            return Error::FileSystem(ec.value(), "cannot list " + folders.modelsFolder.string() + ": " + ec.message());
        fs::rename(scratch, folders.backupFolder, ec);
        if (ec)
            return Error::FileSystem(ec.value(),
                                     "cannot create folder " + folders.backupFolder.string() + ": " + ec.message());
    }

    if (!DirectoryExists(folders.viewsFolder))
        if (auto made = CreateFolder(folders.viewsFolder); !made) return made;
    return Ok();
}

}  // namespace arbolith
