// SPDX-License-Identifier: MIT
// The diagram window, offscreen: layout off the window's thread with stale
// results dropped, clicks on boxes, zoom, and export in each format.
#include "diagram/diagram_window.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSpinBox>

namespace arbolith::diagram {
namespace {

browser::ObjectRecord Object(std::int64_t key, std::string name)
{
    browser::ObjectRecord o;
    o.key = key;
    o.name = std::move(name);
    return o;
}

// A chain O0 -> O1 -> ... -> O29.
std::shared_ptr<const browser::ObjectModel> Chain()
{
    auto m = std::make_shared<browser::ObjectModel>();
    for (int i = 0; i < 30; ++i) m->objects.push_back(Object(i, "O" + std::to_string(i)));
    for (int i = 0; i + 1 < 30; ++i) m->edges.push_back({i, i + 1, "(< P:Next)"});
    m->Reindex();
    return m;
}

class DiagramWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::QtApp();
        m_window = std::make_unique<frmDiagram>(frmDiagram::Source{Chain(), "Chain", 10}, m_prompt);
        m_window->selectObject = [this](std::int32_t object) {
            m_selected.push_back(object);
            return std::string();
        };
        m_window->show();
        ASSERT_TRUE(m_window->WaitForLayout());
        ASSERT_NE(m_window->Shown(), nullptr) << m_window->StatusText().toStdString();
    }

    ScriptedPrompt m_prompt;
    std::unique_ptr<frmDiagram> m_window;
    std::vector<std::int32_t> m_selected;
};

TEST_F(DiagramWindow, TheNewestDepthWinsOverLayoutsStillRunning)
{
    EXPECT_EQ(m_window->ShownGraph()->nodes.size(), 5u);  // O8 .. O12
    for (int depth : {7, 1, 9, 3}) m_window->SetDepth(depth);
    EXPECT_EQ(m_window->StatusText(), "Laying out...");
    ASSERT_TRUE(m_window->WaitForLayout());
    EXPECT_EQ(m_window->ShownGraph()->depth, 3);
    EXPECT_EQ(m_window->ShownGraph()->nodes.size(), 7u);
    EXPECT_EQ(m_window->StatusText(), "7 objects, 6 edges. Click an object to select it in the tree.");
}

TEST_F(DiagramWindow, ClosingWhileALayoutRunsDropsItsResult)
{
    for (int i = 0; i < 5; ++i) {
        auto window = std::make_unique<frmDiagram>(frmDiagram::Source{Chain(), "Chain", 3}, m_prompt);
        window->SetWholeModel(true);
        EXPECT_TRUE(window->IsLayingOut());
        window.reset();
    }
    QApplication::processEvents();

    // A root the model does not have: a message in the window, nothing to export.
    frmDiagram bad(frmDiagram::Source{Chain(), "Chain", 99}, m_prompt);
    ASSERT_TRUE(bad.WaitForLayout());
    EXPECT_EQ(bad.Shown(), nullptr);
    EXPECT_TRUE(bad.StatusText().startsWith("The diagram could not be made")) << bad.StatusText().toStdString();
    test::TempDir dir;
    EXPECT_FALSE(bad.ExportTo(dir / "d.svg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "d.svg"));
}

TEST_F(DiagramWindow, AClickOnABoxSelectsItsObjectAndADragDoesNot)
{
    DiagramView& view = *m_window->View();
    view.resetTransform();
    const NodeBox box = m_window->Shown()->boxes.front();
    const QPoint at = view.mapFromScene(QPointF(box.left + box.width / 2, box.top + box.height / 2));
    const auto mouse = [&](QEvent::Type type, QPoint p) {
        QMouseEvent event(type, p, view.viewport()->mapToGlobal(p), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &event);
    };
    mouse(QEvent::MouseButtonPress, at);
    mouse(QEvent::MouseButtonRelease, at);
    EXPECT_EQ(m_selected, std::vector<std::int32_t>{box.object});
    mouse(QEvent::MouseButtonPress, at);
    mouse(QEvent::MouseButtonRelease, at + QPoint(40, 0));
    EXPECT_EQ(m_selected.size(), 1u);

    const double before = view.transform().m11();
    m_window->ZoomIn();
    EXPECT_GT(view.transform().m11(), before);
    for (int i = 0; i < 100; ++i) m_window->ZoomOut();
    EXPECT_GE(view.transform().m11(), 0.01);
}

TEST_F(DiagramWindow, ExportWritesEachFormatAndRefusesWhatItCannotWrite)
{
    test::TempDir dir;
    ASSERT_TRUE(m_window->ExportTo(dir / "d.svg"));
    ASSERT_TRUE(m_window->ExportTo(dir / "d.PNG"));
    ASSERT_TRUE(m_window->ExportTo(dir / "d.dot"));
    EXPECT_EQ(test::ReadBytes(dir / "d.svg"), m_window->Shown()->svg);
    EXPECT_EQ(test::ReadBytes(dir / "d.PNG").substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(test::ReadBytes(dir / "d.dot"), m_window->ShownDot());
    EXPECT_TRUE(m_prompt.asked.empty());

    test::WriteBytes(dir / "keep.txt", "mine");
    EXPECT_FALSE(m_window->ExportTo(dir / "keep.txt"));
    EXPECT_EQ(test::ReadBytes(dir / "keep.txt"), "mine");
    EXPECT_FALSE(m_window->ExportTo(dir / "no such folder" / "d.svg"));
    ASSERT_EQ(m_prompt.asked.size(), 2u);
    EXPECT_NE(m_prompt.asked[0].text.find(".svg, .png or .dot"), std::string::npos);
    EXPECT_NE(m_prompt.asked[1].text.find("could not be saved"), std::string::npos);

    // The file dialog's answer goes the same way; a cancel writes nothing.
    m_window->chooseExportFile = [&](QWidget*) { return std::optional(dir / "chosen.gv"); };
    m_window->Export();
    EXPECT_EQ(test::ReadBytes(dir / "chosen.gv"), m_window->ShownDot());
    m_window->chooseExportFile = [](QWidget*) { return std::optional<std::filesystem::path>(); };
    m_window->Export();
    EXPECT_EQ(m_prompt.asked.size(), 2u);
}

}  // namespace
}  // namespace arbolith::diagram
