#pragma once

// An independent, minimal copy of how the chart readers cut glyph windows and
// compare them with the template, used to check that the server's font and
// placement read back exactly. Kept apart from the reading code on purpose.

#include <string>

#include "acquisition/bitmap.h"

namespace tivka::test {

// Characters of the template cells, in cell order.
inline constexpr const char* kCellChars = "0123456789.:";

// First cell equal to the 6 x 10 window over cell columns 0-5, rows 1-9; -1 if none.
int matchUpright(const Bitmap& cells, const Bitmap& window);
// First cell equal to the 10 x 6 window; window (x, y) against cell column 5 - y,
// row x, for y 1 to 5; -1 if none.
int matchSide(const Bitmap& cells, const Bitmap& window);

// The upright line reader's walk over rows [y0, y1) and columns [x0, x1).
std::string walkUpright(const Bitmap& cells, const Bitmap& chart, int y0, int y1, int x0, int x1);
// The sideways label reader's walk at first inked column x.
std::string walkSide(const Bitmap& cells, const Bitmap& chart, int x);

}  // namespace tivka::test
