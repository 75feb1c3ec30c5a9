// SPDX-License-Identifier: MIT
// The road a user takes: the main window's File menu opens the Create Model
// Wizard; in a Wine prefix made for the test the registry list offers
// scrrun.dll; Make Data File, a top object, Make Model; the main window then
// shows the same tree `arbolith-cli make` and `tree` print for the same
// settings. Every tab's settings come back equal after Load Data File.
#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "app/sample_model.h"
#include "app/startup.h"
#include "cli/run_cli.h"
#include "store/inf_file.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"
#include "support/wine_prefix.h"
#include "wizard/wizard_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>

#include <memory>
#include <string>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kScrrunGuid = "{420B2830-E718-11CF-893D-00A0C9054228}";

std::string PrefixRegistry()
{
    const std::string key(kScrrunGuid);
    return std::string(test::kRegHeader) + test::RegKey(key + "\\1.0", "Microsoft Scripting Runtime") +
           test::RegKey(key + "\\1.0\\FLAGS", "0") +
           test::RegKey(key + "\\1.0\\0\\win64", "C:\\windows\\system32\\scrrun.dll");
}

// The main window's object tree as `arbolith-cli tree` prints it: one node
// per line, two spaces per level.
void TreeText(const QAbstractItemModel& model, const QModelIndex& parent, int level, std::string& out)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        out += std::string(static_cast<std::size_t>(level) * 2, ' ') + index.data().toString().toStdString() + "\n";
        TreeText(model, index, level + 1, out);
    }
}

class WizardEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::QtApp();
        test::MakeWinePrefix(m_dir / "prefix", {"scrrun.dll"}, PrefixRegistry());
        m_hooks = std::make_unique<ObjectBrowserHooks>(FindSampleLibrary());
        m_window = StartMainWindow(m_prompt, *m_hooks, {m_dir / "home"});
        ASSERT_TRUE(m_window);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        if (m_wizard) m_wizard->close();
        if (m_window) m_window->close();
    }

    frmWizard& OpenWizard()
    {
        m_window->MenuAction("mnuWizard")->trigger();
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* wizard = dynamic_cast<frmWizard*>(widget); wizard && wizard->isVisible()) m_wizard = wizard;
        if (!m_wizard) throw std::runtime_error("the wizard did not open");
        return *m_wizard;
    }
    const WizardControls& Ui() const { return m_wizard->Controls(); }
    static void Click(QAbstractButton* button)
    {
        ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        button->click();
        QApplication::processEvents();
    }
    // Picks the row of a list view whose first column reads `text`, as a click does.
    static void Pick(QTreeWidget* list, const std::string& text)
    {
        const auto items = list->findItems(QString::fromStdString(text), Qt::MatchExactly, 0);
        ASSERT_EQ(items.size(), 1) << text;
        list->setCurrentItem(items.front());
        emit list->itemClicked(items.front(), 0);
        QApplication::processEvents();
    }
    std::string MainTree() const
    {
        std::string text;
        TreeText(*m_window->trvObjects()->model(), {}, 0, text);
        return text;
    }

    test::TempDir m_dir;
    test::ScopedEnv m_home{"HOME", (m_dir / "home").string()};
    test::ScopedEnv m_prefix{"WINEPREFIX", (m_dir / "prefix").string()};
    ScriptedPrompt m_prompt;
    std::unique_ptr<ObjectBrowserHooks> m_hooks;
    std::unique_ptr<frmZVMain> m_window;
    QPointer<frmWizard> m_wizard;
};

TEST_F(WizardEndToEnd, RegistryToModelShowsTheTreeTheCommandLineMakes)
{
    frmWizard& wizard = OpenWizard();
    EXPECT_EQ(wizard.windowTitle().toStdString(), "Create Model Wizard");
    EXPECT_FALSE(Ui().tabWizard->isTabEnabled(1));

    Click(Ui().optAction[3]);
    Click(Ui().cmdGetRegValues);
    Pick(Ui().lvRefs, "Microsoft Scripting Runtime");
    const fs::path library = m_dir / "prefix" / "drive_c" / "windows" / "system32" / "scrrun.dll";
    EXPECT_EQ(fs::path(Ui().txtLibrary->text().toStdString()), library);

    Click(Ui().cmdMakeDat);
    ASSERT_TRUE(wizard.WaitUntilIdle(60000));
    EXPECT_EQ(wizard.windowTitle().toStdString(), "Create Model Wizard - Data File for scrrun.dll");
    for (int tab = 1; tab < 8; ++tab) EXPECT_TRUE(Ui().tabWizard->isTabEnabled(tab)) << tab;

    Ui().tabWizard->setCurrentIndex(2);
    Ui().txtBuiltInTop->setText("FileSystemObject");
    Ui().txtCategory->setText("Scripting");
    Click(Ui().cmdMakeModel);
    ASSERT_TRUE(wizard.WaitUntilIdle(60000));
    EXPECT_EQ(wizard.windowTitle().toStdString(), "Create Model Wizard - Data File for scrrun.dll, Model Made");
    ASSERT_TRUE(m_window->ModelOpen());
    EXPECT_TRUE(Ui().lblMissingObjects->text().startsWith("Missing objects: "));

    // The same settings through the command line, in a program folder of its own.
    test::TempDir cliHome;
    const auto made = test::RunCli(cliHome, "make " + test::Quoted(library.string()) + " --top FileSystemObject");
    ASSERT_EQ(made.status, 0) << made.err;
    const auto tree = test::RunCli(cliHome, "tree scrrun");
    ASSERT_EQ(tree.status, 0) << tree.err;
    EXPECT_EQ(MainTree(), tree.out);

    // Deleting the model the main window shows empties the window.
    m_prompt.answers = {PromptAnswer::Yes};
    Click(Ui().cmdDelete);
    EXPECT_FALSE(m_window->ModelOpen());
    EXPECT_EQ(m_window->windowTitle().toStdString(), "Arbolith");
    EXPECT_EQ(m_window->trvObjects()->model()->rowCount(), 0);
    EXPECT_FALSE(m_window->MenuAction("mnuTree")->isEnabled());
    EXPECT_FALSE(fs::exists(m_dir / "home" / "Models" / "scrrun.DAT"));
}

TEST_F(WizardEndToEnd, EveryTabsSettingsComeBackAfterLoadDataFile)
{
    frmWizard& wizard = OpenWizard();
    Ui().txtLibrary->setText(QString::fromStdString((test::kWineLibraryDir / "scrrun.dll").string()));
    emit Ui().txtLibrary->returnPressed();
    Click(Ui().cmdMakeDat);
    ASSERT_TRUE(wizard.WaitUntilIdle(60000));

    // Settings on each tab: a name and category, a custom top with one
    // connection, <Events>, a custom object, a collection change, an edge.
    Ui().txtModelName->setText("Scripting Runtime");
    Ui().txtCategory->setText("Scripting");
    Click(Ui().optTopType[1]);
    Ui().txtCustomTop->setText("Root");
    const auto drives = Ui().lstConnectToTop->findItems("Drives", Qt::MatchExactly);
    ASSERT_EQ(drives.size(), 1);
    drives.front()->setSelected(true);
    QApplication::processEvents();
    m_prompt.inputs = {"Widget", "", "A widget"};
    m_prompt.answers = {PromptAnswer::No};
    Ui().tabWizard->setCurrentIndex(5);
    Click(Ui().cmdAddObject);
    Ui().tabWizard->setCurrentIndex(7);
    Ui().lvParents->findItems("Folder", Qt::MatchExactly).front()->setSelected(true);
    Ui().lvChildren->findItems("File", Qt::MatchExactly).front()->setSelected(true);
    Click(Ui().cmdConnectEdge);
    EXPECT_EQ(Ui().lvEdges->topLevelItemCount(), 1);
    Click(Ui().cmdMakeModel);
    ASSERT_TRUE(wizard.WaitUntilIdle(60000));
    const InfData before = wizard.Session().settings;
    const std::string connections = Ui().txtConnectToTop->text().toStdString();
    EXPECT_EQ(connections, "Drives");

    // A fresh wizard loads the DAT file and its INF file back.
    wizard.close();
    QApplication::processEvents();
    frmWizard& again = OpenWizard();
    Click(Ui().optAction[2]);
    const auto dat = Ui().lstDatFiles->findItems("scrrun", Qt::MatchExactly);
    ASSERT_EQ(dat.size(), 1);
    Ui().lstDatFiles->setCurrentItem(dat.front());
    emit Ui().lstDatFiles->itemClicked(dat.front());
    Click(Ui().cmdMakeDat);
    ASSERT_TRUE(again.WaitUntilIdle(60000));
    EXPECT_EQ(again.Session().settings, before);
    EXPECT_EQ(Ui().txtModelName->text().toStdString(), "Scripting Runtime");
    EXPECT_TRUE(Ui().optTopType[1]->isChecked());
    EXPECT_EQ(Ui().txtConnectToTop->text().toStdString(), connections);
    EXPECT_EQ(Ui().lvCustomObjects->topLevelItemCount(), 1);
    EXPECT_EQ(Ui().lvEdges->topLevelItemCount(), 1);
}

TEST_F(WizardEndToEnd, ClosingTheMainWindowWhileAModelIsMadeFinishesItFirst)
{
    frmWizard& wizard = OpenWizard();
    Ui().txtLibrary->setText(QString::fromStdString((test::kWineLibraryDir / "scrrun.dll").string()));
    emit Ui().txtLibrary->returnPressed();
    Click(Ui().cmdMakeDat);
    ASSERT_TRUE(wizard.WaitUntilIdle(60000));
    Ui().txtBuiltInTop->setText("FileSystemObject");
    Ui().txtCategory->setText("Scripting");
    Click(Ui().cmdMakeModel);
    // The program ends while the model may still be in the making: the
    // wizard finishes it before the main window goes.
    m_window->close();
    m_window.reset();
    EXPECT_FALSE(m_wizard);
    const fs::path inf = m_dir / "home" / "Models" / "scrrun.INF";
    ASSERT_TRUE(fs::exists(inf));
    auto keys = ReadInfBrowseKeys(inf);
    ASSERT_TRUE(keys);
    EXPECT_TRUE(keys->topObjectKey.has_value());
}

}  // namespace
}  // namespace arbolith
