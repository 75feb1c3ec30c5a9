// SPDX-License-Identifier: MIT
// Arbolith's desktop program: starts the main window and runs until it
// closes, or until it is stopped from outside (a signal, the session's end),
// which closes it the same way.
#include "app/browser_hooks.h"
#include "app/command_line.h"
#include "app/sample_model.h"
#include "app/shutdown.h"
#include "app/startup.h"
#include "app/wizard_launch.h"
#include "dialogs/qt_prompt.h"

#include <QApplication>

#include <cstdio>
#include <filesystem>

namespace {

QStringList ArgumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication::setApplicationName("arbolith");
    QApplication::setApplicationDisplayName("Arbolith");
    QApplication::setApplicationVersion(ARBOLITH_VERSION);

    // Before the application object, which aborts when it finds no display.
    const arbolith::LaunchDecision launch = arbolith::DecideLaunch(ArgumentsOf(argc, argv));
    if (!launch.run) {
        std::fputs(launch.output.c_str(), stdout);
        std::fputs(launch.error.c_str(), stderr);
        return launch.exitCode;
    }

    QApplication app(argc, argv);
    if (const std::string wrong = arbolith::CheckRemainingArguments(QApplication::arguments()); !wrong.empty()) {
        std::fputs(wrong.c_str(), stderr);
        return 2;
    }
    // Lets the desktop find the program's entry and icon (arbolith.desktop).
    QGuiApplication::setDesktopFileName("arbolith");

    arbolith::QtPrompt prompt;
    arbolith::ObjectBrowserHooks hooks(arbolith::FindSampleLibrary());
    auto window = arbolith::StartMainWindow(prompt, hooks);
    if (!window) return 1;
    prompt.SetParent(window.get());
    // `arbolith FILE`: judged once the models folder is known.
    if (const auto file = arbolith::FileArgument(QApplication::arguments())) {
        std::error_code ec;
        const std::filesystem::path here = std::filesystem::current_path(ec);
        arbolith::OpenRequested(*window, hooks,
                                arbolith::ClassifyFileArgument(*file, window->Folders().modelsFolder, here));
    }
    arbolith::OrderlyShutdown shutdown(*window);
    return QApplication::exec();
}
