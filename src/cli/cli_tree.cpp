// SPDX-License-Identifier: MIT
#include "cli/cli_tree.h"

#include "app/settings.h"
#include "browser/object_browser.h"
#include "cli/cli_support.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kTreeUsage = "usage: arbolith-cli tree MODEL [--depth N] [--models DIR]\n";

std::optional<int> ParseDepth(std::string_view text)
{
    int depth = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), depth);
    if (ec != std::errc() || end != text.data() + text.size() || depth < 0) return std::nullopt;
    return depth;
}

}  // namespace

int TreeCommand(int argc, char** argv)
{
    std::string model;
    std::optional<int> depth;
    std::filesystem::path modelsFolder;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--depth" && i + 1 < argc && (depth = ParseDepth(argv[i + 1]))) {
            ++i;
        } else if (arg == "--models" && i + 1 < argc) {
            modelsFolder = argv[++i];
        } else if (!arg.starts_with("--") && model.empty()) {
            model = arg;
        } else {
            std::fputs(kTreeUsage, stderr);
            return 2;
        }
    }
    if (model.empty()) {
        std::fputs(kTreeUsage, stderr);
        return 2;
    }

    const auto folders = arbolith::PrepareCliFolders(modelsFolder);
    if (!folders) return 1;
    const arbolith::Settings settings = arbolith::ReadSettings(folders->settingsFile, arbolith::ScreenSize{});

    arbolith::StderrPrompt prompt;
    arbolith::browser::ObjectBrowser browser(folders->modelsFolder, prompt);
    browser.defaultDepth = settings.defaultDepth;
    browser.switches = {settings.showMember, settings.showOrigin, settings.showChildCount, settings.showFlags};
    if (!browser.LibraryMenuClicked(model)) return 1;

    const arbolith::browser::TreeDisplay& tree = browser.Display();
    std::string text;
    tree.WalkInOrder([&](std::int32_t node, std::int32_t level) {
        text.append(static_cast<std::size_t>(level) * 2, ' ');
        text += tree.Label(node);
        text += '\n';
        if (text.size() > (1u << 20)) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            text.clear();
        }
        return !depth || level < *depth;
    });
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
