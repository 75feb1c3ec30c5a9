// SPDX-License-Identifier: MIT
// The enum viewer on a table the test gives: what the panes show, the
// settings it reads and writes, and the Options menu's commands.
#include "enums/enums_window.h"
#include "platform/ini.h"
#include "reports/report_window.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <map>

namespace arbolith {
namespace {

using enums::ConstantMatch;
using enums::EnumConstant;

TEST(EnumFontSize, AnswersAndStoredSizes)
{
    const struct {
        std::optional<std::string> answer;
        std::optional<std::int16_t> size;
    } answers[] = {
        {std::nullopt, std::nullopt},  // Cancel changes nothing
        {"12.6", 13},
        {"12", 12},
        {" 20 points", 20},
        {"4", 4},
        {"36", 36},
        {"3", 10},
        {"37", 10},
        {"abc", 10},
        {"", 10},
        {"-8", 10},
        {"99999999999999999999999", 10},
    };
    for (const auto& a : answers) EXPECT_EQ(FontSizeFromAnswer(a.answer), a.size) << a.answer.value_or("<cancel>");
    EXPECT_EQ(CheckedEnumFontSize(3), 10);
    EXPECT_EQ(CheckedEnumFontSize(37), 10);
    EXPECT_EQ(CheckedEnumFontSize(4), 4);
}

// An enum table in memory; a failing read is switched on per test.
struct FakeTable {
    std::map<std::string, std::vector<EnumConstant>> enums;
    bool namesFail = false;
    bool constantsFail = false;

    EnumTable Table()
    {
        return EnumTable{
            [this]() -> Result<std::vector<std::string>> {
                if (namesFail) return Error::Database(1, "no such table");
                std::vector<std::string> names;
                for (const auto& [name, constants] : enums) names.push_back(name);
                return names;
            },
            [this](std::string_view name) -> Result<std::vector<EnumConstant>> {
                if (constantsFail) return Error::Database(1, "disk I/O error");
                return enums[std::string(name)];
            },
            [this](std::string_view text) -> Result<std::vector<ConstantMatch>> {
                if (text == "'") return Error::Database(1, "bad search");
                std::vector<ConstantMatch> found;
                for (const auto& [name, constants] : enums)
                    for (const EnumConstant& c : constants)
                        if (c.name.find(text) != std::string::npos) found.push_back({name, c});
                return found;
            },
        };
    }
};

class EnumsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::QtApp();
        m_table.enums = {{"Colour", {{"clRed", 1}, {"clGreen", 2}}}, {"Size", {{"szSmall", 0}}}};
    }

    std::unique_ptr<frmEnums> Open()
    {
        auto window = std::make_unique<frmEnums>(m_prompt, m_ini);
        window->SetFlashSeconds(0);
        EXPECT_TRUE(window->Load("Enums for Test", m_table.Table()));
        return window;
    }

    static void Focus(QWidget* pane)
    {
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(pane, &in);
    }

    // Runs `command` and hands the report window it opens to `use`.
    static bool WithReport(QAction* command, const std::function<void(frmReport&)>& use)
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* report = dynamic_cast<frmReport*>(QApplication::activeModalWidget());
            if (!report) return;
            opened = true;
            use(*report);
            report->close();
        });
        command->trigger();
        return opened;
    }

    test::TempDir m_dir;
    std::filesystem::path m_ini = m_dir / "ZV.INI";
    ScriptedPrompt m_prompt;
    FakeTable m_table;
};

TEST_F(EnumsWindowTest, ShowsEnumerationsAndTheFirstOnesConstants)
{
    auto window = Open();
    EXPECT_EQ(window->windowTitle(), "Enums for Test");
    ASSERT_EQ(window->trvEnums()->topLevelItemCount(), 2);
    EXPECT_EQ(window->trvEnums()->currentItem()->text(0), "Colour");
    EXPECT_EQ(window->lstConstants()->count(), 2);
    window->trvEnums()->setCurrentItem(window->trvEnums()->topLevelItem(1));
    EXPECT_EQ(window->lstConstants()->count(), 1);
    EXPECT_TRUE(m_prompt.asked.empty());
}

TEST_F(EnumsWindowTest, FailuresSayWhereTheyHappened)
{
    const struct {
        std::function<void(FakeTable&)> setUp;
        std::string message;
    } cases[] = {
        {[](FakeTable& t) { t.enums.clear(); }, "There are no enums for this object library."},
        {[](FakeTable& t) { t.namesFail = true; }, "Error displaying enums. no such table"},
        {[](FakeTable& t) { t.constantsFail = true; }, "Error displaying enum constants. disk I/O error"},
    };
    for (const auto& c : cases) {
        FakeTable table = m_table;
        c.setUp(table);
        m_prompt.asked.clear();
        frmEnums window(m_prompt, m_ini);
        EXPECT_TRUE(window.Load("Enums for Test", table.Table()));
        ASSERT_EQ(m_prompt.asked.size(), 1u) << c.message;
        EXPECT_EQ(m_prompt.asked[0].text, c.message);
        EXPECT_EQ(window.lstConstants()->count(), 0);
    }
}

TEST_F(EnumsWindowTest, MissingSpecialFileIsReportedAndNeverCreated)
{
    const std::filesystem::path special = m_dir / "Special.mdb";
    frmEnums window(m_prompt, m_ini);
    Result<enums::EnumSource> source = enums::EnumSource::OpenVba(special);
    ASSERT_FALSE(source);
    EXPECT_FALSE(window.Load("Enums for VB/VBA", source.error()));
    ASSERT_EQ(m_prompt.asked.size(), 1u);
    EXPECT_EQ(m_prompt.asked[0].text.rfind("Error loading enums form. ", 0), 0u) << m_prompt.asked[0].text;
    EXPECT_GT(m_prompt.asked[0].text.size(), std::string("Error loading enums form. ").size());
    EXPECT_FALSE(std::filesystem::exists(special));
    EXPECT_FALSE(std::filesystem::exists(m_ini));  // nothing read or written either
}

TEST_F(EnumsWindowTest, SettingsAreCheckedOnLoadAndTheSplitWrittenOnClose)
{
    ASSERT_TRUE(PutIniString("EnumForm", "TreeWidth", "200", m_ini));
    ASSERT_TRUE(PutIniString("EnumForm", "FontSize", "37", m_ini));
    auto window = Open();
    EXPECT_EQ(window->FontSize(), 10);
    EXPECT_EQ(window->lstConstants()->font().pointSize(), 10);
    EXPECT_EQ(window->SplitTwips(), 1000);
    window->MenuAction("mnuClose")->trigger();
    window->reject();
    EXPECT_EQ(GetIniString("EnumForm", "TreeWidth", "", m_ini), "1000");
    EXPECT_EQ(GetIniString("EnumForm", "FontSize", "", m_ini), "37");  // only a change writes it
}

TEST_F(EnumsWindowTest, FontSizeCancelChangesNothing)
{
    ASSERT_TRUE(PutIniString("EnumForm", "FontSize", "14", m_ini));
    auto window = Open();
    const struct {
        std::optional<std::string> answer;
        int size;
    } steps[] = {{std::nullopt, 14}, {"12.6", 13}, {"huge", 10}, {std::nullopt, 10}};
    for (const auto& s : steps) {
        m_prompt.inputs.push_back(s.answer);
        window->MenuAction("mnuFontSize")->trigger();
        EXPECT_EQ(window->FontSize(), s.size);
        EXPECT_EQ(window->trvEnums()->font().pointSize(), s.size);
        EXPECT_EQ(GetIniString("EnumForm", "FontSize", "", m_ini), std::to_string(s.size));
    }
}

TEST_F(EnumsWindowTest, CopyActsOnThePaneFocusedLast)
{
    auto window = Open();
    QClipboard* clipboard = QApplication::clipboard();
    QAction* copy = window->MenuAction("mnuCopyEnum");

    // The list focused with nothing selected: nothing copied, nothing flashed.
    clipboard->setText("before");
    window->lstConstants()->setCurrentItem(nullptr);
    window->lstConstants()->clearSelection();
    Focus(window->lstConstants());
    copy->trigger();
    EXPECT_EQ(clipboard->text(), "before");
    EXPECT_EQ(window->cmdFlash()->text(), "Flash");

    // A constant selected; the menu bar taking the focus keeps the list's turn.
    window->lstConstants()->setCurrentRow(1);
    Focus(window->cmdFlash());
    copy->trigger();
    const std::string item = window->lstConstants()->item(1)->text().toStdString();
    EXPECT_EQ(clipboard->text().toStdString(), enums::ConstantCopyText(item));
    EXPECT_EQ(window->cmdFlash()->text(), "Constant copied to clipboard");

    Focus(window->trvEnums());
    copy->trigger();
    std::vector<std::string> items;
    for (int i = 0; i < window->lstConstants()->count(); ++i)
        items.push_back(window->lstConstants()->item(i)->text().toStdString());
    EXPECT_EQ(clipboard->text().toStdString(), enums::EnumCopyText("Colour", items));
    EXPECT_EQ(window->cmdFlash()->text(), "Enum copied to clipboard");
}

TEST_F(EnumsWindowTest, FindConstantAndSelectCodeOpenTheReportWindow)
{
    auto window = Open();
    m_prompt.inputs = {std::string("cl")};
    EXPECT_TRUE(WithReport(window->MenuAction("mnuFindConstant"), [](frmReport& report) {
        EXPECT_EQ(report.windowTitle(), "Enums for cl");
        EXPECT_EQ(report.lstReport()->count(), 2);
    }));

    const struct {
        std::optional<std::string> answer;
        std::vector<std::string> messages;
    } quiet[] = {
        {std::nullopt, {}},
        {std::string(), {}},
        {std::string("zz"), {"No matches to zz"}},
        {std::string("'"), {"Error C7: bad search"}},
    };
    for (const auto& q : quiet) {
        m_prompt.asked.clear();
        m_prompt.inputs = {q.answer};
        window->MenuAction("mnuFindConstant")->trigger();
        std::vector<std::string> messages;
        for (const PromptMessage& m : m_prompt.asked) messages.push_back(m.text);
        EXPECT_EQ(messages, q.messages);
    }

    std::vector<std::string> items;
    for (int i = 0; i < window->lstConstants()->count(); ++i)
        items.push_back(window->lstConstants()->item(i)->text().toStdString());
    EXPECT_TRUE(WithReport(window->MenuAction("mnuCreateEnumSelect"), [&](frmReport& report) {
        EXPECT_EQ(report.Mode(), ReportMode::Code);
        EXPECT_EQ(report.txtReport()->toPlainText(),
                  QString::fromStdString(enums::EnumSelectCode("Colour", items)).remove('\r'));
    }));
}

TEST_F(EnumsWindowTest, EscapeClosesAndSavesTheSplit)
{
    auto window = Open();
    window->show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window->trvEnums(), &escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_GE(std::stoi(GetIniString("EnumForm", "TreeWidth", "0", m_ini)), 1000);
}

// The build's Special.mdb, read for real; skipped where the build has made
// none.
TEST_F(EnumsWindowTest, ReadsTheVbaEnumsOfSpecialMdb)
{
    const std::filesystem::path special = ARBOLITH_SPECIAL_FILE;
    if (!std::filesystem::exists(special)) GTEST_SKIP() << "no " << special;
    Result<enums::EnumSource> source = enums::EnumSource::OpenVba(special);
    ASSERT_TRUE(source) << source.error().description;
    frmEnums window(m_prompt, m_ini);
    window.SetFlashSeconds(0);
    ASSERT_TRUE(window.Load("Enums for VB/VBA", TableOf(std::move(*source))));
    EXPECT_TRUE(m_prompt.asked.empty());
    EXPECT_GT(window.trvEnums()->topLevelItemCount(), 1);
    ASSERT_GT(window.lstConstants()->count(), 0);
    EXPECT_TRUE(window.lstConstants()->item(0)->text().contains(" = "));

    window.lstConstants()->setCurrentRow(0);
    Focus(window.lstConstants());
    window.MenuAction("mnuCopyEnum")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "' " + window.lstConstants()->item(0)->text());

    m_prompt.inputs = {std::string("VB")};
    EXPECT_TRUE(WithReport(window.MenuAction("mnuFindConstant"), [](frmReport& report) {
        ASSERT_GT(report.lstReport()->count(), 0);
        EXPECT_TRUE(report.lstReport()->item(0)->text().contains("   [Enum: "));
    }));
    EXPECT_TRUE(m_prompt.asked.empty());
}

}  // namespace
}  // namespace arbolith
