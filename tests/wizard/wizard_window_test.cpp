// SPDX-License-Identifier: MIT
// The wizard window driven as a user would: clicks on its controls, answers
// scripted, files in a temporary home folder.
#include "wizard/wizard_window.h"

#include "platform/ini.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"
#include "support/wine_corpus.h"
#include "support/wine_prefix.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <cstdlib>
#include <fstream>

namespace arbolith {
namespace {

namespace fs = std::filesystem;
using test::QtApp;
using test::TempDir;

class RecordingHost : public WizardHost {
public:
    std::vector<std::string> shown;
    int cleared = 0;
    bool ShowModel(const std::string& modelKey) override
    {
        shown.push_back(modelKey);
        return true;
    }
    std::set<std::int64_t> TreeObjectKeys() const override { return {}; }
    std::string CurrentModelKey() const override { return shown.empty() ? "" : shown.back(); }
    void ClearModel() override { ++cleared; }
};

std::string Text(const QString& text)
{
    return text.toStdString();
}

void Touch(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

std::vector<std::string> Rows(const QTreeWidget& list, int column = 0)
{
    std::vector<std::string> rows;
    for (int i = 0; i < list.topLevelItemCount(); ++i) rows.push_back(Text(list.topLevelItem(i)->text(column)));
    return rows;
}

class WizardWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QtApp();
        m_oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", home.string().c_str(), 1);
        unsetenv("WINEPREFIX");
        unsetenv("XDG_DATA_HOME");
        fs::create_directories(places.modelsFolder);
        fs::create_directories(places.backupFolder);
    }
    void TearDown() override
    {
        window.reset();
        setenv("HOME", m_oldHome.c_str(), 1);
    }

    frmWizard& Open()
    {
        window = std::make_unique<frmWizard>(places, prompt, host, [this](int context) { help.push_back(context); });
        window->show();
        return *window;
    }
    const WizardControls& ui() const { return window->Controls(); }

    TempDir temp;
    fs::path home = temp / "home";
    WizardPlaces places{temp / "Models", temp / "Backup", temp / "ZV.INI", temp / "errorlog.txt", {}, true};
    ScriptedPrompt prompt;
    RecordingHost host;
    std::vector<int> help;
    std::unique_ptr<frmWizard> window;

private:
    std::string m_oldHome;
};

TEST_F(WizardWindowTest, OpensOnTheLibraryTabWithOnlyItEnabled)
{
    fs::create_directories(home);
    Open();
    EXPECT_EQ(Text(window->windowTitle()), "Create Model Wizard");
    EXPECT_EQ(ui().tabWizard->count(), 8);
    EXPECT_EQ(ui().tabWizard->currentIndex(), 0);
    EXPECT_TRUE(ui().tabWizard->isTabEnabled(0));
    for (int tab = 1; tab < 8; ++tab) EXPECT_FALSE(ui().tabWizard->isTabEnabled(tab)) << tab;
    EXPECT_FALSE(ui().cmdMakeModel->isEnabled());
    EXPECT_FALSE(ui().cmdDelete->isEnabled());
    EXPECT_FALSE(ui().cmdRestore->isEnabled());
    EXPECT_EQ(Text(ui().lblStep->text()), "1");
    EXPECT_EQ(Text(ui().txtStatus->toPlainText()), WizardSession::InstructionText(0, true));
    EXPECT_EQ(Text(ui().cmdMakeModel->toolTip()), "Make Model Using Current Wizard Settings");
    EXPECT_TRUE(ui().lvInModel->isVisible());
    EXPECT_FALSE(ui().lvAllEdges->isVisible());
    ui().optShowEdges[1]->click();
    EXPECT_TRUE(ui().lvAllEdges->isVisible());
    EXPECT_FALSE(ui().lvInModel->isVisible());
    // Every control is found by its name too.
    EXPECT_EQ(window->findChild<QTreeWidget*>("lvRefs"), ui().lvRefs);
    EXPECT_EQ(window->findChild<QPushButton*>("cmdMakeDat"), ui().cmdMakeDat);
    EXPECT_EQ(window->findChild<QRadioButton*>("optEdgeName4"), ui().optEdgeName[4]);
    // Twips to pixels at 96 DPI, unless the controls need more.
    EXPECT_GE(window->width(), 9400 / 15);
    EXPECT_GE(window->height(), 7200 / 15);

    ui().cmdHelp->click();
    ui().cmdTips->click();
    EXPECT_EQ(help, (std::vector<int>{WizardSession::HelpContext(0), 4}));
}

TEST_F(WizardWindowTest, EachActionShowsItsFrameAndTheDataFileButtonsCaption)
{
    fs::create_directories(home);
    Touch(places.modelsFolder / "Alpha.DAT");
    Touch(places.modelsFolder / "beta.dat");
    Open();
    struct Case {
        int action;
        const char* button;
        bool boxesUsable;
    };
    for (const Case& c : {Case{1, "Make Data File", true}, Case{2, "Load Data File", false},
                          Case{3, "Make Data File", true}, Case{0, "Make Data File", true}}) {
        ui().optAction[c.action]->click();
        EXPECT_EQ(ui().fraActions->currentIndex(), c.action);
        EXPECT_TRUE(ui().fraAction[c.action]->isVisible()) << c.action;
        EXPECT_EQ(Text(ui().cmdMakeDat->text()), c.button);
        if (!c.boxesUsable) {
            EXPECT_FALSE(ui().chkInterfaces->isEnabled());
        }
    }
    ui().optAction[2]->click();
    ASSERT_EQ(ui().lstDatFiles->count(), 2);
    EXPECT_EQ(Text(ui().lstDatFiles->item(0)->text()), "Alpha");
    EXPECT_FALSE(ui().cmdMakeDat->isEnabled()) << "nothing chosen to load";
}

TEST_F(WizardWindowTest, ResourceNumberBoxRefusesWhatIsNoResourceNumber)
{
    fs::create_directories(home);
    Open();
    QLineEdit& box = *ui().txtResourceNumber;
    struct Case {
        const char* typed;
        const char* shown;
    };
    for (const Case& c :
         {Case{"7", "7"}, Case{"abc", ""}, Case{"65535", "65535"}, Case{"65536", "6553"}, Case{"0", ""}}) {
        box.clear();
        QTest::keyClicks(&box, c.typed);
        EXPECT_EQ(Text(box.text()), c.shown) << c.typed;
    }
}

TEST_F(WizardWindowTest, BrowseListsTheFolderAndRemembersFolderAndShowType)
{
    const fs::path folder = home / "libs";
    Touch(folder / "a.tlb");
    Touch(folder / "b.DLL");
    Touch(folder / "notes.txt");
    PutIniString("BrowseSettings", "Directory", folder.string(), places.settingsFile);
    PutIniString("BrowseSettings", "ShowType", "7", places.settingsFile);  // reads as "libs"
    Open();
    EXPECT_TRUE(ui().optShowType[2]->isChecked());
    auto files = [&] {
        std::vector<std::string> names;
        for (int i = 0; i < ui().fileBrowse->count(); ++i) names.push_back(Text(ui().fileBrowse->item(i)->text()));
        return names;
    };
    EXPECT_EQ(files(), (std::vector<std::string>{"a.tlb"}));
    ui().optShowType[1]->click();
    EXPECT_EQ(files(), (std::vector<std::string>{"a.tlb", "b.DLL"}));
    EXPECT_EQ(GetIniString("BrowseSettings", "ShowType", "", places.settingsFile), "1");

    // Picking a file names the library by its full path.
    ui().fileBrowse->setCurrentRow(0);
    emit ui().fileBrowse->itemClicked(ui().fileBrowse->item(0));
    EXPECT_EQ(Text(ui().txtLibrary->text()), (folder / "a.tlb").string());
    EXPECT_EQ(window->Session().libraryText, (folder / "a.tlb").string());

    // Another folder is remembered and shown at the next opening.
    const fs::path other = home / "other";
    Touch(other / "c.olb");
    ui().dirBrowse->setCurrentIndex(
        static_cast<QFileSystemModel*>(ui().dirBrowse->model())->index(QString::fromStdString(other.string())));
    EXPECT_EQ(GetIniString("BrowseSettings", "Directory", "", places.settingsFile), other.string());
    window.reset();
    Open();
    EXPECT_TRUE(ui().optShowType[1]->isChecked());
    EXPECT_EQ(files(), (std::vector<std::string>{"c.olb"}));
}

// Serves events until `done` or a generous limit; the window must stay
// responsive meanwhile, which the timer's ticks show.
template <class Done>
int ServeUntil(Done done, int limitMs = 20000)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return ticks;
}

TEST_F(WizardWindowTest, SearchRunsBehindTheWindowShowsAndSavesItsResults)
{
    Touch(home / "a" / "x.TLB");
    Touch(home / "a" / "b" / "y.olb");
    Touch(home / "readme.txt");
    Touch(home / ".hidden" / "z.tlb");
    // A real library in a folder whose name is not UTF-8.
    const fs::path odd = home / "c\xff" / "q.tlb";
    fs::create_directories(odd.parent_path());
    std::error_code ec;
    fs::copy_file(test::kWineLibraryDir / "scrrun.dll", odd, ec);
    if (ec) GTEST_SKIP() << "scrrun.dll is not installed";
    Open();
    ui().optAction[1]->click();
    ASSERT_EQ(Text(ui().drvSearch->itemText(1)), "Home");
    ui().drvSearch->setCurrentIndex(1);
    ui().cmdSearch->click();
    EXPECT_EQ(Text(ui().cmdSearch->text()), "Cancel");
    ServeUntil([&] { return !window->IsSearching(); });
    ASSERT_FALSE(window->IsSearching());
    EXPECT_EQ(Text(ui().cmdSearch->text()), "Search");
    EXPECT_EQ(Rows(*ui().lvLibrarySearch), (std::vector<std::string>{"x.TLB", "q.tlb", "y.olb"}));
    EXPECT_EQ(Text(ui().lblSearch->text()), SearchCaption("Home"));
    // Shown with a replacement character, opened by its own bytes.
    emit ui().lvLibrarySearch->itemClicked(ui().lvLibrarySearch->topLevelItem(1), 0);
    EXPECT_EQ(window->Session().libraryText, odd.string());
    ui().cmdMakeDat->click();
    ServeUntil([&] { return !window->IsBusy(); });
    EXPECT_EQ(Text(window->windowTitle()), "Create Model Wizard - Data File for q.tlb");
    // It cannot be an INI key as it is, so it is shown but not saved.
    const auto saved = LoadSearchResults(places.settingsFile);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1].fileName, "y.olb");

    // The results come back at the next opening; a click names the library.
    window.reset();
    Open();
    EXPECT_EQ(Rows(*ui().lvLibrarySearch), (std::vector<std::string>{"x.TLB", "y.olb"}));
    EXPECT_EQ(Text(ui().lblSearch->text()), SearchCaption(saved[0].folder));
    emit ui().lvLibrarySearch->itemClicked(ui().lvLibrarySearch->topLevelItem(1), 0);
    EXPECT_EQ(fs::path(Text(ui().txtLibrary->text())), home / "a" / "b" / "y.olb");
}

TEST_F(WizardWindowTest, CancelStopsTheSearchAndKeepsTheSavedResults)
{
    fs::create_directories(home);
    const std::vector<FoundLibrary> earlier{{"old.tlb", "/old/"}};
    ASSERT_TRUE(SaveSearchResults(places.settingsFile, earlier));
    Open();
    ui().optAction[1]->click();
    ui().drvSearch->setCurrentIndex(0);  // "/": long enough to cancel
    ui().cmdSearch->click();
    ASSERT_TRUE(window->IsSearching());
    ui().cmdSearch->click();
    // The worker may see the cancel at once, before the window serves a
    // single timer tick: only the end of the search is waited for.
    ServeUntil([&] { return !window->IsSearching(); });
    ASSERT_FALSE(window->IsSearching());
    EXPECT_EQ(Text(ui().cmdSearch->text()), "Search");
    EXPECT_TRUE(ui().cmdSearch->isEnabled());
    EXPECT_NE(Text(ui().lblSearchProgress->text()).find("cancelled"), std::string::npos);
    EXPECT_EQ(LoadSearchResults(places.settingsFile), earlier);
}

TEST_F(WizardWindowTest, ClosingDuringASearchStopsItAndThenCloses)
{
    fs::create_directories(home);
    Open();
    ui().optAction[1]->click();
    ui().drvSearch->setCurrentIndex(0);
    ui().cmdSearch->click();
    ASSERT_TRUE(window->IsSearching());
    ui().cmdClose->click();
    EXPECT_TRUE(window->isVisible()) << "waits for the search to stop";
    ServeUntil([&] { return !window->isVisible(); });
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->IsSearching());
}

TEST_F(WizardWindowTest, RegistryWithoutAnyWinePrefixExplainsTheEmptyList)
{
    fs::create_directories(home);
    Open();
    ui().optAction[3]->click();
    ui().cmdGetRegValues->click();
    EXPECT_EQ(ui().lvRefs->topLevelItemCount(), 0);
    EXPECT_TRUE(ui().lblRegistryNote->isVisible());
    EXPECT_FALSE(ui().lblRegistryNote->text().isEmpty());
}

// scrrun.dll copied into the home folder and picked in the file list, as a
// user would.
bool PickScrrun(const WizardControls& ui, const fs::path& home)
{
    const fs::path source = test::kWineLibraryDir / "scrrun.dll";
    std::error_code ec;
    fs::create_directories(home / "libs");
    fs::copy_file(source, home / "libs" / "scrrun.dll", ec);
    if (ec) return false;
    ui.optAction[0]->click();
    ui.optShowType[1]->click();
    ui.dirBrowse->setCurrentIndex(
        static_cast<QFileSystemModel*>(ui.dirBrowse->model())->index(QString::fromStdString((home / "libs").string())));
    const auto found = ui.fileBrowse->findItems("scrrun.dll", Qt::MatchExactly);
    if (found.isEmpty()) return false;
    ui.fileBrowse->setCurrentItem(found.front());
    emit ui.fileBrowse->itemClicked(found.front());
    return true;
}

TEST_F(WizardWindowTest, MakeDataFileRunsBehindTheWindowThenEnablesTheTabs)
{
    fs::create_directories(home);
    Open();
    if (!PickScrrun(ui(), home)) GTEST_SKIP() << "scrrun.dll is not installed";
    ASSERT_TRUE(ui().cmdMakeDat->isEnabled());
    ui().cmdMakeDat->click();
    ASSERT_TRUE(window->IsBusy());
    EXPECT_TRUE(ui().prgBusy->isVisible());
    EXPECT_FALSE(ui().tabWizard->isEnabled());
    EXPECT_FALSE(ui().cmdMakeModel->isEnabled());
    ui().cmdMakeDat->click();  // ignored while the work runs
    const int ticks = ServeUntil([&] { return !window->IsBusy(); });
    ASSERT_FALSE(window->IsBusy());
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(ui().prgBusy->isVisible());
    EXPECT_TRUE(ui().tabWizard->isEnabled());
    EXPECT_EQ(Text(window->windowTitle()), "Create Model Wizard - Data File for scrrun.dll");
    for (int tab = 1; tab < 8; ++tab) EXPECT_TRUE(ui().tabWizard->isTabEnabled(tab)) << tab;
    EXPECT_TRUE(ui().cmdMakeModel->isEnabled());
    EXPECT_GT(ui().lvInModel->topLevelItemCount(), 0);
    EXPECT_EQ(ui().lvParents->topLevelItemCount(), ui().lvInModel->topLevelItemCount());
    EXPECT_EQ(Text(ui().txtModelName->text()), "scrrun");

    // Header clicks sort "#Ch" as numbers, and a second click reverses.
    auto counts = [&] {
        std::vector<long long> values;
        for (const auto& text : Rows(*ui().lvInModel, 3)) values.push_back(std::stoll(text));
        return values;
    };
    ui().lvInModel->header()->setSortIndicator(3, Qt::AscendingOrder);
    const auto ascending = counts();
    EXPECT_TRUE(std::is_sorted(ascending.begin(), ascending.end()));
    ui().lvInModel->header()->setSortIndicator(3, Qt::DescendingOrder);
    const auto descending = counts();
    EXPECT_TRUE(std::is_sorted(descending.rbegin(), descending.rend()));

    // Make Model without a name is refused and shows the Model tab.
    ui().tabWizard->setCurrentIndex(2);
    ui().txtModelName->clear();
    ui().cmdMakeModel->click();
    ServeUntil([&] { return !window->IsBusy(); });
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(prompt.asked.back().text, "Please choose a name and category for the model.");
    EXPECT_EQ(ui().tabWizard->currentIndex(), 1);
    EXPECT_EQ(Text(ui().lblStep->text()), "2");
    EXPECT_TRUE(host.shown.empty());
}

TEST_F(WizardWindowTest, ClosingWhileADataFileIsMadeWaitsForItThenCloses)
{
    fs::create_directories(home);
    Open();
    if (!PickScrrun(ui(), home)) GTEST_SKIP() << "scrrun.dll is not installed";
    ui().cmdMakeDat->click();
    ASSERT_TRUE(window->IsBusy());
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(ui().cmdClose->isEnabled());
    ServeUntil([&] { return !window->isVisible(); });
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->Session().Stage(), WizardStage::DataFileMade) << "the work was finished, not cut off";
}

TEST_F(WizardWindowTest, QuestionsFromTheWorkerReachThePrompt)
{
    fs::create_directories(home);
    Open();
    if (!PickScrrun(ui(), home)) GTEST_SKIP() << "scrrun.dll is not installed";
    ui().cmdMakeDat->click();
    ServeUntil([&] { return !window->IsBusy(); });
    ASSERT_TRUE(ui().tabWizard->isTabEnabled(2));

    // The same base name from another folder: the session asks, from the
    // worker thread, before replacing the model; "No" keeps it.
    const fs::path other = home / "other";
    fs::create_directories(other);
    fs::copy_file(home / "libs" / "scrrun.dll", other / "scrrun.dll");
    ui().tabWizard->setCurrentIndex(0);
    ui().txtLibrary->setText(QString::fromStdString((other / "scrrun.dll").string()));
    emit ui().txtLibrary->returnPressed();
    const std::size_t before = prompt.asked.size();
    prompt.answers = {PromptAnswer::No};
    ui().cmdMakeDat->click();
    ServeUntil([&] { return !window->IsBusy(); });
    ASSERT_EQ(prompt.asked.size(), before + 1);
    EXPECT_NE(prompt.asked.back().text.find("Replace it with a model of"), std::string::npos);
    EXPECT_FALSE(ui().tabWizard->isTabEnabled(1));
    EXPECT_TRUE(fs::exists(places.modelsFolder / "scrrun.DAT") || fs::exists(places.modelsFolder / "scrrun.dat"));
}

// The lists' commands act on the rows the user selected, whatever order a
// header click put them in.
TEST_F(WizardWindowTest, ListCommandsActOnTheSelectedRowsOfASortedList)
{
    fs::create_directories(home);
    Open();
    if (!PickScrrun(ui(), home)) GTEST_SKIP() << "scrrun.dll is not installed";
    ui().cmdMakeDat->click();
    ServeUntil([&] { return !window->IsBusy(); });
    ASSERT_TRUE(ui().tabWizard->isTabEnabled(7));

    auto select = [](QTreeWidget& list, std::initializer_list<const char*> names) {
        list.clearSelection();
        for (const char* name : names) {
            const auto found = list.findItems(name, Qt::MatchExactly, 0);
            ASSERT_EQ(found.size(), 1) << name;
            found.front()->setSelected(true);
        }
    };
    auto rowOf = [](QTreeWidget& list, const char* name) {
        const auto found = list.findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? std::vector<std::string>{} : [&] {
            std::vector<std::string> cells;
            for (int c = 0; c < list.columnCount(); ++c) cells.push_back(Text(found.front()->text(c)));
            return cells;
        }();
    };

    ui().tabWizard->setCurrentIndex(6);
    ui().lvCollections->header()->setSortIndicator(0, Qt::DescendingOrder);
    select(*ui().lvCollections, {"Drive"});
    prompt.answers = {PromptAnswer::Yes};
    ui().cmdNoncollections->click();
    EXPECT_EQ(rowOf(*ui().lvCollections, "Drive"), (std::vector<std::string>{"Drive", "N", "", "N", ""}));
    EXPECT_EQ(rowOf(*ui().lvCollections, "TextStream")[3], "");
    EXPECT_EQ(Text(ui().lvCollections->topLevelItem(0)->text(0)), "TextStream") << "the order stays";

    ui().tabWizard->setCurrentIndex(7);
    ui().lvParents->header()->setSortIndicator(0, Qt::DescendingOrder);
    select(*ui().lvParents, {"TextStream"});
    select(*ui().lvChildren, {"File", "Folder"});
    ui().optEdgeName[1]->click();  // the parent's name as the label
    ui().cmdConnectEdge->click();
    EXPECT_EQ(Rows(*ui().lvEdges, 0), (std::vector<std::string>{"TextStream", "TextStream"}));
    EXPECT_EQ(Rows(*ui().lvEdges, 1), (std::vector<std::string>{"File", "Folder"}));
    EXPECT_EQ(Rows(*ui().lvEdges, 2), (std::vector<std::string>{"TextStream", "TextStream"}));
    EXPECT_EQ(Text(ui().lblEdgeCount->text()), "2");

    // The connections to a custom top leave out the top itself.
    ui().tabWizard->setCurrentIndex(2);
    ui().optTopType[1]->click();
    ui().txtCustomTop->setText("folder");
    emit ui().txtCustomTop->textEdited("folder");
    for (const char* name : {"Drive", "Folder"})
        ui().lstConnectToTop->findItems(name, Qt::MatchExactly).front()->setSelected(true);
    EXPECT_EQ(Text(ui().txtConnectToTop->text()), "Drive");
    EXPECT_TRUE(ui().lstConnectToTop->isEnabled());
    EXPECT_FALSE(ui().lstProlific->isEnabled());
}

TEST_F(WizardWindowTest, RegisteredLibrariesAndTheWineDriveComeFromTheHomePrefix)
{
    for (const char* name : {"scrrun.dll", "vbscript.dll", "stdole2.tlb"})
        if (test::CorpusFileProblem(name)) GTEST_SKIP() << *test::CorpusFileProblem(name);
    auto key = [](int n, std::string_view rest) {
        return "{0000000" + std::to_string(n) + "-0000-0000-0000-000000000000}\\" + std::string(rest);
    };
    std::string reg(test::kRegHeader);
    reg += test::RegKey(key(1, "1.0"), "Microsoft Scripting Runtime") + test::RegKey(key(1, "1.0\\FLAGS"), "0") +
           test::RegKey(key(1, "1.0\\0\\win64"), "C:\\windows\\system32\\scrrun.dll");
    reg += test::RegKey(key(2, "5.5"), "Microsoft VBScript Regular Expressions 5.5") +
           test::RegKey(key(2, "5.5\\FLAGS"), "0") +
           test::RegKey(key(2, "5.5\\0\\win64"), "C:\\windows\\system32\\vbscript.dll\\2");
    test::MakeWinePrefix(home / ".wine", {"scrrun.dll", "vbscript.dll", "stdole2.tlb"}, reg);
    Open();

    ui().optAction[3]->click();
    ui().cmdGetRegValues->click();
    ASSERT_EQ(ui().lvRefs->topLevelItemCount(), 2);
    EXPECT_FALSE(ui().lblRegistryNote->isVisible());
    QTreeWidgetItem* regExp = ui().lvRefs->findItems("Microsoft VBScript Regular Expressions 5.5", Qt::MatchExactly)[0];
    emit ui().lvRefs->itemClicked(regExp, 0);
    EXPECT_EQ(Text(ui().txtResourceNumber->text()), "2");
    EXPECT_EQ(fs::path(Text(ui().txtLibrary->text())).filename(), "vbscript.dll");
    EXPECT_TRUE(ui().cmdMakeDat->isEnabled());
    emit ui().lvRefs->itemClicked(ui().lvRefs->findItems("Microsoft Scripting Runtime", Qt::MatchExactly)[0], 0);
    EXPECT_EQ(Text(ui().txtResourceNumber->text()), "1");

    // The prefix's drive is a root of the search, entered hidden folders and all.
    ui().optAction[1]->click();
    const int drive = ui().drvSearch->findText("C:");
    ASSERT_GE(drive, 0);
    ui().drvSearch->setCurrentIndex(drive);
    ui().cmdSearch->click();
    ServeUntil([&] { return !window->IsSearching(); });
    EXPECT_EQ(Rows(*ui().lvLibrarySearch), (std::vector<std::string>{"stdole2.tlb"}));
    EXPECT_EQ(Text(ui().lblSearch->text()), SearchCaption("C:"));
}

}  // namespace
}  // namespace arbolith
