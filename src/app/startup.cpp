// SPDX-License-Identifier: MIT
#include "app/startup.h"

#include "app/folders.h"
#include "app/main_window_hooks.h"
#include "platform/prompt.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace arbolith {

namespace {

std::int16_t Clamp16(int value)
{
    return static_cast<std::int16_t>(std::clamp(value, 0, int{std::numeric_limits<std::int16_t>::max()}));
}

ScreenPixels PrimaryScreenPixels()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QSize size = screen->geometry().size();
    return {Clamp16(size.width()), Clamp16(size.height())};
}

}  // namespace

std::unique_ptr<frmZVMain> StartMainWindow(Prompt& prompt, MainWindowHooks& hooks, const StartupOptions& options)
{
    const auto fail = [&prompt](const Error& error) {
        prompt.Tell("Error loading main form. " + error.description, PromptIcon::Critical);
        return std::unique_ptr<frmZVMain>();
    };

    Result<std::filesystem::path> appFolder =
        options.appFolder.empty() ? DetermineAppFolder() : Result<std::filesystem::path>(options.appFolder);
    if (!appFolder) return fail(appFolder.error());
    const ScreenPixels screen = PrimaryScreenPixels();
    // The folders and fixed names, the help file among them.
    AppFolders folders = MakeAppFolders(*appFolder);
    if (auto made = EnsureAppFolders(folders); !made) return fail(made.error());

    auto window = std::make_unique<frmZVMain>(std::move(folders), screen, prompt, hooks);
    window->ReadINIFile();
    hooks.WindowLoaded(*window);

    std::string library = window->ProgramSettings().currentLibrary;
    if (library.empty()) library = hooks.FirstStartLibrary(*window);
    if (!library.empty()) hooks.OpenModel(*window, library, true);

    window->show();
    window->MenusEnabled(window->ModelOpen());
    hooks.DisplayTree(*window);
    if (!window->ProgramSettings().noWelcome) hooks.ShowWelcome(*window);
    if (window->ProgramSettings().autoHelp) hooks.ShowHelpForSelection(*window);
    return window;
}

}  // namespace arbolith
