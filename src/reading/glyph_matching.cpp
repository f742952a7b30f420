// The two cell matchers and the two text readers built on them. Matching is an
// exact pixel comparison against the template: the compared template pixels
// of all 12 cells are laid out once in the order a window is walked, and a
// window is then checked cell by cell, first at one telling pixel, so that a
// window over background fails each cell at once.
#include <algorithm>
#include <string>

#include "reading/glyph_reader.h"

namespace tivka {

namespace {

constexpr int kCellPitch = 8;
constexpr int kCellCount = 12;
constexpr int kDecimalCell = 10;
constexpr int kColonCell = 11;

using Orientation = CellTable::Orientation;

// True when the template holds every compared pixel of the cell at `left`.
bool templateCovers(const Bitmap& glyphs, Orientation orientation, int left, int windowWidth, int windowHeight)
{
    if (orientation == Orientation::upright)
        return left + windowWidth <= glyphs.width() && windowHeight <= glyphs.height();
    return left + windowHeight - 1 <= glyphs.width() && windowWidth <= glyphs.height();
}

// Template pixel under window pixel (x, y) of the cell at `left`, which the
// template covers: upright (left + x, y); sideways (left + (H-1-y), x), the
// glyph turned a quarter turn anticlockwise and read bottom to top.
Colour templatePixel(const Bitmap& glyphs, Orientation orientation, int left, int x, int y, int windowHeight)
{
    const Colour* pixels = glyphs.pixels().data();
    const std::size_t width = std::size_t(glyphs.width());
    if (orientation == Orientation::upright)
        return pixels[std::size_t(y) * width + std::size_t(left + x)];
    return pixels[std::size_t(x) * width + std::size_t(left + windowHeight - 1 - y)];
}

int recognize(const DigitTemplate& digits, const Bitmap& window, Orientation orientation)
{
    const CellTable table(digits.glyphs(), orientation, window.width(), window.height());
    return table.match(window.pixels().data(), table.offsets(std::size_t(window.width())));
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
    if (y < 0 || y >= chart.height())
        return false;
    const Colour* row = chart.pixels().data() + std::size_t(y) * std::size_t(chart.width());
    for (int x = std::max(x0, 0); x < std::min(x1, chart.width()); ++x)
        if (row[x] == colours::black)
            return true;
    return false;
}

}  // namespace

CellTable::CellTable(const Bitmap& glyphs, Orientation orientation, int windowWidth, int windowHeight)
    : windowWidth_(windowWidth)
{
    for (int y = windowHeight - 1; y >= 1; --y)
        for (int x = 0; x < windowWidth; ++x)
            positions_.push_back(std::size_t(y) * std::size_t(windowWidth) + std::size_t(x));
    colours_.reserve(positions_.size() * kCellCount);
    for (int cell = 0; cell < kCellCount; ++cell)
        if (templateCovers(glyphs, orientation, cell * kCellPitch, windowWidth, windowHeight) &&
            addCell(glyphs, orientation, cell, windowHeight))
            ++cellCount_;
}

// A template pixel stored as colours::none would only equal a window pixel
// from outside the chart, which equals nothing: such a cell is left out.
bool CellTable::addCell(const Bitmap& glyphs, Orientation orientation, int index, int windowHeight)
{
    const std::size_t first = colours_.size();
    for (int y = windowHeight - 1; y >= 1; --y) {
        for (int x = 0; x < windowWidth_; ++x) {
            const Colour c = templatePixel(glyphs, orientation, index * kCellPitch, x, y, windowHeight);
            if (c == colours::none) {
                colours_.resize(first);
                return false;
            }
            colours_.push_back(c);
        }
    }
    std::size_t probe = 0;
    while (probe < positions_.size() && colours_[first + probe] == colours_[first])
        ++probe;
    cells_[cellCount_] = Cell{index, probe < positions_.size() ? probe : 0, first};
    return true;
}

std::vector<std::size_t> CellTable::offsets(std::size_t stride) const
{
    std::vector<std::size_t> result;
    result.reserve(positions_.size());
    for (const std::size_t at : positions_)
        result.push_back(at / std::size_t(windowWidth_) * stride + at % std::size_t(windowWidth_));
    return result;
}

bool CellTable::matches(const Cell& cell, const Colour* origin, const std::vector<std::size_t>& offsets) const
{
    const Colour* expected = colours_.data() + cell.first;
    const std::size_t count = offsets.size();
    if (count == 0)
        return true;
    if (origin[offsets[cell.probe]] != expected[cell.probe])
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (origin[offsets[i]] != expected[i])
            return false;
    return true;
}

int CellTable::match(const Colour* origin, const std::vector<std::size_t>& offsets) const
{
    for (std::size_t i = 0; i < cellCount_; ++i)
        if (matches(cells_[i], origin, offsets))
            return cells_[i].index;
    return -1;
}

int RecognizeUpright(const DigitTemplate& digits, const Bitmap& window)
{
    return recognize(digits, window, Orientation::upright);
}

int RecognizeSide(const DigitTemplate& digits, const Bitmap& window)
{
    return recognize(digits, window, Orientation::side);
}

GlyphReader::Window::Window(const Bitmap& glyphs, Orientation orientation, Bitmap& bitmap, const Bitmap& chart)
    : bitmap(bitmap),
      table(glyphs, orientation, bitmap.width(), bitmap.height()),
      inChart(table.offsets(std::size_t(chart.width()))),
      inBitmap(table.offsets(std::size_t(bitmap.width())))
{
}

int GlyphReader::Window::recognize(int x, int y, const Bitmap& chart)
{
    lastX = x;
    lastY = y;
    const bool inside = x >= 0 && y >= 0 && x + bitmap.width() <= chart.width() && y + bitmap.height() <= chart.height();
    pending = inside;
    if (!inside) {
        bitmap.copyFrom(chart, x, y);
        return table.match(bitmap.pixels().data(), inBitmap);
    }
    const std::size_t stride = std::size_t(chart.width());
    return table.match(chart.pixels().data() + std::size_t(y) * stride + std::size_t(x), inChart);
}

// Only windows inside the chart are pending, so the copy needs no checks.
void GlyphReader::Window::keepLast(const Bitmap& chart)
{
    if (!pending)
        return;
    pending = false;
    const std::size_t stride = std::size_t(chart.width());
    const Colour* source = chart.pixels().data() + std::size_t(lastY) * stride + std::size_t(lastX);
    Colour* target = bitmap.pixels().data();
    for (int y = 0; y < bitmap.height(); ++y, source += stride, target += bitmap.width())
        std::copy(source, source + bitmap.width(), target);
}

GlyphReader::GlyphReader(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart)
    : chart_(chart),
      upright_(digits.glyphs(), Orientation::upright, windows.upright, chart),
      side_(digits.glyphs(), Orientation::side, windows.side, chart)
{
}

std::string GlyphReader::readUprightRow(int y, int x0, int x1, const std::string& decimalSymbol)
{
    std::string text;
    if (!rowHasInk(chart_, y, x0, x1))
        return text;
    for (int x = x0; x < x1; ++x)
        if (appendCellText(text, upright_.recognize(x, y - 1, chart_), decimalSymbol))
            x += 5;
    return text;
}

// A row that yields text moves the search ten rows on; a later row replaces
// the text only when it yields text itself, so an empty row after the line
// (or a band ending below it) never loses what was read.
std::string GlyphReader::readUprightText(int y0, int y1, int x0, int x1, const std::string& decimalSymbol)
{
    std::string found;
    int y = y0;
    do {
        std::string line = readUprightRow(y, x0, x1, decimalSymbol);
        if (line.empty()) {
            y += 1;
        } else {
            found = std::move(line);
            y += 10;
        }
    } while (y < y1);
    upright_.keepLast(chart_);
    return found;
}

std::string GlyphReader::readSideLabel(int x, const std::string& decimalSymbol)
{
    std::string text;
    for (int y = 237; y > 195; --y)
        if (appendCellText(text, side_.recognize(x - 1, y - 6, chart_), decimalSymbol))
            y -= 5;
    side_.keepLast(chart_);
    return text;
}

std::string ReadUprightText(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart, int y0,
                            int y1, int x0, int x1, const std::string& decimalSymbol)
{
    return GlyphReader(digits, windows, chart).readUprightText(y0, y1, x0, x1, decimalSymbol);
}

std::string ReadSideLabel(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart, int x,
                          const std::string& decimalSymbol)
{
    return GlyphReader(digits, windows, chart).readSideLabel(x, decimalSymbol);
}

}  // namespace tivka
