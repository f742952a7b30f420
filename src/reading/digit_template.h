#pragma once

#include <string>

#include "acquisition/bitmap.h"

namespace tivka {

// The digit template: 12 glyph cells at a pitch of 8 pixels (digits 0-9, the
// decimal point, the colon), loaded once from "ndata.bmp" and never changed.
// A template smaller than 94 x 10 (or empty) simply lacks cells: template
// pixels outside the bitmap match nothing.
class DigitTemplate {
public:
    DigitTemplate() = default;
    explicit DigitTemplate(Bitmap glyphs) : glyphs_(std::move(glyphs)) {}

    // The size that holds all 12 cells.
    static constexpr int kMinTemplateWidth = 94;
    static constexpr int kMinTemplateHeight = 10;

    // Loads a Windows BMP file; throws std::runtime_error naming the file,
    // also when the file is smaller than kMinTemplateWidth x kMinTemplateHeight.
    static DigitTemplate load(const std::string& path);

    const Bitmap& glyphs() const { return glyphs_; }

private:
    Bitmap glyphs_;
};

// One set of glyph windows. Set 1 belongs to the on-screen readers, set 2 to
// the indicator reader, so that one never disturbs the other.
struct GlyphWindows {
    Bitmap upright{6, 10};  // UprightGlyph / UprightGlyph2
    Bitmap side{10, 6};     // SideGlyph / SideGlyph2
};

// Index of the first cell (0-11) the window equals over the compared area, or -1.
int RecognizeUpright(const DigitTemplate& digits, const Bitmap& window);
int RecognizeSide(const DigitTemplate& digits, const Bitmap& window);

// Text of the first upright line found in rows [y0, y1), columns [x0, x1).
std::string ReadUprightText(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart,
                            int y0, int y1, int x0, int x1, const std::string& decimalSymbol);

// Text of the sideways scale label whose first inked column is x.
std::string ReadSideLabel(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart, int x,
                          const std::string& decimalSymbol);

}  // namespace tivka
