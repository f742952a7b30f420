#pragma once

#include <string>

#include "chart/bitmap.h"

namespace tivka::template_tool {

// The 12 cells of a template as text art, six blocks side by side per group:
// each block the cell's compared columns 0-5 and rows 0-9, '#' for ink and
// '.' for the background (the most frequent colour of the cells).
std::string TemplateArt(const Bitmap& cells);

}  // namespace tivka::template_tool
