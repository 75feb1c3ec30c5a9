// SPDX-License-Identifier: MIT
// Writes a PNG of each window, as the user would see it, into the folder
// given as the only argument: <name>@<scale>x.png. Runs with any Qt platform;
// tools/screenshots.sh uses the offscreen one. The program's files go to a
// fresh temporary folder, so no real settings are read or changed.
#include "app/main_window.h"
#include "app/startup.h"
#include "dialogs/qt_prompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

namespace {

QString g_folder;

void Save(QWidget& widget, const QString& name)
{
    const QPixmap picture = widget.grab();
    const QString file =
        QDir(g_folder).filePath(QStringLiteral("%1@%2x.png").arg(name).arg(picture.devicePixelRatio()));
    if (!picture.save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
}

// A few rows of the kind a model fills the panes with, to judge the look.
void FillSample(arbolith::frmZVMain& window, QStandardItemModel& objects, QStandardItemModel& props,
                QStandardItemModel& methods)
{
    auto* app = new QStandardItem("Application");
    auto* docs = new QStandardItem("Documents (Document)");
    docs->appendRow(new QStandardItem("Document"));
    docs->child(0)->appendRow(new QStandardItem("Paragraphs (Paragraph)"));
    docs->child(0)->appendRow(new QStandardItem("Windows (Window)"));
    app->appendRow(docs);
    app->appendRow(new QStandardItem("Options"));
    app->appendRow(new QStandardItem("Selection"));
    objects.appendRow(app);
    for (const char* name : {"ActiveDocument", "Caption", "Name", "Path", "Version", "Visible"})
        props.appendRow(new QStandardItem(name));
    for (const char* name : {"Activate", "Quit", "Run", "ScreenRefresh"})
        methods.appendRow(new QStandardItem(name));
    window.trvObjects()->setModel(&objects);
    window.trvProps()->setModel(&props);
    window.trvMethods()->setModel(&methods);
    window.trvObjects()->expandAll();
    window.txtStatus()->setPlainText("Application\nDocuments (Document)\nProperty Count As Long (read-only)");
    window.lblNodes()->setText("Nodes: 9");
    window.lblDefault()->setText("Default: Name");
    window.lblProps()->setText("Properties: 6");
    window.lblMethods()->setText("Methods: 4");
}

void SaveMenu(arbolith::frmZVMain& window, const char* name, const char* picture = nullptr)
{
    QMenu* menu = window.menuBar()->findChild<QMenu*>(name);
    menu->popup(window.mapToGlobal(QPoint(0, 0)));
    QApplication::processEvents();
    Save(*menu, picture ? picture : name);
    menu->hide();
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("Arbolith");
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_folder);
    QTemporaryDir home;
    // The tree as wide as a user would drag it.
    QFile ini(QDir(home.path()).filePath("ZV.INI"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[OMForm]\nTreeWidth=3600\n");
    ini.close();

    arbolith::QtPrompt prompt;
    arbolith::MainWindowHooks hooks;
    auto window = arbolith::StartMainWindow(prompt, hooks, {home.path().toStdString()});
    if (!window)
        return 1;
    prompt.SetParent(window.get());
    window->showNormal();
    window->resize(960, 640);
    QApplication::processEvents();
    Save(*window, "main-window-empty");

    QStandardItemModel objects, props, methods;
    FillSample(*window, objects, props, methods);
    window->MenusEnabled(true);
    QApplication::processEvents();
    Save(*window, "main-window");
    SaveMenu(*window, "mnuTree");
    SaveMenu(*window, "mnuView");
    SaveMenu(*window, "mnuHelp");

    window->MenusEnabled(false);
    SaveMenu(*window, "mnuFile");
    SaveMenu(*window, "mnuHelp", "mnuHelp-no-model");

    // The flash message, caught while it shows.
    QTimer::singleShot(50, [&] { Save(*window, "flash-message"); });
    window->FlashMessage("View saved", 0.2);

    // A message box of the prompt, caught while it waits for the user.
    QTimer::singleShot(50, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            Save(*box, "message-box");
            box->close();
        }
    });
    window->MenuAction("mnuWizard")->trigger();
    return 0;
}
