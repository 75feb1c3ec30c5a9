// SPDX-License-Identifier: MIT
// The program's start: folders, settings, the main window, the model of the
// previous run, the welcome window.
#pragma once

#include "app/main_window.h"

#include <filesystem>
#include <memory>

namespace arbolith {

class MainWindowHooks;
class Prompt;

struct StartupOptions {
    // Empty: the folder DetermineAppFolder chooses.
    std::filesystem::path appFolder;
};

// Runs the start-up steps in order and returns the shown main window. On a
// failure the user is told "Error loading main form. " and why, and the
// result is null: the program then ends.
std::unique_ptr<frmZVMain> StartMainWindow(Prompt& prompt, MainWindowHooks& hooks, const StartupOptions& options = {});

}  // namespace arbolith
