// SPDX-License-Identifier: MIT
#include "app/browser_images.h"

#include "browser/member_panes.h"
#include "browser/tree_builder.h"
#include "dialogs/image_set.h"

#include <string>

namespace arbolith {

QIcon BrowserIcon(ImageList list, int index)
{
    switch (list) {
        case ImageList::Nodes:
            return NodeIcon(browser::NodeImageKey(static_cast<browser::NodeImage>(index)));
        case ImageList::Properties:
            return PropertyIcon(browser::PropertyImageKey(index));
        case ImageList::Methods:
            return MethodIcon(browser::MethodImageKey(index));
    }
    return UnknownImageIcon();
}

}  // namespace arbolith
