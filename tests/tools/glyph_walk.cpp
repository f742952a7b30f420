#include "tools/glyph_walk.h"

namespace tivka::test {
namespace {

constexpr int kCells = 12;

Bitmap windowAt(const Bitmap& chart, int x, int y, int width, int height)
{
    Bitmap window(width, height);
    window.copyFrom(chart, x, y);
    return window;
}

bool blackInRow(const Bitmap& chart, int y, int x0, int x1)
{
    for (int x = x0; x < x1; ++x)
        if (chart.pixel(x, y) == colours::black)
            return true;
    return false;
}

}  // namespace

int matchUpright(const Bitmap& cells, const Bitmap& window)
{
    for (int k = 0; k < kCells; ++k) {
        bool same = true;
        for (int y = 9; y >= 1 && same; --y)
            for (int x = 0; x < 6 && same; ++x)
                same = window.pixel(x, y) == cells.pixel(8 * k + x, y);
        if (same)
            return k;
    }
    return -1;
}

int matchSide(const Bitmap& cells, const Bitmap& window)
{
    for (int k = 0; k < kCells; ++k) {
        bool same = true;
        for (int y = 5; y >= 1 && same; --y)
            for (int x = 0; x < 10 && same; ++x)
                same = window.pixel(x, y) == cells.pixel(8 * k + 5 - y, x);
        if (same)
            return k;
    }
    return -1;
}

std::string walkUpright(const Bitmap& cells, const Bitmap& chart, int y0, int y1, int x0, int x1)
{
    std::string text;
    for (int y = y0; y < y1;) {
        text.clear();
        if (blackInRow(chart, y, x0, x1)) {
            for (int x = x0; x < x1; ++x) {
                const int k = matchUpright(cells, windowAt(chart, x, y - 1, 6, 10));
                if (k >= 0) {
                    text += kCellChars[k];
                    x += 5;
                }
            }
        }
        y += text.empty() ? 1 : 10;
    }
    return text;
}

std::string walkSide(const Bitmap& cells, const Bitmap& chart, int x)
{
    std::string text;
    for (int y = 237; y > 195; --y) {
        const int k = matchSide(cells, windowAt(chart, x - 1, y - 6, 10, 6));
        if (k >= 0) {
            text += kCellChars[k];
            y -= 5;
        }
    }
    return text;
}

}  // namespace tivka::test
