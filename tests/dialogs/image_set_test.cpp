// SPDX-License-Identifier: MIT
#include "dialogs/image_set.h"
#include "support/qt_application.h"

#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace arbolith {
namespace {

TEST(ImageCodes, KeysFollowTheMembersFieldsAndEveryKeyReadsBack)
{
    EXPECT_EQ(PropertyImageKey("1234", "H", "R"), "p111");
    EXPECT_EQ(PropertyImageKey("0", "N", "W"), "p000");  // help id "0" is no help
    EXPECT_EQ(PropertyImageKey("7", "h", "r"), "p132");  // other states and access fall in the last digit
    EXPECT_EQ(MethodImageKey("0", "?"), "m03");
    EXPECT_EQ(NodeImageKey(NodeImageFor("5", true, "h")), "OnColHid");
    EXPECT_EQ(NodeImageKey(NodeImageFor("0", false, "H", false)), "OffObj");

    // Views keep one icon per place; every image has its own key.
    std::set<std::string> keys;
    for (int i = 0; i < kNodeImageCount; ++i) {
        const NodeImage image = AllNodeImages()[static_cast<std::size_t>(i)];
        EXPECT_EQ(NodeImageIndex(image), i);
        keys.insert(NodeImageKey(image));
        EXPECT_EQ(ParseNodeImageKey(NodeImageKey(image)), image);
    }
    for (const auto& image : AllMethodImages()) {
        keys.insert(MethodImageKey(image));
        EXPECT_EQ(ParseMethodImageKey(MethodImageKey(image)), image);
    }
    for (const auto& image : AllPropertyImages()) {
        keys.insert(PropertyImageKey(image));
        EXPECT_EQ(ParsePropertyImageKey(PropertyImageKey(image)), image);
    }
    EXPECT_EQ(keys.size(), 40u);
    for (const char* bad : {"", "p", "p13", "p0000", "p142", "p133", "p200", "m14", "m20", "m0", "q00", "P000", "p-01",
                            "On", "OnObjHidden", "onobj", "OffCo", "OnHid"}) {
        EXPECT_FALSE(ParsePropertyImageKey(bad) || ParseMethodImageKey(bad) || ParseNodeImageKey(bad)) << bad;
    }
}

QImage Picture(const QIcon& icon, int pixels)
{
    return icon.pixmap(QSize(pixels, pixels), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool HasInk(const QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(picture.pixel(x, y)) > 128) return true;
    return false;
}

// Every image of the set, the unknown picture last.
std::vector<std::pair<std::string, QIcon>> AllIcons()
{
    std::vector<std::pair<std::string, QIcon>> all;
    for (const auto& image : AllNodeImages()) all.emplace_back(NodeImageKey(image), NodeIcon(image));
    for (const auto& image : AllMethodImages()) all.emplace_back(MethodImageKey(image), MethodIcon(image));
    for (const auto& image : AllPropertyImages()) all.emplace_back(PropertyImageKey(image), PropertyIcon(image));
    all.emplace_back("unknown", UnknownImageIcon());
    return all;
}

TEST(ImageSet, EveryImageDrawsAndNoTwoLookAlike)
{
    test::QtApp();
    const auto all = AllIcons();
    for (int pixels : {16, 32}) {
        std::vector<QImage> pictures;
        for (const auto& [key, icon] : all) {
            pictures.push_back(Picture(icon, pixels));
            EXPECT_EQ(pictures.back().size(), QSize(pixels, pixels)) << key;
            EXPECT_TRUE(HasInk(pictures.back())) << key << " at " << pixels;
        }
        for (size_t i = 0; i < pictures.size(); ++i)
            for (size_t j = i + 1; j < pictures.size(); ++j)
                EXPECT_NE(pictures[i], pictures[j]) << all[i].first << " and " << all[j].first << " at " << pixels;
    }
}

TEST(ImageSet, KeysThatNameNoImageShowTheUnknownPicture)
{
    test::QtApp();
    const QImage unknown = Picture(UnknownImageIcon(), 16);
    for (const char* bad : {"", "p999", "p13", "m4", "OnObjHidden", "\xff"}) {
        EXPECT_EQ(Picture(NodeIcon(bad), 16), unknown) << bad;
        EXPECT_EQ(Picture(PropertyIcon(bad), 16), unknown) << bad;
        EXPECT_EQ(Picture(MethodIcon(bad), 16), unknown) << bad;
    }
    EXPECT_EQ(Picture(PropertyIcon("p132"), 16),
              Picture(PropertyIcon(PropertyImage{true, MemberVisibility::Neither, PropertyAccess::ReadWrite}), 16));
    EXPECT_TRUE(RenderImageFile(":/images/no-such-image.svg", 16).isNull());
    EXPECT_TRUE(RenderImageFile(NodeImageFile({}), 0).isNull());
}

TEST(ImageSet, HighDensityScreensGetPicturesDrawnAtTheirOwnSize)
{
    test::QtApp();
    const QIcon icon = NodeIcon("OnCol");
    const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    // Drawn afresh at 32 pixels, not the 16-pixel picture blown up.
    EXPECT_EQ(sharp.toImage().convertToFormat(QImage::Format_ARGB32), Picture(icon, 32));
    EXPECT_NE(Picture(icon, 16).scaled(32, 32), Picture(icon, 32));
    EXPECT_EQ(Picture(icon, 20).size(), QSize(20, 20));

    // Views paint icons through QIcon::paint(); on a 2x surface that too must
    // be the 32-pixel drawing.
    QImage surface(32, 32, QImage::Format_ARGB32);
    surface.setDevicePixelRatio(2.0);
    surface.fill(Qt::transparent);
    QPainter painter(&surface);
    icon.paint(&painter, QRect(0, 0, 16, 16));
    painter.end();
    surface.setDevicePixelRatio(1.0);
    EXPECT_EQ(surface, Picture(icon, 32));
}

}  // namespace
}  // namespace arbolith
