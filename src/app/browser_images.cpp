// SPDX-License-Identifier: MIT
#include "app/browser_images.h"

#include "browser/member_panes.h"
#include "dialogs/image_set.h"

#include <string>

namespace arbolith {

QIcon BrowserIcon(ImageList list, int index)
{
    switch (list) {
        case ImageList::Nodes:
            if (index < 0 || index >= kNodeImageCount) return UnknownImageIcon();
            return NodeIcon(AllNodeImages()[static_cast<std::size_t>(index)]);
        case ImageList::Properties:
            return PropertyIcon(browser::PropertyImageKey(index));
        case ImageList::Methods:
            return MethodIcon(browser::MethodImageKey(index));
    }
    return UnknownImageIcon();
}

}  // namespace arbolith
