// SPDX-License-Identifier: MIT
// The application folder and the fixed names inside it, derived once at
// start-up and held for the whole run.
#pragma once

#include "platform/result.h"

#include <filesystem>

namespace arbolith {

inline constexpr const char* kModelsFolderName = "Models";
inline constexpr const char* kBackupFolderName = "ModelsBak";
inline constexpr const char* kViewsFolderName = "VIEWS";
inline constexpr const char* kSettingsFileName = "ZV.INI";
inline constexpr const char* kHelpFileName = "Arbview.hlp";
inline constexpr const char* kErrorLogName = "errorlog.txt";

struct AppFolders {
    std::filesystem::path appFolder;
    std::filesystem::path modelsFolder;  // every model's DAT and INF file
    std::filesystem::path backupFolder;  // INF files as they were installed
    std::filesystem::path viewsFolder;   // saved views
    std::filesystem::path settingsFile;  // ZV.INI
    std::filesystem::path helpFile;
    std::filesystem::path errorLog;
};

// The folder of the running executable; empty when it cannot be told.
std::filesystem::path RunningProgramFolder();

// The file the build writes beside the programs it makes. Its presence marks
// a build tree; an installed program never has it.
inline constexpr const char* kBuildTreeMarker = "arbolith-build-tree";

// Where Arbolith keeps its folders and settings: $ARBOLITH_HOME when set;
// else the program's own folder when it is a build tree (kBuildTreeMarker
// beside the program) and writable; else $XDG_DATA_HOME/arbolith
// (~/.local/share/arbolith), created when missing. An installed program
// never writes beside itself, not even when run by a user (root) who could.
// `programFolder` empty means the folder of the running executable.
Result<std::filesystem::path> DetermineAppFolder(const std::filesystem::path& programFolder = {});

// The fixed names inside `appFolder`. Existing entries are found without
// regard to case ("models", "zv.ini"); missing ones keep the spelling above.
AppFolders MakeAppFolders(const std::filesystem::path& appFolder);

// Creates the models, backup and views folders that are missing. The backup
// folder, when this call creates it, receives a copy of every file of the
// models folder whose extension is "inf" in any case: the INF files as
// installed. An existing backup folder is left as it is.
Result<void> EnsureAppFolders(const AppFolders& folders);

}  // namespace arbolith
