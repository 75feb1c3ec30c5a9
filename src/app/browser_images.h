// SPDX-License-Identifier: MIT
// Where the browser's image numbers become icons: the object tree's node
// images (by NodeImageIndex) and the member panes' property and method
// images (browser::PropertyImage, browser::MethodImage), drawn from the
// program's image set by their keys ("OnObj", "p131", "m13").
#pragma once

#include <QIcon>

namespace arbolith {

enum class ImageList { Nodes, Properties, Methods };

// The icon of image `index` of `list`; the image set's "unknown" picture
// for an index it has no picture for.
QIcon BrowserIcon(ImageList list, int index);

}  // namespace arbolith
