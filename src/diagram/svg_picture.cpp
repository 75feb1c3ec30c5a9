// SPDX-License-Identifier: MIT
#include "diagram/svg_picture.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace arbolith::diagram {

Result<std::string> SvgToPng(std::string_view svg, double scale)
{
    QSvgRenderer renderer(QByteArray(svg.data(), static_cast<qsizetype>(svg.size())));
    if (!renderer.isValid()) return Error::Model("the diagram's SVG text cannot be read");
    const QSizeF size = renderer.viewBoxF().size();
    if (size.isEmpty()) return Error::Model("the diagram is empty");
    // A whole-model drawing can be metres wide; past these bounds the
    // picture takes seconds to draw and compress and reads no better.
    constexpr double kMaxSide = 8000, kMaxPixels = 24e6;
    scale = std::min({scale, kMaxSide / std::max(size.width(), size.height()),
                      std::sqrt(kMaxPixels / (size.width() * size.height()))});
    QImage image(static_cast<int>(std::ceil(size.width() * scale)), static_cast<int>(std::ceil(size.height() * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return Error::Model("no memory for a picture of the diagram");
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderer.render(&painter);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return Error::Model("the picture of the diagram could not be made into PNG");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace arbolith::diagram
