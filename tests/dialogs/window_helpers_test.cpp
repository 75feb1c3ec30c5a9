// SPDX-License-Identifier: MIT
#include "dialogs/window_helpers.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

namespace arbolith {
namespace {

TEST(CenterForm, CentresOnTheScreenOrGoesToTheCornerWithoutOne)
{
    EXPECT_EQ(CenteredOnScreen({1920, 1080}, QSize(800, 600)), QPoint(560, 240));
    EXPECT_EQ(CenteredOnScreen({0, 1080}, QSize(800, 600)), QPoint(0, 0));
    EXPECT_EQ(CenteredOnScreen({1920, 0}, QSize(800, 600)), QPoint(0, 0));
    // Taller than the screen: the title bar stays reachable.
    EXPECT_EQ(CenteredOnScreen({1024, 768}, QSize(800, 900)), QPoint(112, 0));

    test::QtApp();
    QWidget window;
    window.move(300, 200);
    CenterForm(window, {0, 0});
    EXPECT_EQ(window.pos(), QPoint(0, 0));
}

TEST(ApplyFontSizes, SizesOutOfRangeBecomeEightAndReachEveryControl)
{
    EXPECT_EQ(CheckedFontSizes(FontSizes{4, 37, -1, 12}), (FontSizes{4, 8, 8, 12}));

    test::QtApp();
    QWidget form;
    QWidget status(&form);
    QTreeView objects(&form), props(&form), methods(&form);
    QLabel label("a", &form);
    FontSizes sizes{14, 0, 11, 9};
    ApplyFontSizes(sizes, FontTargets{&form, &status, &objects, &props, &methods});
    EXPECT_EQ(sizes, (FontSizes{14, 8, 11, 9}));  // the settings keep the checked values
    EXPECT_EQ(status.font().pointSize(), 14);
    EXPECT_EQ(objects.font().pointSize(), 11);
    EXPECT_EQ(methods.font().pointSize(), 9);
    EXPECT_EQ(label.font().pointSize(), 8);
}

TEST(FlashMessage, ShowsACentredBoldButtonWhileEventsKeepRunning)
{
    test::QtApp();
    QWidget window;
    window.resize(800, 400);
    auto* flash = new QPushButton("Flash", &window);
    flash->setObjectName("cmdFlash");
    flash->hide();
    window.show();

    bool shownDuringWait = false;
    bool eventRan = false;
    QTimer::singleShot(0, [&] {
        shownDuringWait = flash->isVisible();
        eventRan = true;
    });
    FlashMessage(window, "View saved", 0.05);  // ten characters

    EXPECT_TRUE(eventRan);
    EXPECT_TRUE(shownDuringWait);
    EXPECT_FALSE(flash->isVisible());
    EXPECT_EQ(flash->text(), "View saved");
    EXPECT_TRUE(flash->font().bold());
    EXPECT_EQ(flash->geometry().center().x(), window.rect().center().x());

    // A window without a flash button is left alone.
    QWidget plain;
    FlashMessage(plain, "nothing", 5.0);
}

}  // namespace
}  // namespace arbolith
