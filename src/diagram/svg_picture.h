// SPDX-License-Identifier: MIT
// A drawn diagram (SVG text) turned into PNG bytes with Qt's SVG renderer.
// Needs a QGuiApplication (text is drawn with the system's fonts).
#pragma once

#include "platform/result.h"

#include <string>
#include <string_view>

namespace arbolith::diagram {

// The picture at `scale` pixels per point, on white. The scale is lowered
// for a large drawing, to keep the longer side within 8,000 pixels and the
// whole within 24 million.
Result<std::string> SvgToPng(std::string_view svg, double scale = 2.0);

}  // namespace arbolith::diagram
