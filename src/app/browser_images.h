// SPDX-License-Identifier: MIT
// Where the browser's image numbers become icons: the object tree's node
// images (browser::NodeImage) and the member panes' property and method
// images (browser::PropertyImage, browser::MethodImage). Every icon of the
// three trees comes through BrowserIcon, so the image set plugs in here.
#pragma once

#include <QIcon>

namespace arbolith {

enum class ImageList { Nodes, Properties, Methods };

// The icon of image `index` of `list`; a null icon while the program has
// no pictures for it (the trees then show the text alone).
QIcon BrowserIcon(ImageList list, int index);

}  // namespace arbolith
