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

using glyphs::kCellCount;
using glyphs::kCellPitch;

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
    if (cell == glyphs::kDecimalPointCell)
        text += decimalSymbol;
    else if (cell == glyphs::kColonCell)
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

GlyphReader::Window::Window(const Bitmap& glyphs, Orientation orientation, int width, int height,
                            const Bitmap& chart)
    : spare_(width, height),
      table_(glyphs, orientation, width, height),
      inChart_(table_.offsets(std::size_t(chart.width()))),
      inSpare_(table_.offsets(std::size_t(width)))
{
}

int GlyphReader::Window::recognize(int x, int y, const Bitmap& chart)
{
    const bool inside =
        x >= 0 && y >= 0 && x + spare_.width() <= chart.width() && y + spare_.height() <= chart.height();
    if (!inside) {
        spare_.copyFrom(chart, x, y);
        return table_.match(spare_.pixels().data(), inSpare_);
    }
    const std::size_t stride = std::size_t(chart.width());
    return table_.match(chart.pixels().data() + std::size_t(y) * stride + std::size_t(x), inChart_);
}

GlyphReader::GlyphReader(const DigitTemplate& digits, const Bitmap& chart)
    : chart_(chart),
      upright_(digits.glyphs(), Orientation::upright, glyphs::kUprightWindowWidth, glyphs::kUprightWindowHeight,
               chart),
      side_(digits.glyphs(), Orientation::side, glyphs::kSideWindowWidth, glyphs::kSideWindowHeight, chart)
{
}

std::string GlyphReader::readUprightRow(int y, int x0, int x1, const std::string& decimalSymbol)
{
    std::string text;
    if (!rowHasInk(chart_, y, x0, x1))
        return text;
    for (int x = x0; x < x1; ++x)
        if (appendCellText(text, upright_.recognize(x, y - 1, chart_), decimalSymbol))
            x += glyphs::kUprightWindowWidth - 1;
    return text;
}

// A row that yields text moves the search ten rows on; a later row replaces
// the text only when it yields text itself, so an empty row after the line
// (or a band ending below it) never loses what was read.
std::string GlyphReader::readUprightText(const geometry::TextBand& band, const std::string& decimalSymbol)
{
    std::string found;
    int y = band.firstRow;
    do {
        std::string line = readUprightRow(y, band.firstColumn, band.endColumn, decimalSymbol);
        if (line.empty()) {
            y += 1;
        } else {
            found = std::move(line);
            y += glyphs::kUprightWindowHeight;
        }
    } while (y < band.endRow);
    return found;
}

std::string GlyphReader::readSideLabel(int x, const std::string& decimalSymbol)
{
    std::string text;
    for (int y = geometry::kLabelBottomRow; y > geometry::kLabelTopLimit; --y)
        if (appendCellText(text, side_.recognize(x - 1, y - glyphs::kSideWindowHeight, chart_), decimalSymbol))
            y -= glyphs::kSideWindowHeight - 1;
    return text;
}

std::string ReadUprightText(const DigitTemplate& digits, const Bitmap& chart, const geometry::TextBand& band,
                            const std::string& decimalSymbol)
{
    return GlyphReader(digits, chart).readUprightText(band, decimalSymbol);
}

std::string ReadSideLabel(const DigitTemplate& digits, const Bitmap& chart, int x, const std::string& decimalSymbol)
{
    return GlyphReader(digits, chart).readSideLabel(x, decimalSymbol);
}

}  // namespace tivka
