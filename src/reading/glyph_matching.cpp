// The two cell matchers and the two text readers built on them. Matching is an
// exact pixel comparison against the template bitmap in place: nothing is
// copied or converted per call, and a cell fails at its first differing pixel.
#include <string>

#include "reading/digit_template.h"

namespace tivka {

namespace {

constexpr int kCellPitch = 8;
constexpr int kCellCount = 12;
constexpr int kDecimalCell = 10;
constexpr int kColonCell = 11;

// True when the template holds every pixel of the rectangle; a template pixel
// outside the bitmap matches nothing, so a cell reaching outside always fails.
bool templateCovers(const Bitmap& glyphs, int left, int width, int height)
{
    return left + width <= glyphs.width() && height <= glyphs.height();
}

// Window pixel against template pixel: equal 24-bit colours only; a window
// pixel from outside the chart (colours::none) equals nothing.
bool samePixel(Colour window, Colour glyph)
{
    return window == glyph && window != colours::none;
}

bool uprightCellMatches(const Bitmap& glyphs, const Bitmap& window, int cell)
{
    const int left = cell * kCellPitch;
    if (!templateCovers(glyphs, left, window.width(), window.height()))
        return false;
    for (int y = window.height() - 1; y >= 1; --y)
        for (int x = 0; x < window.width(); ++x)
            if (!samePixel(window.pixel(x, y), glyphs.pixel(left + x, y)))
                return false;
    return true;
}

// Window (x, y) holds cell pixel (H-1-y, x): the glyph turned a quarter turn
// anticlockwise, read bottom to top.
bool sideCellMatches(const Bitmap& glyphs, const Bitmap& window, int cell)
{
    const int left = cell * kCellPitch;
    const int h = window.height();
    if (!templateCovers(glyphs, left, h - 1, window.width()))
        return false;
    for (int y = h - 1; y >= 1; --y)
        for (int x = 0; x < window.width(); ++x)
            if (!samePixel(window.pixel(x, y), glyphs.pixel(left + (h - 1 - y), x)))
                return false;
    return true;
}

template <typename Matches>
int firstMatchingCell(const DigitTemplate& digits, const Bitmap& window, Matches matches)
{
    for (int cell = 0; cell < kCellCount; ++cell)
        if (matches(digits.glyphs(), window, cell))
            return cell;
    return -1;
}

// Appends the text a recognised cell stands for; -1 adds nothing.
bool appendCellText(std::string& text, int cell, const std::string& decimalSymbol)
{
    if (cell < 0 || cell >= kCellCount)
        return false;
    if (cell == kDecimalCell)
        text += decimalSymbol;
    else if (cell == kColonCell)
        text += ':';
    else
        text += char('0' + cell);
    return true;
}

bool rowHasInk(const Bitmap& chart, int y, int x0, int x1)
{
    for (int x = x0; x < x1; ++x)
        if (chart.pixel(x, y) == colours::black)
            return true;
    return false;
}

std::string readUprightRow(const DigitTemplate& digits, Bitmap& window, const Bitmap& chart, int y, int x0,
                           int x1, const std::string& decimalSymbol)
{
    std::string text;
    if (!rowHasInk(chart, y, x0, x1))
        return text;
    for (int x = x0; x < x1; ++x) {
        window.copyFrom(chart, x, y - 1);
        if (appendCellText(text, RecognizeUpright(digits, window), decimalSymbol))
            x += 5;
    }
    return text;
}

}  // namespace

int RecognizeUpright(const DigitTemplate& digits, const Bitmap& window)
{
    return firstMatchingCell(digits, window, uprightCellMatches);
}

int RecognizeSide(const DigitTemplate& digits, const Bitmap& window)
{
    return firstMatchingCell(digits, window, sideCellMatches);
}

// A row that yields text moves the search ten rows on; a later row replaces
// the text only when it yields text itself, so an empty row after the line
// (or a band ending below it) never loses what was read.
std::string ReadUprightText(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart, int y0,
                            int y1, int x0, int x1, const std::string& decimalSymbol)
{
    std::string found;
    int y = y0;
    do {
        std::string line = readUprightRow(digits, windows.upright, chart, y, x0, x1, decimalSymbol);
        if (line.empty()) {
            y += 1;
        } else {
            found = std::move(line);
            y += 10;
        }
    } while (y < y1);
    return found;
}

std::string ReadSideLabel(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart, int x,
                          const std::string& decimalSymbol)
{
    std::string text;
    for (int y = 237; y > 195; --y) {
        windows.side.copyFrom(chart, x - 1, y - 6);
        if (appendCellText(text, RecognizeSide(digits, windows.side), decimalSymbol))
            y -= 5;
    }
    return text;
}

}  // namespace tivka
