// SPDX-License-Identifier: MIT
// Arbolith's desktop program: prepares the application folder and settings,
// then opens the main window.
#include "app/folders.h"
#include "app/settings.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Arbolith");

    auto appFolder = arbolith::DetermineAppFolder();
    if (!appFolder) {
        QMessageBox::critical(nullptr, "Arbolith",
                              QString::fromStdString("Error loading main form. " + appFolder.error().description));
        return 1;
    }
    const arbolith::AppFolders folders = arbolith::MakeAppFolders(*appFolder);
    if (auto made = arbolith::EnsureAppFolders(folders); !made) {
        QMessageBox::critical(nullptr, "Arbolith",
                              QString::fromStdString("Error loading main form. " + made.error().description));
        return 1;
    }

    QMainWindow window;
    window.setWindowTitle("Arbolith");
    window.resize(1000, 700);
    window.show();
    return QApplication::exec();
}
