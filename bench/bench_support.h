// SPDX-License-Identifier: MIT
// What several benchmarks share: a scratch folder for the whole run and
// mshtml.tlb, the largest Wine library, extracted into a models folder.
#pragma once

#include "extract/extraction.h"
#include "platform/progress.h"
#include "platform/prompt.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <string>

namespace arbolith::bench {

inline const std::filesystem::path kMshtml = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/mshtml.tlb";

// Removed when the run ends.
inline test::TempDir& Scratch()
{
    static test::TempDir dir;
    return dir;
}

// Extracts a library into `models` (made when missing); false when the
// library is not installed or does not extract.
inline bool ExtractInto(const std::filesystem::path& library, const std::filesystem::path& models,
                        ExtractOptions options = {})
{
    if (!std::filesystem::exists(library)) return false;
    std::filesystem::create_directories(models);
    options.modelsFolder = models;
    options.errorLog = models / "errorlog.txt";
    std::string resource = "1";
    SilentProgress progress;
    ScriptedPrompt prompt;
    return ExtractFromTypeLib(library.string(), resource, options, progress, prompt).ok;
}

// mshtml.DAT, extracted once into the scratch folder; empty when the
// library is not installed.
inline const std::filesystem::path& MshtmlDat()
{
    static const std::filesystem::path dat = [] {
        const std::filesystem::path models = Scratch() / "mshtml-model";
        return ExtractInto(kMshtml, models) ? models / "mshtml.DAT" : std::filesystem::path();
    }();
    return dat;
}

}  // namespace arbolith::bench
