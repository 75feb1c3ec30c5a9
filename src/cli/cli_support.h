// SPDX-License-Identifier: MIT
// What every arbolith-cli command shares: captions and messages as lines on
// stderr, the application's folders and settings, and the note that sends a
// reader to the error log.
#pragma once

#include "app/folders.h"
#include "app/settings.h"
#include "platform/progress.h"
#include "platform/prompt.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arbolith::cli {

// Captions go to stderr as progress lines.
class StderrProgress : public ProgressSink {
public:
    void Caption(std::string_view text) override;
};

// Message boxes become lines on stderr; every question takes its default
// answer, every input box its default text. While `holdFailures` is set,
// messages of failure (the critical ones) are kept in `held` instead: the
// command then reports the failure once, in its own words. Messages that
// send the reader to "ErrorLog.txt in the ARL folder" are dropped; the
// command names the real log file instead (LogWatch).
class StderrPrompt : public Prompt {
public:
    PromptAnswer Ask(const PromptMessage& message) override;
    std::optional<std::string> Input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override;

    bool holdFailures = false;
    std::vector<std::string> held;
};

// Notes how long the error log is when made, to tell afterwards whether
// something was written to it meanwhile.
class LogWatch {
public:
    explicit LogWatch(std::filesystem::path errorLog);
    bool Grew() const;
    // "; details in <log file>" when the log grew, else "".
    std::string Note() const;
    const std::filesystem::path& File() const { return m_file; }

private:
    std::filesystem::path m_file;
    std::uintmax_t m_size = 0;
};

// The application folder and its subfolders, made when missing; a models
// folder given on the command line takes the place of the usual one. A
// failure is reported on stderr and gives nothing.
std::optional<AppFolders> PrepareCliFolders(const std::filesystem::path& modelsFolder);

// The models folder a command reads: `given` when not empty, else the
// program's own, which is not made here. A failure to find the program's
// folder is reported on stderr and gives nothing.
std::optional<std::filesystem::path> ExistingModelsFolder(const std::filesystem::path& given);

// ZV.INI's settings. A file that cannot be read, or a key that cannot, is
// reported as one warning line each (the message names the file) and the
// settings concerned keep their defaults.
Settings ReadCliSettings(const AppFolders& folders);

}  // namespace arbolith::cli
