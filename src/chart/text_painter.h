#pragma once

#include <string_view>

#include "chart/bitmap.h"

namespace tivka {

// The one thing the chart readers need from the toolkit: drawing a text on a
// bitmap with its top-left corner at (x, y) and a font size in points. The
// window implements it with QPainter; command-line tools pass a NullTextPainter.
class TextPainter {
public:
    virtual ~TextPainter() = default;
    virtual void drawText(Bitmap& target, int x, int y, int fontSize, std::string_view text) = 0;
};

class NullTextPainter final : public TextPainter {
public:
    void drawText(Bitmap&, int, int, int, std::string_view) override {}
};

}  // namespace tivka
