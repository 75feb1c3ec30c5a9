// SPDX-License-Identifier: MIT
#include "app/browser_images.h"

namespace arbolith {

QIcon BrowserIcon(ImageList list, int index)
{
    (void)list, (void)index;
    return {};
}

}  // namespace arbolith
