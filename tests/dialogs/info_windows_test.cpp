// SPDX-License-Identifier: MIT
// The legend shows the images the views use, each the one for what its line
// explains; the About box shows the version this build was made as.
#include "dialogs/about_window.h"
#include "dialogs/image_set.h"
#include "dialogs/legend_window.h"
#include "support/qt_application.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <vector>

namespace arbolith {
namespace {

QImage Pixels(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(Legend, EachLineShowsTheViewsImageOfWhatItExplains)
{
    test::QtApp();
    using V = MemberVisibility;
    struct Line {
        const char* key;
        const char* text;
        QIcon expected;  // null: a blank line
    };
    const std::vector<Line> lines = {
        {"", "X over icon means object is hidden", NodeIcon("OnObjHid")},
        {"LObj", "Is Object", NodeIcon("OnObj")},
        {"LCol", "Is Collection", NodeIcon("OnCol")},
        {"", "", {}},
        {"LHelpOn", "Help Available", MethodIcon(MethodImage{true, V::Neither})},
        {"LHelpOff", "Help Not Available", MethodIcon(MethodImage{false, V::Neither})},
        {"", "", {}},
        {"LStateNB", "Nonbrowsable", MethodIcon(MethodImage{true, V::NonBrowsable})},
        {"LStateH", "Hidden", MethodIcon(MethodImage{true, V::Hidden})},
        {"LStateBoth", "Both", MethodIcon(MethodImage{true, V::Both})},
        {"LStateFree", "Neither", MethodIcon(MethodImage{true, V::Neither})},
        {"", "", {}},
        // The pencil alone for writing, the book alone for reading.
        {"LPencil", "Can Write Property", PropertyIcon(PropertyImage{true, V::Neither, PropertyAccess::WriteOnly})},
        {"LBook", "Can Read Property", PropertyIcon(PropertyImage{true, V::Neither, PropertyAccess::ReadOnly})},
    };
    frmLegend legend({1920, 1080});
    QTreeWidget& tree = *legend.trvLegend();
    ASSERT_EQ(tree.topLevelItemCount(), static_cast<int>(lines.size()));
    for (int row = 0; row < tree.topLevelItemCount(); ++row) {
        const Line& line = lines[static_cast<std::size_t>(row)];
        const QTreeWidgetItem& item = *tree.topLevelItem(row);
        SCOPED_TRACE(line.text);
        EXPECT_EQ(item.text(0), line.text);
        EXPECT_EQ(item.data(0, Qt::UserRole).toString(), line.key);
        EXPECT_EQ(item.childCount(), 0);
        if (line.expected.isNull())
            EXPECT_TRUE(item.icon(0).isNull());
        else {
            ASSERT_FALSE(Pixels(item.icon(0)).isNull());
            EXPECT_EQ(Pixels(item.icon(0)), Pixels(line.expected));
        }
    }
    // Lines that explain different things show different pictures.
    EXPECT_NE(Pixels(tree.topLevelItem(12)->icon(0)), Pixels(tree.topLevelItem(13)->icon(0)));
    EXPECT_NE(Pixels(tree.topLevelItem(4)->icon(0)), Pixels(tree.topLevelItem(5)->icon(0)));
}

TEST(Legend, StaysOnTopFillsItsWindowAndEscapeClosesIt)
{
    test::QtApp();
    QWidget main;
    auto* legend = new frmLegend({1920, 1080}, &main);
    EXPECT_TRUE(legend->isWindow());
    EXPECT_TRUE(legend->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(legend->windowTitle(), "Arb View - Legend");
    legend->show();
    legend->resize(500, 420);
    QApplication::processEvents();
    EXPECT_EQ(legend->trvLegend()->geometry(), legend->rect());

    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(legend->trvLegend(), &release);
    EXPECT_FALSE(legend->isVisible());
}

TEST(About, ShowsTheVersionTheBuildWasMadeAs)
{
    test::QtApp();
    const struct {
        const char* version;
        const char* line;
    } cases[] = {{"2.0.2", "Version 2.0.2"},
                 {"2.0", "Version 2.0.0"},
                 {"10.3.17", "Version 10.3.17"},
                 {"", "Version 0.0.0"},
                 {"1.x.4", "Version 1.0.4"}};
    for (const auto& c : cases) EXPECT_EQ(VersionLine(c.version), c.line) << c.version;

    EXPECT_EQ(BuildVersion(), ARBOLITH_TEST_VERSION);
    frmAbout about({1920, 1080});
    EXPECT_EQ(about.lblZVVersion()->text(), QString("Version ") + ARBOLITH_TEST_VERSION);
    EXPECT_EQ(about.lblTitle()->text(), "Arbolith");
}

}  // namespace
}  // namespace arbolith
