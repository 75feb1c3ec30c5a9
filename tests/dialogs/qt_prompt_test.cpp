// SPDX-License-Identifier: MIT
#include "dialogs/qt_prompt.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace arbolith {
namespace {

// Runs `act` on the dialog the prompt opens, once it is shown.
void OnDialog(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        act(dialog);
    });
}

TEST(QtPrompt, BoxesShowWhatIsAskedAndGiveTheAnswer)
{
    test::QtApp();
    QtPrompt prompt;
    OnDialog([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Delete the model?");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->windowTitle(), "Arbolith");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box->defaultButton()->click();
    });
    const PromptAnswer answer = prompt.Ask(
        PromptMessage{"Delete the model?", PromptIcon::Question, PromptButtons::YesNoCancel, PromptAnswer::No, {}});
    EXPECT_EQ(answer, PromptAnswer::No);

    OnDialog([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Retry)->click(); });
    EXPECT_EQ(prompt.Ask(PromptMessage{"Again?", PromptIcon::Exclamation, PromptButtons::RetryCancel,
                                       PromptAnswer::Cancel, "Wizard"}),
              PromptAnswer::Retry);

    // The input box gives the text, or nothing when cancelled.
    OnDialog([](QWidget* w) {
        auto* input = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->textValue(), "3");
        input->setTextValue("5");
        input->accept();
    });
    EXPECT_EQ(prompt.Input("Levels to expand:", "", "3"), std::optional<std::string>("5"));

    OnDialog([](QWidget* w) { qobject_cast<QInputDialog*>(w)->reject(); });
    EXPECT_EQ(prompt.Input("Levels to expand:", "", "3"), std::nullopt);
}

}  // namespace
}  // namespace arbolith
