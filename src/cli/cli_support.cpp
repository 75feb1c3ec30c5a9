// SPDX-License-Identifier: MIT
#include "cli/cli_support.h"

#include <cstdio>
#include <system_error>

namespace arbolith {
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

}  // namespace

void StderrProgress::Caption(std::string_view text)
{
    std::fprintf(stderr, "  %.*s\n", static_cast<int>(text.size()), text.data());
}

PromptAnswer StderrPrompt::Ask(const PromptMessage& message)
{
    std::fprintf(stderr, "%s%s\n", IconLabel(message.icon), message.text.c_str());
    return message.defaultAnswer;
}

std::optional<std::string> StderrPrompt::Input(const std::string& text, const std::string&,
                                               const std::string& defaultText)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    return defaultText;
}

std::optional<AppFolders> PrepareCliFolders(const std::filesystem::path& modelsFolder)
{
    auto appFolder = DetermineAppFolder();
    if (!appFolder) {
        std::fprintf(stderr, "arbolith-cli: %s\n", appFolder.error().description.c_str());
        return std::nullopt;
    }
    AppFolders folders = MakeAppFolders(*appFolder);
    if (auto made = EnsureAppFolders(folders); !made) {
        std::fprintf(stderr, "arbolith-cli: %s\n", made.error().description.c_str());
        return std::nullopt;
    }
    if (!modelsFolder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(modelsFolder, ec);
        if (ec) {
            std::fprintf(stderr, "arbolith-cli: cannot create %s: %s\n", modelsFolder.c_str(), ec.message().c_str());
            return std::nullopt;
        }
        folders.modelsFolder = modelsFolder;
    }
    return folders;
}

}  // namespace arbolith
