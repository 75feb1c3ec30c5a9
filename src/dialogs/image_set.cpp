// SPDX-License-Identifier: MIT
#include "dialogs/image_set.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <algorithm>
#include <map>
#include <utility>

namespace arbolith {

namespace {

const QString kUnknownFile = QStringLiteral(":/images/unknown.svg");

QString FileOf(const QString& stem)
{
    return QStringLiteral(":/images/%1.svg").arg(stem);
}

QString HelpPart(bool help)
{
    return help ? QStringLiteral("-help") : QStringLiteral("-nohelp");
}

QString VisibilityPart(MemberVisibility visibility)
{
    switch (visibility) {
        case MemberVisibility::NonBrowsable:
            return QStringLiteral("-nonbrowsable");
        case MemberVisibility::Hidden:
            return QStringLiteral("-hidden");
        case MemberVisibility::Both:
            return QStringLiteral("-hidden-nonbrowsable");
        case MemberVisibility::Neither:
            break;
    }
    return {};
}

QString AccessPart(PropertyAccess access)
{
    switch (access) {
        case PropertyAccess::WriteOnly:
            return QStringLiteral("-writeonly");
        case PropertyAccess::ReadOnly:
            return QStringLiteral("-readonly");
        case PropertyAccess::ReadWrite:
            break;
    }
    return QStringLiteral("-readwrite");
}

// Draws one SVG file at whatever size is asked, caching each size it drew.
// Shared by every copy of the icon (QIcon shares its engine).
class SvgImageEngine final : public QIconEngine {
public:
    explicit SvgImageEngine(QString file) : m_file(std::move(file)) {}

    QIconEngine* clone() const override { return new SvgImageEngine(m_file); }
    QString key() const override { return QStringLiteral("arbolith-svg"); }
    bool isNull() override { return false; }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const int pixels = std::min(size.width(), size.height());
        if (pixels <= 0) return {};
        QPixmap& normal = m_cache[pixels];
        if (normal.isNull()) normal = QPixmap::fromImage(RenderImageFile(m_file, pixels));
        if (mode != QIcon::Disabled || !qApp) return normal;
        // The greyed look of a disabled view comes from the style, as for any icon.
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, normal, &option);
    }

    // Views paint through here: draw at the surface's device pixels. (QIcon::pixmap()
    // needs nothing more: it asks pixmap() for device pixels and sets the ratio.)
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int side = std::min(rect.width(), rect.height());
        QPixmap drawn = pixmap(QSize(side, side) * scale, mode, state);
        drawn.setDevicePixelRatio(scale);
        const QPoint corner = rect.topLeft() + QPoint((rect.width() - side) / 2, (rect.height() - side) / 2);
        painter->drawPixmap(QRect(corner, QSize(side, side)), drawn);
    }

private:
    QString m_file;
    std::map<int, QPixmap> m_cache;
};

// One icon per file for the program's lifetime; the views call these for
// every row they paint, so the lookup must be cheap. Never destroyed: the
// cached pixmaps must not outlive the application object.
QIcon IconForFile(const QString& file)
{
    static auto* icons = new QHash<QString, QIcon>;
    auto found = icons->find(file);
    if (found == icons->end()) {
        const QString shown = QSvgRenderer(file).isValid() ? file : kUnknownFile;
        found = icons->insert(file, QIcon(new SvgImageEngine(shown)));
    }
    return *found;
}

}  // namespace

QString NodeImageFile(NodeImage image)
{
    return FileOf((image.collection ? QStringLiteral("node-collection") : QStringLiteral("node-object")) +
                  HelpPart(image.help) + (image.hidden ? QStringLiteral("-hidden") : QString()));
}

QString PropertyImageFile(PropertyImage image)
{
    return FileOf(QStringLiteral("property") + AccessPart(image.access) + HelpPart(image.help) +
                  VisibilityPart(image.visibility));
}

QString MethodImageFile(MethodImage image)
{
    return FileOf(QStringLiteral("method") + HelpPart(image.help) + VisibilityPart(image.visibility));
}

QImage RenderImageFile(const QString& file, int pixels)
{
    QSvgRenderer renderer(file);
    if (!renderer.isValid() || pixels <= 0) return {};
    QImage picture(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    return picture;
}

QIcon NodeIcon(NodeImage image)
{
    return IconForFile(NodeImageFile(image));
}
QIcon PropertyIcon(PropertyImage image)
{
    return IconForFile(PropertyImageFile(image));
}
QIcon MethodIcon(MethodImage image)
{
    return IconForFile(MethodImageFile(image));
}
QIcon UnknownImageIcon()
{
    return IconForFile(kUnknownFile);
}

QIcon NodeIcon(std::string_view key)
{
    const auto image = ParseNodeImageKey(key);
    return image ? NodeIcon(*image) : UnknownImageIcon();
}
QIcon PropertyIcon(std::string_view key)
{
    const auto image = ParsePropertyImageKey(key);
    return image ? PropertyIcon(*image) : UnknownImageIcon();
}
QIcon MethodIcon(std::string_view key)
{
    const auto image = ParseMethodImageKey(key);
    return image ? MethodIcon(*image) : UnknownImageIcon();
}

QIcon CatalogIcon(std::string_view key)
{
    static constexpr std::pair<std::string_view, const char*> kFiles[] = {
        {"ModelCat", "model-category-open"},
        {"ModelCatClosed", "model-category-closed"},
        {"ModelCatGray", "model-category-empty"},
        {"ModelID", "model-both"},
        {"ModelI", "model-inf"},
        {"ModelD", "model-dat"},
    };
    for (const auto& [name, stem] : kFiles)
        if (name == key) return IconForFile(FileOf(QString::fromLatin1(stem)));
    return UnknownImageIcon();
}

}  // namespace arbolith
