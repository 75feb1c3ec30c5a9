// SPDX-License-Identifier: MIT
#include "cli/cli_support.h"

#include "cli/cli_output.h"

#include <set>
#include <system_error>
#include <utility>

namespace arbolith::cli {
namespace {

const char* IconLabel(PromptIcon icon)
{
    switch (icon) {
        case PromptIcon::Critical:
            return "error: ";
        case PromptIcon::Exclamation:
            return "warning: ";
        case PromptIcon::Information:
            return "note: ";
        case PromptIcon::Question:
        case PromptIcon::None:
            break;
    }
    return "";
}

std::uintmax_t SizeOrZero(const std::filesystem::path& file)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    return ec ? 0 : size;
}

}  // namespace

void StderrProgress::Caption(std::string_view text)
{
    PrintLine(stderr, "  " + std::string(text));
}

PromptAnswer StderrPrompt::Ask(const PromptMessage& message)
{
    // The window's pointer to the log; the command names the file itself.
    if (message.text.find("ErrorLog.txt") != std::string::npos) return message.defaultAnswer;
    if (holdFailures && message.icon == PromptIcon::Critical)
        held.push_back(message.text);
    else
        PrintLine(stderr, IconLabel(message.icon) + message.text);
    return message.defaultAnswer;
}

std::optional<std::string> StderrPrompt::Input(const std::string& text, const std::string&,
                                               const std::string& defaultText)
{
    PrintLine(stderr, text);
    return defaultText;
}

LogWatch::LogWatch(std::filesystem::path errorLog) : m_file(std::move(errorLog)), m_size(SizeOrZero(m_file)) {}

bool LogWatch::Grew() const
{
    return !m_file.empty() && SizeOrZero(m_file) != m_size;
}

std::string LogWatch::Note() const
{
    return Grew() ? "; details in " + m_file.string() : std::string();
}

std::optional<std::filesystem::path> ExistingModelsFolder(const std::filesystem::path& given)
{
    if (!given.empty()) return given;
    auto appFolder = DetermineAppFolder();
    if (!appFolder) {
        Complain(appFolder.error().description);
        return std::nullopt;
    }
    return MakeAppFolders(*appFolder).modelsFolder;
}

std::optional<AppFolders> PrepareCliFolders(const std::filesystem::path& modelsFolder)
{
    auto appFolder = DetermineAppFolder();
    if (!appFolder) {
        Complain(appFolder.error().description);
        return std::nullopt;
    }
    AppFolders folders = MakeAppFolders(*appFolder);
    if (auto made = EnsureAppFolders(folders); !made) {
        Complain(made.error().description);
        return std::nullopt;
    }
    if (!modelsFolder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(modelsFolder, ec);
        if (ec) {
            Complain("cannot create " + modelsFolder.string() + ": " + ec.message());
            return std::nullopt;
        }
        folders.modelsFolder = modelsFolder;
    }
    return folders;
}

Settings ReadCliSettings(const AppFolders& folders)
{
    std::set<std::string> told;
    const IniErrorSink warn = [&told](const std::string& message) {
        if (told.insert(message).second) Complain("warning: " + message + "; going on with the defaults");
    };
    return ReadSettings(folders.settingsFile, ScreenSize{}, warn);
}

}  // namespace arbolith::cli
