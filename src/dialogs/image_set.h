// SPDX-License-Identifier: MIT
// The tree and member images as icons. The pictures are SVG files built into
// the program; each icon draws its file afresh for every size a view asks
// for (device pixels, so 200 % scaling stays sharp) and keeps what it drew.
// A key that names no image gives the "unknown" picture, never a null icon.
#pragma once

#include "browser/image_codes.h"

#include <QIcon>
#include <QImage>
#include <QString>

#include <string_view>

namespace arbolith {

QIcon NodeIcon(NodeImage image);
QIcon PropertyIcon(PropertyImage image);
QIcon MethodIcon(MethodImage image);

// By key: "OnColHid", "p132", "m03" ... (see image_codes.h).
QIcon NodeIcon(std::string_view key);
QIcon PropertyIcon(std::string_view key);
QIcon MethodIcon(std::string_view key);

// The model catalog's pictures: "ModelCat", "ModelCatClosed", "ModelCatGray"
// (categories), "ModelID", "ModelI", "ModelD" (models with both files, the
// INF file only, the DAT file only).
QIcon CatalogIcon(std::string_view key);

// The picture shown for a key that names no image.
QIcon UnknownImageIcon();

// The built-in file an image is drawn from, e.g. ":/images/node-object-help.svg".
QString NodeImageFile(NodeImage image);
QString PropertyImageFile(PropertyImage image);
QString MethodImageFile(MethodImage image);

// One file drawn at `pixels` x `pixels` device pixels on a transparent
// ground; a null image when the file is missing or is no readable SVG.
QImage RenderImageFile(const QString& file, int pixels);

}  // namespace arbolith
