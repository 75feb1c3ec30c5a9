// SPDX-License-Identifier: MIT
// Arbolith's desktop program: starts the main window and runs until it closes.
#include "app/browser_hooks.h"
#include "app/sample_model.h"
#include "app/startup.h"
#include "dialogs/qt_prompt.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("arbolith");
    QApplication::setApplicationDisplayName("Arbolith");
    QApplication::setApplicationVersion(ARBOLITH_VERSION);
    // Lets the desktop find the program's entry and icon (arbolith.desktop).
    QGuiApplication::setDesktopFileName("arbolith");

    arbolith::QtPrompt prompt;
    arbolith::ObjectBrowserHooks hooks(arbolith::FindSampleLibrary());
    auto window = arbolith::StartMainWindow(prompt, hooks);
    if (!window) return 1;
    prompt.SetParent(window.get());
    return QApplication::exec();
}
