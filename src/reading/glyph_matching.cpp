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
    const int w = window.width();
    if (!templateCovers(glyphs, left, w, window.height()))
        return false;
    const Colour* win = window.pixels().data();
    const Colour* tpl = glyphs.pixels().data() + left;
    const std::size_t tplWidth = std::size_t(glyphs.width());
    for (int y = window.height() - 1; y >= 1; --y)
        for (int x = 0; x < w; ++x)
            if (!samePixel(win[std::size_t(y * w + x)], tpl[std::size_t(y) * tplWidth + std::size_t(x)]))
                return false;
    return true;
}

// Window (x, y) holds cell pixel (H-1-y, x): the glyph turned a quarter turn
// anticlockwise, read bottom to top.
bool sideCellMatches(const Bitmap& glyphs, const Bitmap& window, int cell)
{
    const int left = cell * kCellPitch;
    const int w = window.width();
    const int h = window.height();
    if (!templateCovers(glyphs, left, h - 1, w))
        return false;
    const Colour* win = window.pixels().data();
    const Colour* tpl = glyphs.pixels().data() + left;
    const std::size_t tplWidth = std::size_t(glyphs.width());
    for (int y = h - 1; y >= 1; --y)
        for (int x = 0; x < w; ++x)
            if (!samePixel(win[std::size_t(y * w + x)], tpl[std::size_t(x) * tplWidth + std::size_t(h - 1 - y)]))
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

// The plain pixel copy of a chart rectangle into a glyph window, row by row
// where the rectangle lies inside the chart.
void copyWindow(Bitmap& window, const Bitmap& chart, int sx, int sy)
{
    const int w = window.width();
    const int h = window.height();
    if (sx < 0 || sy < 0 || sx + w > chart.width() || sy + h > chart.height()) {
        window.copyFrom(chart, sx, sy);
        return;
    }
    const Colour* source = chart.pixels().data() + std::size_t(sy) * std::size_t(chart.width()) + std::size_t(sx);
    Colour* target = window.pixels().data();
    const std::size_t stride = std::size_t(chart.width());
    for (int y = 0; y < h; ++y, source += stride)
        for (int x = 0; x < w; ++x)
            *target++ = source[x];
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
        copyWindow(window, chart, x, y - 1);
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
        copyWindow(windows.side, chart, x - 1, y - 6);
        if (appendCellText(text, RecognizeSide(digits, windows.side), decimalSymbol))
            y -= 5;
    }
    return text;
}

}  // namespace tivka
