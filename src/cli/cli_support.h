// SPDX-License-Identifier: MIT
// What every arbolith-cli command shares: captions and messages as lines on
// stderr, and the application's folders.
#pragma once

#include "app/folders.h"
#include "platform/progress.h"
#include "platform/prompt.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith {

// Captions go to stderr as progress lines.
class StderrProgress : public ProgressSink {
public:
    void Caption(std::string_view text) override;
};

// Message boxes become lines on stderr; every question takes its default
// answer, every input box its default text.
class StderrPrompt : public Prompt {
public:
    PromptAnswer Ask(const PromptMessage& message) override;
    std::optional<std::string> Input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override;
};

// The application folder and its subfolders, made when missing; a models
// folder given on the command line takes the place of the usual one. A
// failure is reported on stderr and gives nothing.
std::optional<AppFolders> PrepareCliFolders(const std::filesystem::path& modelsFolder);

}  // namespace arbolith
