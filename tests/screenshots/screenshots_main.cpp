// SPDX-License-Identifier: MIT
// Writes a PNG of each window, as the user would see it, into the folder
// given as the only argument: <name>@<scale>x.png. Runs with any Qt platform;
// tools/screenshots.sh uses the offscreen one. The program's files go to a
// fresh temporary folder, so no real settings are read or changed.
#include "app/main_window.h"
#include "app/startup.h"
#include "dialogs/image_set.h"
#include "dialogs/qt_prompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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
    using arbolith::NodeIcon;
    auto* app = new QStandardItem(NodeIcon("OnObj"), "Application");
    auto* docs = new QStandardItem(NodeIcon("OnCol"), "Documents (Document)");
    docs->appendRow(new QStandardItem(NodeIcon("OnObj"), "Document"));
    docs->child(0)->appendRow(new QStandardItem(NodeIcon("OffCol"), "Paragraphs (Paragraph)"));
    docs->child(0)->appendRow(new QStandardItem(NodeIcon("OnCol"), "Windows (Window)"));
    app->appendRow(docs);
    app->appendRow(new QStandardItem(NodeIcon("OffObj"), "Options"));
    app->appendRow(new QStandardItem(NodeIcon("OnObjHid"), "Selection"));
    objects.appendRow(app);
    for (auto [name, key] : {std::pair{"ActiveDocument", "p131"}, {"Caption", "p132"}, {"Name", "p131"},
                             {"Path", "p031"}, {"Version", "p111"}, {"Visible", "p130"}})
        props.appendRow(new QStandardItem(arbolith::PropertyIcon(key), name));
    for (auto [name, key] : {std::pair{"Activate", "m13"}, {"Quit", "m13"}, {"Run", "m03"}, {"ScreenRefresh", "m11"}})
        methods.appendRow(new QStandardItem(arbolith::MethodIcon(key), name));
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

// Every tree and member image at 16, 24 and 32 pixels with its key and
// meaning, in three blocks: nodes and methods, properties without help,
// properties with help.
void SaveImageSheet(const char* name, const QPalette& palette)
{
    QWidget sheet;
    sheet.setPalette(palette);
    sheet.setAutoFillBackground(true);
    auto* grid = new QGridLayout(&sheet);
    grid->setHorizontalSpacing(10);
    int block = 0, row = 0;
    auto add = [&](const QIcon& icon, const std::string& key, const std::string& meaning) {
        const int column = block * 6;
        for (int size : {16, 24, 32}) {
            auto* picture = new QLabel;
            picture->setPixmap(icon.pixmap(QSize(size, size)));
            grid->addWidget(picture, row, column + size / 8 - 2, Qt::AlignCenter);
        }
        grid->addWidget(new QLabel(QString::fromStdString(key)), row, column + 3);
        grid->addWidget(new QLabel(QString::fromStdString(meaning)), row, column + 4);
        ++row;
    };
    for (const auto& image : arbolith::AllNodeImages())
        add(arbolith::NodeIcon(image), arbolith::NodeImageKey(image), arbolith::DescribeNodeImage(image));
    for (const auto& image : arbolith::AllMethodImages())
        add(arbolith::MethodIcon(image), arbolith::MethodImageKey(image), arbolith::DescribeMethodImage(image));
    add(arbolith::UnknownImageIcon(), "?", "Unknown key");
    for (const auto& image : arbolith::AllPropertyImages()) {
        if (block == 0 || (block == 1 && image.help))
            ++block, row = 0;
        add(arbolith::PropertyIcon(image), arbolith::PropertyImageKey(image), arbolith::DescribePropertyImage(image));
    }
    sheet.show();
    QApplication::processEvents();
    Save(sheet, name);
}

// The 16-pixel pictures enlarged five times, pixel by pixel, to judge how
// they sit on the pixel grid.
void SaveImagePixels(const char* name)
{
    std::vector<QIcon> icons;
    for (const auto& image : arbolith::AllNodeImages())
        icons.push_back(arbolith::NodeIcon(image));
    for (const auto& image : arbolith::AllMethodImages())
        icons.push_back(arbolith::MethodIcon(image));
    for (const auto& image : arbolith::AllPropertyImages())
        icons.push_back(arbolith::PropertyIcon(image));
    constexpr int kCell = 16 * 5 + 8, kColumns = 8;
    const int rows = (static_cast<int>(icons.size()) + kColumns - 1) / kColumns;
    QImage sheet(kColumns * kCell, rows * kCell, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < static_cast<int>(icons.size()); ++i)
        painter.drawImage(QPoint(i % kColumns * kCell + 4, i / kColumns * kCell + 4),
                          icons[i].pixmap(QSize(16, 16), 1.0).toImage().scaled(80, 80));
    painter.end();
    sheet.save(QDir(g_folder).filePath(QStringLiteral("%1.png").arg(name)));
}

QPalette DarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2d, 0x31));
    dark.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    return dark;
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
    SaveImageSheet("legend-images", QApplication::palette());
    SaveImageSheet("legend-images-dark", DarkPalette());
    SaveImagePixels("legend-images-pixels");

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
