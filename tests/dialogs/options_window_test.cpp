// SPDX-License-Identifier: MIT
#include "dialogs/options_window.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace arbolith {
namespace {

TEST(OptionsValues, BoxTextReadsAsARoundedWideNumber)
{
    const std::pair<const char*, std::int64_t> cases[] = {
        {"12", 12},
        {" 12.5", 12},
        {"13.5", 14},
        {"-3", -3},
        {"7 pt", 7},
        {"", 0},
        {"abc", 0},
        {".", 0},
        {"1e3", 1000},
        {"99999", 99999},
        {"4294967304", 4294967304},
        {"1e400", 1'000'000'000'000'000},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(BoxNumber(text), value) << text;
}

TEST(OptionsValues, UpdateAppliesEachRuleAndKeepsTheRestWhenOneIsRefused)
{
    const OptionsState current{FontSizes{10, 10, 10, 10}, 450, 9, 40, true, false};
    OptionsBoxes boxes{"12", "3", "40", "99999", "95", "0", false, true};
    OptionsUpdate u = EvaluateOptions(boxes, current);
    // Sizes outside 4 to 36 (also one that would wrap into range in 16 bits) become 8.
    EXPECT_EQ(u.state.fonts, (FontSizes{12, 8, 8, 8}));
    EXPECT_TRUE(u.scaleRefused);
    EXPECT_EQ(u.state.scaleFactor, 40);
    EXPECT_EQ(u.state.defaultDepth, 6);
    EXPECT_TRUE(u.depthChanged);
    EXPECT_FALSE(u.state.compactDat);
    EXPECT_TRUE(u.state.openDlgAtTop);
    EXPECT_EQ(u.state.treeIndent, 450);

    boxes = OptionsBoxes{"", "36", "4", "65540", "", "101", true, false};
    u = EvaluateOptions(boxes, OptionsState{FontSizes{}, 400, 6, 50, true, false});
    EXPECT_EQ(u.state.fonts, (FontSizes{8, 36, 4, 8}));
    EXPECT_TRUE(u.scaleRefused);   // an empty box counts as 0
    EXPECT_FALSE(u.depthChanged);  // 101 becomes 6, which it was

    boxes.scaleFactor = "10";
    boxes.defaultDepth = "100";
    u = EvaluateOptions(boxes, OptionsState{});
    EXPECT_FALSE(u.scaleRefused);
    EXPECT_EQ(u.state.scaleFactor, 10);
    EXPECT_EQ(u.state.defaultDepth, 100);
}

struct FakeHost : OptionsHost {
    OptionsState state{FontSizes{9, 9, 9, 9}, 1300, 6, 50, true, false};
    std::vector<std::int16_t> indents;
    int applied = 0;
    OptionsState CurrentOptions() const override { return state; }
    void ApplyTreeIndent(std::int16_t indent) override
    {
        indents.push_back(indent);
        state.treeIndent = indent;
    }
    void ApplyOptions(const OptionsState& s) override
    {
        state = s;
        ++applied;
    }
};

TEST(OptionsWindow, IndentButtonsActAtOnceWithinTheirRangeAndCancelKeepsThem)
{
    test::QtApp();
    FakeHost host;
    ScriptedPrompt prompt;
    frmOptions window(host, prompt, {});
    EXPECT_EQ(window.txtIndent()->text(), "1300");
    for (int i = 0; i < 4; ++i) window.cmdIndentUp()->click();
    EXPECT_EQ(host.indents, (std::vector<std::int16_t>{1350, 1400, 1400, 1400}));
    for (int i = 0; i < 30; ++i) window.cmdIndentDown()->click();
    EXPECT_EQ(host.indents.back(), 200);
    EXPECT_EQ(window.txtIndent()->text(), "200");
    window.cmdCancel()->click();
    EXPECT_EQ(host.applied, 0);
    EXPECT_EQ(host.state.treeIndent, 200);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST(OptionsWindow, ApplyStoresWhatIsValidAndTellsWhatWasNot)
{
    test::QtApp();
    FakeHost host;
    ScriptedPrompt prompt;
    frmOptions window(host, prompt, {});
    // A size or scale box that gets the focus has its whole text selected.
    for (QLineEdit* box : {window.txtFontSizeLabel(), window.txtScaleFactor()}) {
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(box, &focus);
        QApplication::processEvents();
        EXPECT_EQ(box->selectedText(), box->text());
    }
    EXPECT_TRUE(window.chkCompactDAT()->isChecked());
    EXPECT_NE(window.chkCompactDAT()->text().indexOf("unless you get"), -1);
    EXPECT_EQ(window.lblDefault()->text(),
              "&Global Default Max Branch Count (1-100)\nNote: Reload library to see change.");

    window.txtFontSizeTree()->setText("14");
    window.txtScaleFactor()->setText("95");
    window.txtDefaultDepth()->setText("12");
    window.chkOpenDlgAtTop()->setChecked(true);
    window.cmdApply()->click();
    ASSERT_EQ(host.applied, 1);
    EXPECT_EQ(host.state.fonts, (FontSizes{9, 9, 14, 9}));
    EXPECT_EQ(host.state.scaleFactor, 50);
    EXPECT_EQ(host.state.defaultDepth, 12);
    EXPECT_TRUE(host.state.openDlgAtTop);
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, "Scale factor must be between 10 and 90. No change was made.");
    EXPECT_EQ(prompt.asked[1].text,
              "Changes to the global default branch count will not take effect until you load (or reload) a model.");
    EXPECT_EQ(prompt.asked[1].icon, PromptIcon::Information);

    // The same depth again is no change, so no message.
    window.txtScaleFactor()->setText("30");
    window.cmdOK()->click();
    EXPECT_EQ(host.applied, 2);
    EXPECT_EQ(host.state.scaleFactor, 30);
    EXPECT_EQ(prompt.asked.size(), 2u);
}

}  // namespace
}  // namespace arbolith
