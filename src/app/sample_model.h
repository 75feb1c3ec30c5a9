// SPDX-License-Identifier: MIT
// The bundled sample library, Quill, and its model: on a first start (no
// model open at the last close and no Quill model yet) the program makes
// the model the same way `arbolith-cli make` does and opens it, so a new
// user sees a live tree at once.
#pragma once

#include "app/folders.h"
#include "platform/progress.h"
#include "platform/prompt.h"

#include <filesystem>
#include <string>

namespace arbolith {

inline constexpr const char* kSampleLibraryFile = "Quill.tlb";
inline constexpr const char* kSampleTopObject = "Application";

// The sample library: an installed program's <prefix>/share/arbolith/sample
// (beside <prefix>/bin), else the source tree's data/sample for a program
// run from its build tree. Empty when neither holds it.
std::filesystem::path FindSampleLibrary(const std::filesystem::path& programFolder = RunningProgramFolder());

// Makes the model of `sampleLibrary` (top object Application, with
// <Events>) in the models folder unless that folder already has a Quill
// model. Returns the library to open: its file name when the model was
// made, "" when there is nothing to open (no sample library, a model that
// was already there, or a failure, which the prompt is told about).
std::string MakeSampleModel(const AppFolders& folders, const std::filesystem::path& sampleLibrary, bool compactDat,
                            Prompt& prompt, ProgressSink& progress);

}  // namespace arbolith
