#include "support/test_charts.h"

#include <cstdint>

namespace tivka::test {

namespace {

// Cell pixel (column 0-5, row 0-9) of character index 0-11 is ink.
bool inked(int cell, int column, int row)
{
    if (column > 4 || row < 1)
        return false;
    const bool lowDot = (row == 8 || row == 9) && (column == 1 || column == 2);
    if (cell == 10)
        return lowDot;
    if (cell == 11)
        return lowDot || ((row == 3 || row == 4) && (column == 1 || column == 2));
    if (row == 1)  // a distinct, never empty top row per digit
        return ((cell + 1) >> column) & 1;
    std::uint32_t h = std::uint32_t(cell * 131 + column * 17 + row * 7919) * 2654435761u;
    return (h >> 13) & 1;
}

int cellOf(char c)
{
    if (c == '.')
        return 10;
    if (c == ':')
        return 11;
    return c - '0';
}

void drawCellUpright(Bitmap& chart, int left, int top, int cell)
{
    for (int row = 0; row < 10; ++row)
        for (int column = 0; column < 6; ++column)
            chart.setPixel(left + column, top + row, inked(cell, column, row) ? colours::black : colours::white);
}

}  // namespace

Bitmap TestGlyphs()
{
    Bitmap glyphs(96, 10);
    for (int cell = 0; cell < 12; ++cell)
        drawCellUpright(glyphs, 8 * cell, 0, cell);
    return glyphs;
}

void DrawUpright(Bitmap& chart, int x, int firstInkRow, std::string_view text)
{
    for (char c : text) {
        drawCellUpright(chart, x, firstInkRow - 1, cellOf(c));
        x += 6;
    }
}

void DrawSide(Bitmap& chart, int x, std::string_view text)
{
    int bottom = 236;
    for (char c : text) {
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < 6; ++column)
                chart.setPixel(x - 1 + row, bottom - column,
                               inked(cellOf(c), column, row) ? colours::black : colours::white);
        bottom -= 6;
    }
}

void DrawBar(Bitmap& chart, int x, bool aboveAxis, const std::vector<Colour>& pixels)
{
    int y = aboveAxis ? 119 : 121;
    for (Colour c : pixels) {
        chart.setPixel(x, y, c);
        y += aboveAxis ? -1 : 1;
    }
}

std::vector<Colour> Pixels(int count, Colour colour)
{
    return std::vector<Colour>(std::size_t(count), colour);
}

std::vector<Colour> Join(std::vector<std::vector<Colour>> parts)
{
    std::vector<Colour> all;
    for (auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bitmap BasicChart(const std::string& price, const std::string& time)
{
    Bitmap chart(531, 256);
    DrawUpright(chart, 233, 32, price);
    DrawUpright(chart, 380, 7, time);
    DrawSide(chart, 100, "1.2500");
    DrawSide(chart, 150, "1.2600");
    return chart;
}

}  // namespace tivka::test
