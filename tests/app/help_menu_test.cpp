// SPDX-License-Identifier: MIT
// Help through the main window on the sample model: F1 on the trees, the
// Help menu, AutoHelp and the Set Help File dialog. Help files are found
// and read by a stand-in that records what was asked of it.
#include "app/browser_hooks.h"
#include "app/help_commands.h"
#include "app/main_window.h"
#include "app/member_list_model.h"
#include "app/wizard_launch.h"
#include "browser/object_tree_model.h"
#include "help/help_file_window.h"
#include "help/help_viewer_window.h"
#include "platform/ini.h"
#include "store/dat_schema.h"
#include "support/started_main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <set>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace arbolith {
namespace {

// Every topic asked for is recorded and shown as "topic <context>".
class RecordingDocument : public help::HelpDocument {
public:
    explicit RecordingDocument(std::vector<std::uint32_t>& asked) : m_asked(asked) {}
    std::string Name() const override { return "Quill.chm"; }
    Result<help::HelpTopic> Topic(const help::HelpId& id) override
    {
        m_asked.push_back(id.context);
        if (id.context == 999) return Error::Model("no such context");
        const std::string title = "topic " + std::to_string(id.context);
        return help::HelpTopic{title, "<p>" + title + "</p>", title, ""};
    }
    Result<help::HelpTopic> DefaultTopic() override
    {
        return help::HelpTopic{"Contents", "<p>Quill contents</p>", "", "/index.htm"};
    }
    Result<std::string> ReadEntry(std::string_view) override { return Error::Model("none"); }

private:
    std::vector<std::uint32_t>& m_asked;
};

class HelpMenuTest : public test::StartedMainWindow {
protected:
    void SetUp() override
    {
        Start();
        ASSERT_TRUE(m_hooks->Browser()->Current().IsOpen());
        m_hooks->Help().access = HelpAccess{
            [this](std::string_view setting, const help::HelpPlaces& places) -> Result<std::filesystem::path> {
                m_located.emplace_back(setting);
                m_places = places;
                return std::filesystem::path("/help") / std::string(setting);
            },
            [this](const std::filesystem::path&) -> Result<std::unique_ptr<help::HelpDocument>> {
                ++m_opened;
                return std::unique_ptr<help::HelpDocument>(std::make_unique<RecordingDocument>(m_asked));
            }};
    }

    void PressF1(QTreeView& tree)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(&tree, &press);
    }
    // The child of the root labelled `name`.
    QModelIndex RootChild(const QString& name)
    {
        QTreeView& tree = *m_window->trvObjects();
        const QModelIndex root = tree.model()->index(0, 0);
        for (int row = 0; row < tree.model()->rowCount(root); ++row) {
            const QModelIndex child = tree.model()->index(row, 0, root);
            if (child.data().toString() == name) return child;
        }
        return {};
    }
    help::frmHelpViewer* Viewer() { return help::ExistingHelpViewer(*m_window); }
    std::vector<std::string> Told()
    {
        std::vector<std::string> texts;
        for (const PromptMessage& m : m_prompt.asked) texts.push_back(m.text);
        return texts;
    }
    void SetHelpFile(const QString& text)
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<help::frmHelpFile*>(QApplication::activeModalWidget());
            if (!dialog) return;
            opened = true;
            dialog->txtNew()->setText(text);
            dialog->cmdOK()->click();
        });
        m_window->MenuAction("mnuSetHelpFile")->trigger();
        QApplication::processEvents();
        ASSERT_TRUE(opened);
    }

    std::vector<std::string> m_located;
    help::HelpPlaces m_places;
    int m_opened = 0;
    std::vector<std::uint32_t> m_asked;
};

TEST_F(HelpMenuTest, F1AsksForTheTopicOfTheSelectedRecordNotOfItsRow)
{
    QTreeView& tree = *m_window->trvObjects();
    // Help contexts of the sample library's objects. The tree sorts
    // siblings by label, so rows and node records are in different orders;
    // with origins shown the labels and so the order change again.
    const std::pair<const char*, std::uint32_t> objects[] = {
        {"Documents", 200}, {"Windows", 600}, {"Document", 300}, {"Window", 700}};
    for (const bool origins : {false, true}) {
        if (origins) m_window->MenuAction("mnuShowOrigin")->trigger();
        for (const auto& [name, context] : objects) {
            QString label = name;
            if (origins) {
                // "Documents (Documents)": find the row whose label begins with the name.
                const QModelIndex root = tree.model()->index(0, 0);
                for (int row = 0; row < tree.model()->rowCount(root); ++row) {
                    const QString text = tree.model()->index(row, 0, root).data().toString();
                    if (text.section(u' ', 0, 0) == name) label = text;
                }
            }
            const QModelIndex index = RootChild(label);
            if (!index.isValid()) continue;  // not a child of the root in this model
            tree.setCurrentIndex(index);
            m_asked.clear();
            PressF1(tree);
            ASSERT_EQ(m_asked.size(), 1u) << name;
            EXPECT_EQ(m_asked[0], context) << name << (origins ? " with origins" : "");
        }
    }
    ASSERT_NE(Viewer(), nullptr);
    EXPECT_TRUE(Viewer()->isVisible());
    // The help file was found and opened once; the places came from the DAT file.
    EXPECT_EQ(m_opened, 1);
    ASSERT_FALSE(m_located.empty());
    EXPECT_EQ(m_located[0], "Quill.chm");
    EXPECT_NE(m_places.libraryFile.string().find("Quill.tlb"), std::string::npos);
    EXPECT_FALSE(m_places.libraryGuid.empty());
    EXPECT_TRUE(Told().empty());

    // A member's own help context; a context the file lacks is said in the viewer.
    QTreeView& props = *m_window->trvProps();
    tree.setCurrentIndex(tree.model()->index(0, 0));
    ASSERT_GT(props.model()->rowCount(), 0);
    props.setCurrentIndex(props.model()->index(0, 0));
    m_asked.clear();
    PressF1(props);
    ASSERT_EQ(m_asked.size(), 1u);
    EXPECT_GT(m_asked[0], 100u);
    EXPECT_LT(m_asked[0], 111u);
}

TEST_F(HelpMenuTest, DisabledHelpAndAnEmptySettingThatFallsBackToTheLibrarysFile)
{
    QTreeView& tree = *m_window->trvObjects();
    tree.setCurrentIndex(tree.model()->index(0, 0));
    const auto inf = m_hooks->Browser()->Current().infPath;

    SetHelpFile("<DISABLE>");
    EXPECT_EQ(GetIniString("Main", "HelpFile", "", inf), "<DISABLE>");
    PressF1(tree);
    EXPECT_EQ(Told(), std::vector<std::string>{"Help for this library is disabled by user."});
    EXPECT_TRUE(m_asked.empty());

    // Emptied: the library's own help file at once, not "no help file"
    // until the model is opened again.
    SetHelpFile("");
    EXPECT_EQ(GetIniString("Main", "HelpFile", "(none)", inf), "");
    PressF1(tree);
    EXPECT_EQ(m_asked, std::vector<std::uint32_t>{100});
    EXPECT_EQ(m_located.back(), "Quill.chm");

    // Another file by name is looked for as typed, trimmed.
    SetHelpFile("  Other.chm ");
    PressF1(tree);
    EXPECT_EQ(m_located.back(), "Other.chm");
    // A setting that names no help file asks for nothing and says nothing.
    SetHelpFile("notes.txt");
    m_asked.clear();
    PressF1(tree);
    EXPECT_TRUE(m_asked.empty());
    EXPECT_EQ(Told().size(), 1u);
}

TEST_F(HelpMenuTest, LibraryHelpFileOpensTheContentsOrSaysThereIsNone)
{
    m_window->MenuAction("mnuHelpFile")->trigger();
    ASSERT_NE(Viewer(), nullptr);
    EXPECT_TRUE(Viewer()->txtTopic()->toPlainText().contains("Quill contents"));
    EXPECT_EQ(Viewer()->windowTitle(), "Quill.chm - Contents");

    // A library that names no help file, and no setting of the model.
    {
        auto db = OpenDatFile(m_hooks->Browser()->Current().datPath);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->Execute("UPDATE Library SET TL_HelpFile = ''"));
    }
    m_hooks->OpenModel(*m_window, m_hooks->Browser()->Current().library, false);
    SetHelpFile("");
    m_window->MenuAction("mnuHelpFile")->trigger();
    EXPECT_EQ(Told(), std::vector<std::string>{"No help file is designated for this library."});
}

TEST_F(HelpMenuTest, AutoHelpFollowsTheSelectionInOneViewerUntilAnotherModelOpens)
{
    QTreeView& tree = *m_window->trvObjects();
    tree.setCurrentIndex(tree.model()->index(0, 0));
    tree.setFocus();
    QAction& autoHelp = *m_window->MenuAction("mnuAutoHelp");
    autoHelp.trigger();
    EXPECT_TRUE(m_window->ProgramSettings().autoHelp);
    EXPECT_TRUE(autoHelp.isChecked());
    EXPECT_EQ(m_window->MenuAction("mnuAutoHelpFlag")->text(), "(AutoHelpOn)");
    EXPECT_TRUE(m_window->ProgramSettings().splitMode);
    // Help for the focused tree's selection at once, below the window.
    EXPECT_EQ(m_asked, std::vector<std::uint32_t>{100});
    help::frmHelpViewer* viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    const QRect screen = m_window->screen()->geometry();
    EXPECT_EQ(viewer->geometry(), help::SplitModePlacement(screen, m_window->ProgramSettings().scaleFactor));

    // Every selection shows its topic in the same window.
    const QModelIndex root = tree.model()->index(0, 0);
    for (int row = 0; row < std::min(3, tree.model()->rowCount(root)); ++row)
        tree.setCurrentIndex(tree.model()->index(row, 0, root));
    EXPECT_GE(m_asked.size(), 3u);
    EXPECT_EQ(m_window->findChildren<QWidget*>("frmHelpViewer").size(), 1);
    EXPECT_TRUE(viewer->txtTopic()->toPlainText().startsWith("topic "));

    // Off: the viewer closes, split mode stays.
    autoHelp.trigger();
    EXPECT_FALSE(m_window->ProgramSettings().autoHelp);
    EXPECT_FALSE(m_window->MenuAction("mnuAutoHelpFlag")->isVisible());
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_TRUE(m_window->ProgramSettings().splitMode);

    // On again, then another model opens: AutoHelp goes off with its viewer.
    autoHelp.trigger();
    ASSERT_TRUE(viewer->isVisible());
    m_hooks->OpenModel(*m_window, m_hooks->Browser()->Current().library, false);
    EXPECT_FALSE(m_window->ProgramSettings().autoHelp);
    EXPECT_FALSE(autoHelp.isChecked());
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_TRUE(Told().empty());
}

TEST_F(HelpMenuTest, AutoHelpSavedOnStaysOnAtTheNextStartAndSpeaksOnce)
{
    SetHelpFile("<disable>");
    m_window->trvObjects()->setFocus();
    m_window->MenuAction("mnuAutoHelp")->trigger();
    ASSERT_EQ(Told().size(), 1u);
    m_window->close();

    m_prompt.asked.clear();
    Start();
    EXPECT_TRUE(m_window->ProgramSettings().autoHelp);
    EXPECT_TRUE(m_window->MenuAction("mnuAutoHelp")->isChecked());
    EXPECT_EQ(Told(), std::vector<std::string>{"Help for this library is disabled by user."});
}

TEST_F(HelpMenuTest, TheProgramsOwnHelpAndTheWizardsPagesOpenInTheViewer)
{
    m_window->MenuAction("mnuHelpDocumentation")->trigger();
    help::frmHelpViewer* viewer = Viewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->txtTopic()->source().path().endsWith("/index.html"));
    EXPECT_EQ(viewer->windowTitle(), "Arbolith Help");

    // Help for Create Model Wizard is context 1, the wizard's page; a
    // settings tab's context opens its part of that page.
    m_window->MenuAction("mnuWizardHelp")->trigger();
    EXPECT_TRUE(viewer->txtTopic()->source().path().endsWith("/wizard.html"));
    struct Case {
        int context;
        const char* anchor;
    };
    for (const Case& c : {Case{4, "tips"}, Case{7, "top"}, Case{12, "add-edge"}}) {
        ShowWizardHelp(*m_window, c.context);
        EXPECT_EQ(viewer->txtTopic()->source().fragment(), c.anchor) << c.context;
    }
    EXPECT_EQ(m_window->findChildren<QWidget*>("frmHelpViewer").size(), 1);
    EXPECT_TRUE(Told().empty());

    // A model the wizard makes leaves the wizard's help open; a library's
    // topic closes with its model.
    m_hooks->ShowMadeModel(m_hooks->Browser()->Current().baseName);
    EXPECT_TRUE(viewer->isVisible());
    m_window->MenuAction("mnuHelpFile")->trigger();
    ASSERT_TRUE(viewer->txtTopic()->toPlainText().contains("Quill contents"));
    m_hooks->ShowMadeModel(m_hooks->Browser()->Current().baseName);
    EXPECT_FALSE(viewer->isVisible());
}

TEST(OwnHelpPages, EveryWizardContextNamesAnAnchorOfThePage)
{
    const auto folder = FindOwnHelpFolder({}, {});
    ASSERT_FALSE(folder.empty());
    const std::string page = test::ReadBytes(folder / "wizard.html");
    for (const int context : {1, 4, 6, 7, 8, 9, 10, 11, 12}) {
        const OwnHelpPage target = WizardHelpPage(context);
        EXPECT_EQ(target.page, "wizard.html");
        if (!target.anchor.empty()) {
            EXPECT_NE(page.find("id=\"" + target.anchor + "\""), std::string::npos) << context;
        }
    }
    // The index links to pages that exist.
    const std::string index = test::ReadBytes(folder / "index.html");
    for (std::size_t at = index.find("href=\""); at != std::string::npos; at = index.find("href=\"", at + 1)) {
        std::string target = index.substr(at + 6, index.find('"', at + 6) - at - 6);
        target = target.substr(0, target.find('#'));
        if (!target.empty() && target.find(':') == std::string::npos) {
            EXPECT_TRUE(std::filesystem::exists(folder / target)) << target;
        }
    }
}

// The sample library names Quill.chm, which lies beside it: F1 and AutoHelp
// find the file and show the topic of each node and member, read from it.
class SampleHelpTest : public test::StartedMainWindow {
protected:
    void SetUp() override { Start(); }
};

TEST_F(SampleHelpTest, EveryNodeAndMemberShowsItsOwnTopicFromTheLibrarysHelpFile)
{
    QTreeView& tree = *m_window->trvObjects();
    tree.expandAll();
    tree.setCurrentIndex(tree.model()->index(0, 0));
    tree.setFocus();
    m_window->MenuAction("mnuAutoHelp")->trigger();
    help::frmHelpViewer* viewer = help::ExistingHelpViewer(*m_window);
    ASSERT_NE(viewer, nullptr);

    // Up to fifty nodes, each clicked in turn: a topic of the file every time.
    std::vector<QModelIndex> nodes;
    for (QModelIndex index = tree.model()->index(0, 0); index.isValid() && nodes.size() < 50;
         index = tree.indexBelow(index))
        nodes.push_back(index);
    std::set<QString> titles;
    for (const QModelIndex& index : nodes) {
        tree.setCurrentIndex(index);
        titles.insert(viewer->windowTitle());
        EXPECT_TRUE(viewer->windowTitle().startsWith("Quill.chm - ")) << viewer->windowTitle().toStdString();
    }
    EXPECT_GT(titles.size(), 5u);

    // F1 on members: the page is the member's own, titled by its name.
    int members = 0;
    for (QTreeView* pane : {m_window->trvProps(), m_window->trvMethods()}) {
        for (int row = 0; row < pane->model()->rowCount() && members < 10; ++row, ++members) {
            const QModelIndex index = pane->model()->index(row, 0);
            pane->setCurrentIndex(index);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
            QApplication::sendEvent(pane, &press);
            const auto* member = static_cast<const MemberListModel*>(pane->model())->Member(index);
            ASSERT_NE(member, nullptr);
            EXPECT_EQ(viewer->windowTitle().toStdString(), "Quill.chm - " + member->name);
        }
    }
    EXPECT_GT(members, 0);
    EXPECT_TRUE(m_prompt.asked.empty());
}

}  // namespace
}  // namespace arbolith
