// The chart server's own 5 x 9 bitmap fonts for the digits, the decimal point
// and the colon, and the two ways the charts print them (upright and sideways).
//
// The readers recognise text by exact comparison of fixed windows slid one
// pixel at a time, so the glyphs are shaped to make a misaligned window never
// equal a cell, and every digit and the colon has ink in its top row so that a
// line's first inked row is the top of its characters. In the block font every
// digit has ink in each of its five columns (the blank gap column then always
// lands on an inked column of the cell compared). The round font stands for a
// broker drawing its own way: rounder digits, a narrow "1" and thin points
// with blank first and last columns, so that a text's first inked column is
// not always where its first character starts.

#include <array>
#include <stdexcept>
#include <string>

#include "chart_server/chart_renderer.h"

namespace tivka::charts {
namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 9;
constexpr int kCellPitch = 8;
constexpr int kCellCount = 12;
constexpr int kTextPitch = 6;
constexpr int kLabelBottomRow = 236;

using Glyph = std::array<const char*, kGlyphHeight>;

// Cell order: digits 0-9, the decimal point, the colon. '#' is ink.
constexpr std::array<Glyph, kCellCount> kBlockGlyphs{{
    {".###.", "#...#", "#...#", "#..##", "#.#.#", "##..#", "#...#", "#...#", ".###."},
    {"..#..", ".##..", "#.#..", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"},
    {".###.", "#...#", "....#", "....#", "...#.", "..#..", ".#...", "#....", "#####"},
    {"#####", "....#", "...#.", "..##.", "....#", "....#", "....#", "#...#", ".###."},
    {"...#.", "..##.", ".#.#.", "#..#.", "#..#.", "#####", "...#.", "...#.", "...#."},
    {"#####", "#....", "#....", "####.", "....#", "....#", "....#", "#...#", ".###."},
    {"..##.", ".#...", "#....", "#....", "####.", "#...#", "#...#", "#...#", ".###."},
    {"#####", "....#", "....#", "...#.", "...#.", "..#..", "..#..", ".#...", ".#..."},
    {".###.", "#...#", "#...#", "#...#", ".###.", "#...#", "#...#", "#...#", ".###."},
    {".###.", "#...#", "#...#", "#...#", ".####", "....#", "....#", "...#.", ".##.."},
    {".....", ".....", ".....", ".....", ".....", ".....", ".....", ".##..", ".##.."},
    {".##..", ".##..", ".....", ".....", ".....", ".....", ".##..", ".##..", "....."},
}};

constexpr std::array<Glyph, kCellCount> kRoundGlyphs{{
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#....", "#....", "#####"},
    {".###.", "#...#", "....#", "....#", "..##.", "....#", "....#", "#...#", ".###."},
    {"#..#.", "#..#.", "#..#.", "#..#.", "#####", "...#.", "...#.", "...#.", "...#."},
    {"#####", "#....", "#....", "#.##.", "##..#", "....#", "....#", "#...#", ".###."},
    {".###.", "#...#", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#", ".###."},
    {"#####", "#...#", "....#", "...#.", "..#..", "..#..", "..#..", "..#..", "..#.."},
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", "#...#", "#...#", ".###."},
    {".###.", "#...#", "#...#", "#...#", ".####", "....#", "....#", "#...#", ".###."},
    {".....", ".....", ".....", ".....", ".....", ".....", ".....", "..#..", "..#.."},
    {"..#..", "..#..", ".....", ".....", ".....", ".....", "..#..", "..#..", "....."},
}};

// The cell of a character, or -1 for a blank (which only advances).
int cellOf(char c)
{
    if (c == ' ')
        return -1;
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c == '.')
        return 10;
    if (c == ':')
        return 11;
    throw std::invalid_argument(std::string("the chart font has no glyph for '") + c + "'");
}

// Ink at glyph column gx (0-4), glyph row gy (0-8) of a cell.
bool inked(ChartFont font, int cell, int gx, int gy)
{
    const auto& glyphs = font == ChartFont::Round ? kRoundGlyphs : kBlockGlyphs;
    return glyphs[std::size_t(cell)][std::size_t(gy)][gx] == '#';
}

}  // namespace

Bitmap DigitTemplateBitmap(ChartFont font)
{
    Bitmap cells(kCellPitch * kCellCount, kGlyphHeight + 1, colours::white);
    for (int cell = 0; cell < kCellCount; ++cell)
        for (int gy = 0; gy < kGlyphHeight; ++gy)
            for (int gx = 0; gx < kGlyphWidth; ++gx)
                if (inked(font, cell, gx, gy))
                    cells.setPixel(kCellPitch * cell + gx, gy + 1, colours::black);
    return cells;
}

void DrawUprightText(Bitmap& chart, int x, int firstInkRow, std::string_view text, ChartFont font)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int cell = cellOf(text[i]);
        if (cell < 0)
            continue;
        const int left = x + kTextPitch * int(i);
        for (int gy = 0; gy < kGlyphHeight; ++gy)
            for (int gx = 0; gx < kGlyphWidth; ++gx)
                if (inked(font, cell, gx, gy))
                    chart.setPixel(left + gx, firstInkRow + gy, colours::black);
    }
}

// Turned a quarter anticlockwise: a glyph's top faces left and the text runs
// upwards from row 236. Glyph column gx of character j lands on row
// 236 - 6j - gx, glyph row gy (cell row gy + 1) on column x + gy.
void DrawSideLabel(Bitmap& chart, int x, std::string_view text, ChartFont font)
{
    for (std::size_t j = 0; j < text.size(); ++j) {
        const int cell = cellOf(text[j]);
        if (cell < 0)
            continue;
        const int bottom = kLabelBottomRow - kTextPitch * int(j);
        for (int gy = 0; gy < kGlyphHeight; ++gy)
            for (int gx = 0; gx < kGlyphWidth; ++gx)
                if (inked(font, cell, gx, gy))
                    chart.setPixel(x + gy, bottom - gx, colours::black);
    }
}

}  // namespace tivka::charts
