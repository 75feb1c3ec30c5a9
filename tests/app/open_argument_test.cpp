// SPDX-License-Identifier: MIT
// `arbolith FILE` carried out in the started main window: a library opens the
// Create Model Wizard at its first tab with that file chosen, a model key
// shows the model, and anything else is told without touching the models.
#include "app/browser_hooks.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/sample_model.h"
#include "app/wizard_launch.h"
#include "support/started_main_window.h"
#include "wizard/wizard_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>

#include <filesystem>

namespace arbolith {
namespace {

namespace fs = std::filesystem;

class OpenArgumentTest : public test::StartedMainWindow {
protected:
    void SetUp() override
    {
        Start();
        ASSERT_TRUE(m_hooks->Browser()->Current().IsOpen());
    }
    void TearDown() override
    {
        if (m_wizard) m_wizard->close();
        StartedMainWindow::TearDown();
    }
    OpenRequest Classify(const std::string& argument) const
    {
        return ClassifyFileArgument(argument, m_window->Folders().modelsFolder, m_home.path());
    }

    QPointer<frmWizard> m_wizard;
};

TEST_F(OpenArgumentTest, LibraryOpensTheWizardAtItsFirstTabWithTheFileChosen)
{
    // Another tab is in front before the file arrives at an open wizard.
    const fs::path copy = m_home.path() / "Quill Copy.tlb";
    fs::copy_file(FindSampleLibrary(), copy);
    m_wizard = OpenRequested(*m_window, *m_hooks, Classify("Quill Copy.tlb"));
    ASSERT_TRUE(m_wizard);
    QApplication::processEvents();
    const WizardControls& ui = m_wizard->Controls();
    EXPECT_TRUE(m_wizard->isVisible());
    EXPECT_EQ(ui.tabWizard->currentIndex(), 0);
    EXPECT_EQ(ui.txtLibrary->text().toStdString(), copy.string());
    EXPECT_TRUE(ui.cmdMakeDat->isEnabled());  // the library was read and is fine
    EXPECT_EQ(m_wizard->Session().Prelim().result, PrelimResult::Fine);

    // A second file goes to the same wizard, with its resource number.
    ui.tabWizard->setCurrentIndex(1);
    frmWizard* again = OpenRequested(*m_window, *m_hooks, Classify(FindSampleLibrary().string() + "\\1"));
    EXPECT_EQ(again, m_wizard.data());
    EXPECT_EQ(ui.tabWizard->currentIndex(), 0);
    EXPECT_EQ(ui.txtLibrary->text().toStdString(), FindSampleLibrary().string());
    EXPECT_EQ(ui.txtResourceNumber->text().toStdString(), "1");
}

TEST_F(OpenArgumentTest, ModelKeyShowsThatModelAndAnythingElseIsToldLeavingTheModelsAsTheyWere)
{
    const std::string key = m_hooks->Browser()->Current().baseName;
    m_hooks->CloseModel();
    ASSERT_FALSE(m_hooks->Browser()->Current().IsOpen());
    EXPECT_EQ(OpenRequested(*m_window, *m_hooks, Classify(key)), nullptr);
    EXPECT_TRUE(m_hooks->Browser()->Current().IsOpen());
    EXPECT_EQ(m_hooks->Browser()->Current().baseName, key);
    EXPECT_GT(m_window->trvObjects()->model()->rowCount(), 0);

    const auto before = test::FolderNames(m_window->Folders().modelsFolder);
    const std::size_t asked = m_prompt.asked.size();
    EXPECT_EQ(OpenRequested(*m_window, *m_hooks, Classify("NoSuchModel")), nullptr);
    ASSERT_EQ(m_prompt.asked.size(), asked + 1);
    EXPECT_EQ(m_prompt.asked.back().text.rfind("Cannot open \"NoSuchModel\": there is no such file", 0), 0u);
    EXPECT_EQ(m_hooks->Browser()->Current().baseName, key);  // the shown model stays
    EXPECT_EQ(test::FolderNames(m_window->Folders().modelsFolder), before);
}

}  // namespace
}  // namespace arbolith
