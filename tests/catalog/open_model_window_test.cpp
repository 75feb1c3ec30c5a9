// SPDX-License-Identifier: MIT
#include "catalog/open_model_window.h"

#include "catalog_files.h"
#include "dialogs/image_set.h"
#include "reports/report_window.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace arbolith {
namespace {

struct FakeHost : OpenModelHost {
    std::string current;
    int cleared = 0;
    std::string CurrentModelKey() const override { return current; }
    void ClearModel() override
    {
        ++cleared;
        current.clear();
    }
};

class OpenModelWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::QtApp();
        test::MakeCatalogDat(dir / "Excel.DAT", "Excel library");
        test::MakeCatalogInf(dir / "Excel.INF", "Excel", "excel9.olb", "Category=Office");
        test::MakeCatalogInf(dir / "Word.INF", "Word", "msword9.olb", "Category=Office");
        test::MakeCatalogDat(dir / "Lone.DAT", "Lone library");
        // A category that is spelled like a model's key.
        test::MakeCatalogInf(dir / "Other.INF", "Other", "other.olb", "Category=Excel");
    }

    std::unique_ptr<frmOpenModel> Open()
    {
        return std::make_unique<frmOpenModel>(dir.path(), prompt, host, ScreenPixels{1920, 1080}, false);
    }

    bool SameIcon(const QIcon& a, std::string_view key) { return a.cacheKey() == CatalogIcon(key).cacheKey(); }

    test::TempDir dir;
    ScriptedPrompt prompt;
    FakeHost host;
};

TEST_F(OpenModelWindow, ClicksOpenCategoriesChooseWholeModelsAndExplainIncompleteOnes)
{
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Open Object Model");
    QTreeWidget& tree = *dialog->trvModels();
    ASSERT_EQ(tree.topLevelItemCount(), 3);
    QTreeWidgetItem* office = dialog->CategoryItem("Office");
    ASSERT_NE(office, nullptr);
    EXPECT_TRUE(SameIcon(office->icon(0), "ModelCatClosed"));
    dialog->NodeClicked(office);
    EXPECT_TRUE(office->isExpanded());
    EXPECT_TRUE(SameIcon(office->icon(0), "ModelCat"));
    EXPECT_EQ(office->child(0)->text(0), "Excel - excel9.olb");
    EXPECT_TRUE(SameIcon(dialog->ModelItem("Word")->icon(0), "ModelI"));
    EXPECT_TRUE(SameIcon(dialog->ModelItem("Lone")->icon(0), "ModelD"));

    // An incomplete model says what it lacks and leaves the dialog open.
    dialog->NodeClicked(dialog->ModelItem("Word"));
    dialog->NodeClicked(dialog->ModelItem("Lone"));
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_NE(prompt.asked[0].text.find("has no data file"), std::string::npos);
    EXPECT_NE(prompt.asked[1].text.find("has no information file"), std::string::npos);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    // Delete mode: a click only selects.
    dialog->chkDeleteMode()->setChecked(true);
    dialog->NodeClicked(dialog->ModelItem("Excel"));
    EXPECT_TRUE(dialog->ChosenKey().empty());
    dialog->chkDeleteMode()->setChecked(false);

    dialog->chkFlat()->setChecked(true);
    dialog->NodeClicked(dialog->ModelItem("Excel"));
    EXPECT_EQ(dialog->ChosenKey(), "Excel");
    EXPECT_TRUE(dialog->FlatChosen());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(OpenModelWindow, DeleteActsOnModelsOnlyAndClosesTheModelTheMainWindowShows)
{
    auto dialog = Open();
    dialog->NodeClicked(dialog->CategoryItem("Office"));
    // The category "Excel" names the model Excel's files, but it is no model.
    dialog->trvModels()->setCurrentItem(dialog->CategoryItem("Excel"));
    dialog->DeleteModel();
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "Excel.DAT"));

    host.current = "excel";
    prompt.answers = {PromptAnswer::Yes, PromptAnswer::No};
    dialog->trvModels()->setCurrentItem(dialog->ModelItem("Excel"));
    dialog->DeleteModel();
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dir / "Excel.DAT"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Excel.INF"));
    EXPECT_EQ(host.cleared, 1);
    // Refreshed: the model lost its DAT file; its category stays open.
    EXPECT_TRUE(SameIcon(dialog->ModelItem("Excel")->icon(0), "ModelI"));
    EXPECT_TRUE(dialog->CategoryItem("Office")->isExpanded());

    // Deleting another model leaves the main window's alone.
    host.current = "Word";
    prompt.answers = {PromptAnswer::Yes};
    dialog->trvModels()->setCurrentItem(dialog->ModelItem("Lone"));
    dialog->DeleteModel();
    EXPECT_EQ(dialog->ModelItem("Lone"), nullptr);
    EXPECT_EQ(host.cleared, 1);
}

TEST_F(OpenModelWindow, HelpAdviceEscapeAndAnEmptyFolder)
{
    auto dialog = Open();
    std::string caption, text;
    QTimer::singleShot(0, [&] {
        if (auto* report = dynamic_cast<frmReport*>(QApplication::activeModalWidget())) {
            caption = report->windowTitle().toStdString();
            text = report->txtReport()->toPlainText().toStdString();
            report->close();
        }
    });
    dialog->cmdHelp()->click();
    EXPECT_EQ(caption, "Open Model Help");
    EXPECT_EQ(text, catalog::HelpText());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8);

    dialog->cmdMoveModel()->click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, catalog::kChangeCategoryAdvice);
    EXPECT_EQ(test::FolderNames(dir.path()).size(), 5u);  // changed nothing

    dialog->show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dialog->trvModels(), &escape);
    EXPECT_FALSE(dialog->isVisible());

    test::TempDir empty;
    frmOpenModel none(empty.path(), prompt, host, ScreenPixels{1920, 1080}, false);
    EXPECT_EQ(none.trvModels()->topLevelItemCount(), 0);
    EXPECT_NE(none.lblInstruction()->text().indexOf("Create Model Wizard"), -1);
}

}  // namespace
}  // namespace arbolith
