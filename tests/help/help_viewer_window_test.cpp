// SPDX-License-Identifier: MIT
// The help viewer and the Set Help File dialog, offscreen: pages and
// pictures read from the help file a topic came from, one viewer per main
// window, the split-mode place, and what the dialog writes to the INF file.
#include "help/help_viewer_window.h"
#include "help/help_file_window.h"
#include "platform/ini.h"
#include "platform/prompt.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace arbolith::help {
namespace {

std::string PngBytes()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A help file of a few entries; it remembers what was read from it.
class FakeDocument : public HelpDocument {
public:
    explicit FakeDocument(std::map<std::string, std::string> entries) : m_entries(std::move(entries)) {}
    std::string Name() const override { return "Quill.chm"; }
    Result<HelpTopic> Topic(const HelpId&) override { return Error::Model("no topics"); }
    Result<HelpTopic> DefaultTopic() override { return Error::Model("no topics"); }
    Result<std::string> ReadEntry(std::string_view path) override
    {
        reads.emplace_back(path);
        const auto it = m_entries.find(std::string(path));
        if (it == m_entries.end()) return Error::FileSystem(2, "no entry " + std::string(path));
        return it->second;
    }
    std::vector<std::string> reads;

private:
    std::map<std::string, std::string> m_entries;
};

bool Read(const FakeDocument& document, const std::string& path)
{
    return std::find(document.reads.begin(), document.reads.end(), path) != document.reads.end();
}

class HelpViewerTest : public ::testing::Test {
protected:
    HelpViewerTest() { test::QtApp(); }
};

TEST_F(HelpViewerTest, LinksAndPicturesOfATopicAreReadFromItsHelpFile)
{
    auto document = std::make_shared<FakeDocument>(std::map<std::string, std::string>{
        {"/html/other.htm", "<html><head><title>Other Page</title></head><body><p>Second page</p></body></html>"},
        {"/html/pic.png", PngBytes()},
        {"/third.htm", "<html><head><title>Third</title></head><body>Third page</body></html>"},
    });
    frmHelpViewer viewer;
    const HelpTopic topic{"Application Object",
                          "<html><head><title>Application Object</title></head><body>"
                          "<p>The application</p><img src=\"pic.png\"><a href=\"other.htm\">more</a></body></html>",
                          "", "/html/app.htm"};
    viewer.ShowTopic(document, topic);
    HelpBrowser& browser = *viewer.txtTopic();
    EXPECT_TRUE(browser.toPlainText().contains("The application"));
    EXPECT_EQ(viewer.windowTitle(), "Quill.chm - Application Object");
    // The picture beside the page, by its relative name (asked for when
    // the page is laid out).
    EXPECT_FALSE(browser.document()->resource(QTextDocument::ImageResource, QUrl("pic.png")).isNull());
    EXPECT_TRUE(Read(*document, "/html/pic.png"));

    // A relative link (followed from the keyboard), a link to the file's
    // own page the long way, a missing page: each is read from the file and
    // said in the viewer.
    for (const int key : {Qt::Key_Tab, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&browser, &press);
    }
    EXPECT_TRUE(browser.toPlainText().contains("Second page"));
    EXPECT_EQ(viewer.windowTitle(), "Quill.chm - Other Page");
    browser.setSource(QUrl("ms-its:Quill.chm::/third.htm"));
    EXPECT_TRUE(browser.toPlainText().contains("Third page"));
    browser.setSource(browser.source().resolved(QUrl("/html/gone.htm")));
    EXPECT_TRUE(browser.toPlainText().contains("not in the help file: /html/gone.htm"));

    // Back leads through the pages to the topic handed in.
    EXPECT_TRUE(viewer.cmdBack()->isEnabled());
    for (int i = 0; i < 3; ++i) viewer.cmdBack()->click();
    EXPECT_TRUE(browser.toPlainText().contains("The application"));
    EXPECT_FALSE(viewer.cmdBack()->isEnabled());
}

TEST_F(HelpViewerTest, APageOfAnotherHelpFileIsNeverTakenForTheSamePathOfTheLastOne)
{
    frmHelpViewer viewer;
    auto first = std::make_shared<FakeDocument>(std::map<std::string, std::string>{});
    auto second = std::make_shared<FakeDocument>(std::map<std::string, std::string>{});
    viewer.ShowTopic(first, {"T", "<p>first file</p>", "", "/index.htm"});
    viewer.ShowTopic(second, {"T", "<p>second file</p>", "", "/index.htm"});
    EXPECT_TRUE(viewer.txtTopic()->toPlainText().contains("second file"));
    // The history of the first file is gone with it.
    EXPECT_FALSE(viewer.cmdBack()->isEnabled());

    // WinHelp topics have no path: each gets its own page, also in the history.
    viewer.ShowTopic(second, {"One", "<p>topic one</p>", "", ""});
    viewer.ShowTopic(second, {"Two", "<p>topic two</p>", "", ""});
    EXPECT_EQ(viewer.windowTitle(), "Quill.chm - Two");
    viewer.cmdBack()->click();
    EXPECT_TRUE(viewer.txtTopic()->toPlainText().contains("topic one"));
}

TEST_F(HelpViewerTest, LocalPagesOpenAtTheirAnchor)
{
    test::TempDir dir;
    test::WriteBytes(dir / "wizard.html",
                     "<html><head><title>Create Model Wizard</title></head><body>"
                     "<h2 id=\"top\">Top</h2><p>top tab</p></body></html>");
    frmHelpViewer viewer;
    viewer.ShowFile(dir / "wizard.html", "top");
    EXPECT_EQ(viewer.txtTopic()->source().fragment(), "top");
    EXPECT_TRUE(viewer.txtTopic()->toPlainText().contains("top tab"));
    EXPECT_EQ(viewer.windowTitle(), "Create Model Wizard");
}

TEST_F(HelpViewerTest, OneViewerPerOwnerWindow)
{
    QWidget owner;
    bool isNew = false;
    EXPECT_EQ(ExistingHelpViewer(owner), nullptr);
    frmHelpViewer& first = HelpViewerOf(owner, &isNew);
    EXPECT_TRUE(isNew);
    frmHelpViewer& again = HelpViewerOf(owner, &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(ExistingHelpViewer(owner), &first);
    EXPECT_TRUE(first.isWindow());
}

TEST_F(HelpViewerTest, Placement)
{
    struct Case {
        QRect screen;
        int scaleFactor;
        QRect expected;
    };
    const Case split[] = {
        {{0, 0, 1920, 1080}, 50, {0, 540, 1920, 540}},
        {{1920, 0, 1280, 1024}, 30, {1920, 307, 1280, 717}},
        {{0, 0, 800, 600}, 90, {0, 540, 800, 60}},
    };
    for (const Case& c : split) EXPECT_EQ(SplitModePlacement(c.screen, c.scaleFactor), c.expected) << c.scaleFactor;

    // Beside the main window: inside the screen, about half as wide as the
    // window, at its right edge; a window partly off the screen keeps the
    // viewer on it.
    const QRect screen(0, 0, 1920, 1080);
    const QRect beside = BesideMainWindowPlacement({100, 100, 1200, 800}, screen);
    EXPECT_EQ(beside.right(), 1299);
    EXPECT_EQ(beside.width(), 600);
    EXPECT_TRUE(screen.contains(beside));
    EXPECT_TRUE(screen.contains(BesideMainWindowPlacement({1700, -50, 1200, 900}, screen)));
    EXPECT_TRUE(screen.contains(BesideMainWindowPlacement({}, screen)));
}

class HelpFileDialogTest : public ::testing::Test {
protected:
    HelpFileDialogTest() { test::QtApp(); }

    std::string Written() const { return GetIniString("Main", "HelpFile", "(none)", m_inf); }

    test::TempDir m_dir;
    std::filesystem::path m_inf = m_dir / "Quill.inf";
    ScriptedPrompt m_prompt;
};

TEST_F(HelpFileDialogTest, OkWritesTheTrimmedSettingAndCancelNothing)
{
    test::WriteBytes(m_inf, "[Main]\nHelpFile=Old.chm\nTopObject=Application\n");
    struct Case {
        const char* typed;
        const char* written;
        const char* inEffect;  // an empty setting means the library's own file
    };
    const Case cases[] = {
        {"  C:\\Help\\Quill.chm  ", "C:\\Help\\Quill.chm", "C:\\Help\\Quill.chm"},
        {"", "", "Quill.chm"},
        {"   ", "", "Quill.chm"},
        {"<DISABLE>", "<DISABLE>", "<DISABLE>"},
    };
    for (const Case& c : cases) {
        frmHelpFile dialog("Quill.chm", "Old.chm", m_inf, m_prompt);
        EXPECT_EQ(dialog.txtTL_Help()->text(), "Quill.chm");
        EXPECT_TRUE(dialog.txtTL_Help()->isReadOnly());
        EXPECT_EQ(dialog.txtNew()->text(), "Old.chm");
        dialog.txtNew()->setText(c.typed);
        dialog.cmdOK()->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.typed;
        EXPECT_EQ(Written(), c.written) << c.typed;
        ASSERT_TRUE(dialog.ChosenHelpFile()) << c.typed;
        EXPECT_EQ(*dialog.ChosenHelpFile(), c.inEffect) << c.typed;
    }
    EXPECT_TRUE(IsHelpDisabled("<DISABLE>"));
    EXPECT_TRUE(IsHelpDisabled(" <disable> "));
    EXPECT_FALSE(IsHelpDisabled("disable.chm"));
    // The other keys of the section stay.
    EXPECT_EQ(GetIniString("Main", "TopObject", "", m_inf), "Application");

    frmHelpFile dialog("Quill.chm", "<DISABLE>", m_inf, m_prompt);
    dialog.txtNew()->setText("Other.chm");
    dialog.cmdCancel()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.ChosenHelpFile());
    EXPECT_EQ(Written(), "<DISABLE>");
    EXPECT_TRUE(m_prompt.asked.empty());
}

TEST_F(HelpFileDialogTest, ASettingTheFileCannotKeepIsSaidAndNotTakenAsDone)
{
    // The model's folder is gone: nothing can be written.
    const auto inf = m_dir / "gone" / "Quill.inf";
    frmHelpFile dialog("Quill.chm", "Old.chm", inf, m_prompt);
    dialog.txtNew()->setText("New.chm");
    dialog.cmdOK()->click();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.ChosenHelpFile());
    EXPECT_EQ(m_prompt.asked.size(), 1u);
}

}  // namespace
}  // namespace arbolith::help
