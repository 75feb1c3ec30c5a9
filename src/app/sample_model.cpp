// SPDX-License-Identifier: MIT
#include "app/sample_model.h"

#include "browser/object_browser.h"
#include "platform/paths.h"
#include "typelib/typelib_loader.h"
#include "wizard/model_from_library.h"

namespace arbolith {

namespace fs = std::filesystem;

fs::path FindSampleLibrary(const fs::path& programFolder)
{
    const fs::path candidates[] = {
        programFolder.empty() ? fs::path() : programFolder.parent_path() / "share" / "arbolith" / "sample",
        fs::path(ARBOLITH_SOURCE_SAMPLE_DIR),
    };
    for (const fs::path& folder : candidates) {
        if (!folder.empty() && FileExists(folder / kSampleLibraryFile)) return folder / kSampleLibraryFile;
    }
    return {};
}

std::string MakeSampleModel(const AppFolders& folders, const fs::path& sampleLibrary, bool compactDat, Prompt& prompt,
                            ProgressSink& progress)
{
    if (sampleLibrary.empty()) return {};
    const std::string baseName = GetBaseName(sampleLibrary.filename().string());
    if (FileExists(browser::FindDatFile(folders.modelsFolder, baseName))) return {};

    ModelRequest request;
    request.library = sampleLibrary.string();
    request.topObject = kSampleTopObject;
    request.events = true;
    ModelPlaces places;
    places.modelsFolder = folders.modelsFolder;
    places.errorLog = folders.errorLog;
    places.load = RegistryLoadOptions();
    places.compact = compactDat;
    auto made = MakeModelFromLibrary(request, places, progress, prompt);
    if (!made) {
        prompt.Tell("The sample model could not be made from " + request.library + ". " + made.error().description,
                    PromptIcon::Exclamation);
        return {};
    }
    return made->settings.library;
}

}  // namespace arbolith
