// SPDX-License-Identifier: MIT
// Writes a PNG of each window, as the user would see it, into the folder
// given as the only argument: <name>@<scale>x.png. Runs with any Qt platform;
// tools/screenshots.sh uses the offscreen one. The program's files go to a
// fresh temporary folder, so no real settings are read or changed.
#include "app/browser_hooks.h"
#include "app/folders.h"
#include "app/help_commands.h"
#include "app/main_window.h"
#include "app/options_commands.h"
#include "app/sample_model.h"
#include "app/startup.h"
#include "catalog/open_model_window.h"
#include "dialogs/about_window.h"
#include "dialogs/image_set.h"
#include "dialogs/legend_window.h"
#include "dialogs/options_window.h"
#include "dialogs/qt_prompt.h"
#include "dialogs/sprigs_window.h"
#include "dialogs/welcome_window.h"
#include "enums/enum_source.h"
#include "enums/enums_window.h"
#include "help/help_file_window.h"
#include "help/help_viewer_window.h"
#include "reports/report_window.h"
#include "wizard/wizard_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>
#include <set>
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

// Selects the first node labelled `label` anywhere in the tree, as a click
// would.
void SelectNode(QTreeView& tree, const QString& label)
{
    const QModelIndexList found = tree.model()->match(tree.model()->index(0, 0), Qt::DisplayRole, label, 1,
                                                      Qt::MatchFixedString | Qt::MatchRecursive);
    if (found.isEmpty()) return;
    tree.setCurrentIndex(found.front());
    tree.scrollTo(found.front());
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
        if (block == 0 || (block == 1 && image.help)) ++block, row = 0;
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
    for (const auto& image : arbolith::AllNodeImages()) icons.push_back(arbolith::NodeIcon(image));
    for (const auto& image : arbolith::AllMethodImages()) icons.push_back(arbolith::MethodIcon(image));
    for (const auto& image : arbolith::AllPropertyImages()) icons.push_back(arbolith::PropertyIcon(image));
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

// The legend, the two greeting windows (over an empty settings file) and
// the About box.
void SaveInfoWindows()
{
    QTemporaryDir home;
    const std::filesystem::path ini = QDir(home.path()).filePath("ZV.INI").toStdString();
    arbolith::frmLegend legend({1920, 1080});
    legend.show();
    QApplication::processEvents();
    Save(legend, "legend");
    for (const auto kind : {arbolith::WelcomeKind::Welcome, arbolith::WelcomeKind::WizardSplash}) {
        arbolith::frmWelcome window(kind, ini, {});
        window.show();
        QApplication::processEvents();
        Save(window, kind == arbolith::WelcomeKind::Welcome ? "welcome" : "wizard-splash");
    }
    arbolith::frmAbout about({1920, 1080});
    about.show();
    QApplication::processEvents();
    Save(about, "about");
}

QPalette DarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2d, 0x31));
    dark.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    return dark;
}

// The main window as the wizard sees it in these pictures: nothing shown.
// The Options window's values without changing the main window.
class StillOptions : public arbolith::OptionsHost {
public:
    explicit StillOptions(arbolith::OptionsState state) : m_state(state) {}
    arbolith::OptionsState CurrentOptions() const override { return m_state; }
    void ApplyTreeIndent(std::int16_t) override {}
    void ApplyOptions(const arbolith::OptionsState&) override {}

private:
    arbolith::OptionsState m_state;
};

class NoHost : public arbolith::WizardHost, public arbolith::OpenModelHost {
public:
    bool ShowModel(const std::string&) override { return false; }
    std::set<std::int64_t> TreeObjectKeys() const override { return {}; }
    std::string CurrentModelKey() const override { return {}; }
    void ClearModel() override {}
};

// The wizard at opening, with Wine's scrrun.dll chosen, and two settings
// tabs once its DAT file is made.
void SaveWizard(const std::string& folder)
{
    const std::filesystem::path base(folder);
    arbolith::WizardPlaces places{
        base / "WizardModels", base / "WizardBackup", base / "ZV.INI", base / "errorlog.txt", {}, true};
    std::filesystem::create_directories(places.modelsFolder);
    arbolith::ScriptedPrompt prompt;
    NoHost host;
    arbolith::frmWizard wizard(places, prompt, host, {});
    wizard.show();
    QApplication::processEvents();
    Save(wizard, "wizard-library");
    const std::filesystem::path scrrun = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/scrrun.dll";
    if (!std::filesystem::exists(scrrun)) return;
    const auto& ui = wizard.Controls();
    ui.txtLibrary->setText(QString::fromStdString(scrrun.string()));
    emit ui.txtLibrary->returnPressed();
    QApplication::processEvents();
    Save(wizard, "wizard-library-chosen");
    ui.cmdMakeDat->click();
    wizard.WaitUntilIdle(60000);
    QApplication::processEvents();
    for (int tab : {2, 3, 6, 7}) {
        ui.tabWizard->setCurrentIndex(tab);
        QApplication::processEvents();
        Save(wizard, QStringLiteral("wizard-tab%1").arg(tab));
    }
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
    SaveInfoWindows();

    QTemporaryDir home;
    // The tree as wide as a user would drag it.
    QFile ini(QDir(home.path()).filePath("ZV.INI"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[OMForm]\nTreeWidth=3600\n[Main]\nNoWelcome=True\n[EnumForm]\nTreeWidth=3000\n");
    ini.close();

    arbolith::QtPrompt prompt;
    const std::string folder = home.path().toStdString();
    {
        // Before any model: no sample to make.
        arbolith::ObjectBrowserHooks noSample({});
        auto empty = arbolith::StartMainWindow(prompt, noSample, {folder});
        if (!empty) return 1;
        empty->showNormal();
        empty->resize(960, 640);
        QApplication::processEvents();
        Save(*empty, "main-window-empty");
        empty->close();
    }

    // The first start: the sample model is made and opened.
    arbolith::ObjectBrowserHooks hooks(arbolith::FindSampleLibrary());
    auto window = arbolith::StartMainWindow(prompt, hooks, {folder});
    if (!window) return 1;
    prompt.SetParent(window.get());
    window->showNormal();
    window->resize(960, 640);
    SelectNode(*window->trvObjects(), "Document");
    QApplication::processEvents();
    Save(*window, "main-window");
    SaveMenu(*window, "mnuTree");
    SaveMenu(*window, "mnuView");
    SaveMenu(*window, "mnuHelp");

    // The report window over the main window: a line report and the
    // frequency table of the tree as shown.
    {
        const arbolith::browser::ObjectBrowser& browser = *hooks.Browser();
        arbolith::frmReport lines(prompt, window.get());
        lines.SetReport(arbolith::reports::ReportKind::AllMembers, browser.Current().datPath,
                        browser.Current().baseName);
        lines.show();
        QApplication::processEvents();
        Save(lines, "report-lines");
        lines.close();
        arbolith::frmReport table(prompt, window.get());
        table.SetFrequencies(arbolith::reports::FrequencyCaption(browser.Current().modelName),
                             arbolith::reports::ObjectFrequencies(browser.Model(), browser.Nodes()));
        table.show();
        QApplication::processEvents();
        Save(table, "report-frequencies");
        table.close();
    }

    // The Options window, and the Branch Counts window on a copy of the
    // model's INF file with a few counts.
    {
        StillOptions host(arbolith::OptionsFromSettings(window->ProgramSettings()));
        arbolith::frmOptions options(host, prompt, window->ScreenSizePixels(), window.get());
        options.show();
        QApplication::processEvents();
        Save(options, "options");
        options.close();

        const arbolith::browser::CurrentModel& current = hooks.Browser()->Current();
        const std::filesystem::path inf = std::filesystem::path(folder) / "branch-counts.inf";
        QFile counts(QString::fromStdString(inf.string()));
        if (counts.open(QIODevice::WriteOnly))
            counts.write("[NonleafCounts]\n<Default>=4\nDocument=2\nParagraph=1\nApplication=3\n");
        counts.close();
        arbolith::frmSprigs sprigs(inf, current.baseName, window->ProgramSettings().defaultDepth, prompt,
                                   window->ScreenSizePixels(), {}, window.get());
        sprigs.lstSprigs()->setCurrentRow(1);
        sprigs.show();
        QApplication::processEvents();
        Save(sprigs, "branch-counts");
        sprigs.close();
    }

    // The Open Model dialog over a folder with the sample model, a model of
    // each incomplete kind and a second category, one category open.
    {
        namespace fs = std::filesystem;
        const arbolith::browser::CurrentModel& current = hooks.Browser()->Current();
        const fs::path models = fs::path(folder) / "CatalogModels";
        fs::create_directories(models);
        std::error_code ec;
        fs::copy_file(current.datPath, models / current.datPath.filename(), ec);
        fs::copy_file(current.infPath, models / current.infPath.filename(), ec);
        fs::copy_file(current.datPath, models / "Orphan.DAT", ec);
        QFile inf(QString::fromStdString((models / "Planned.INF").string()));
        if (inf.open(QIODevice::WriteOnly))
            inf.write("[Main]\nModelName=Planned Model\nLibrary=planned.olb\nCategory=Office Suites\n");
        inf.close();
        NoHost none;
        arbolith::frmOpenModel dialog(models, prompt, none, window->ScreenSizePixels(), false, window.get());
        for (int i = 0; i < dialog.trvModels()->topLevelItemCount(); ++i)
            dialog.NodeClicked(dialog.trvModels()->topLevelItem(i));
        dialog.show();
        QApplication::processEvents();
        Save(dialog, "open-model");
        dialog.close();
    }

    window->MenusEnabled(false);
    SaveMenu(*window, "mnuFile");
    SaveMenu(*window, "mnuHelp", "mnuHelp-no-model");

    SaveWizard(folder);

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

    // The help viewer on a library's topic, and the Set Help File dialog.
    {
        arbolith::help::frmHelpViewer viewer;
        viewer.ShowTopic(nullptr, {"Application Object",
                                   "<h2>Application Object</h2><p>The Quill application: its documents, "
                                   "windows and settings.</p><h3>Properties</h3><ul><li><a href=\"docs.htm\">"
                                   "Documents</a></li><li>ActiveWindow</li><li>Visible</li></ul>",
                                   "", "/app.htm"});
        viewer.resize(640, 360);
        viewer.show();
        QApplication::processEvents();
        Save(viewer, "help-viewer");
        viewer.ShowFile(arbolith::FindOwnHelpFolder({}, {}) / "index.html");
        viewer.resize(640, 480);
        QApplication::processEvents();
        Save(viewer, "help-viewer-own");
        const arbolith::browser::CurrentModel& current = hooks.Browser()->Current();
        arbolith::help::frmHelpFile helpFile(current.libraryHelpFile, current.helpFile, {}, prompt, window.get());
        helpFile.show();
        QApplication::processEvents();
        Save(helpFile, "set-help-file");
    }

    // The enum viewer: on VB/VBA's enums when Special.mdb is beside the
    // program, else on the sample model's.
    {
        const arbolith::browser::CurrentModel& current = hooks.Browser()->Current();
        const auto special = arbolith::enums::FindSpecialFile(arbolith::RunningProgramFolder(), {});
        auto source = special ? arbolith::enums::EnumSource::OpenVba(*special)
                              : arbolith::enums::EnumSource::OpenModel(current.datPath);
        arbolith::frmEnums viewer(prompt, window->Folders().settingsFile, window.get());
        const bool loaded = source ? viewer.Load(special ? "Enums for VB/VBA" : "Enums for " + current.modelName,
                                                 arbolith::TableOf(std::move(*source)))
                                   : false;
        if (loaded) {
            viewer.showNormal();
            viewer.resize(800, 500);
            QApplication::processEvents();
            Save(viewer, "enums");
            viewer.close();
        }
    }
    return 0;
}
