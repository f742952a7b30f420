#pragma once

#include <string>

#include "chart/bitmap.h"
#include "chart/chart_geometry.h"

namespace tivka {

// The layout of the digit template "ndata.bmp": a row of 12 glyph cells at a
// pitch of 8 pixels (digits 0-9, the decimal point, the colon). Upright
// matching compares cell columns 0-5 and rows 1-9; sideways matching cell
// columns 0-4 and rows 0-9.
namespace glyphs {
constexpr int kCellCount = 12;
constexpr int kCellPitch = 8;
constexpr int kDecimalPointCell = 10;
constexpr int kColonCell = 11;
constexpr int kUprightWindowWidth = 6;
constexpr int kUprightWindowHeight = 10;
constexpr int kSideWindowWidth = 10;
constexpr int kSideWindowHeight = 6;
// The size that holds all 12 cells.
constexpr int kMinTemplateWidth = kCellPitch * (kCellCount - 1) + kUprightWindowWidth;  // 94
constexpr int kMinTemplateHeight = kUprightWindowHeight;                                 // 10
}  // namespace glyphs

// The digit template, loaded once and never changed. A template smaller than
// 94 x 10 (or empty) simply lacks cells: template pixels outside the bitmap
// match nothing.
class DigitTemplate {
public:
    DigitTemplate() = default;
    explicit DigitTemplate(Bitmap glyphs) : glyphs_(std::move(glyphs)) {}

    // Loads a Windows BMP file; throws std::runtime_error naming the file,
    // also when the file is smaller than 94 x 10.
    static DigitTemplate load(const std::string& path);

    const Bitmap& glyphs() const { return glyphs_; }
    bool empty() const { return glyphs_.empty(); }

private:
    Bitmap glyphs_;
};

// Index of the first cell (0-11) the window (6 x 10 upright, 10 x 6 for a
// character turned a quarter turn anticlockwise) equals over the compared
// area, or -1.
int RecognizeUpright(const DigitTemplate& digits, const Bitmap& window);
int RecognizeSide(const DigitTemplate& digits, const Bitmap& window);

// Text of the first upright line found in `band` of the chart: the first row
// of the band with black ink, read in windows of 6 x 10 whose top row is the
// row above it; a recognised character moves the scan 6 columns on, anything
// else 1. A row that yields text moves the search ten rows on; a later row
// replaces the text only when it yields text itself. The decimal point cell
// appends `decimalSymbol`.
std::string ReadUprightText(const DigitTemplate& digits, const Bitmap& chart, const geometry::TextBand& band,
                            const std::string& decimalSymbol);

// Text of the sideways scale label whose first inked column is x, read from
// its bottom upwards.
std::string ReadSideLabel(const DigitTemplate& digits, const Bitmap& chart, int x, const std::string& decimalSymbol);

}  // namespace tivka
