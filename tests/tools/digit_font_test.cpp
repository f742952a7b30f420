#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "chart_server/chart_renderer.h"
#include "tools/glyph_walk.h"

namespace tivka::charts {
namespace {

using test::kCellChars;
using test::matchSide;
using test::matchUpright;

// Each character of the font and a blank, for the pair sweeps.
const std::string kCharsAndBlank = std::string(kCellChars) + " ";

int cellIndex(char c) { return int(std::string(kCellChars).find(c)); }

bool blackAt(const Bitmap& b, int x, int y) { return b.pixel(x, y) == colours::black; }

TEST(DigitFont, TemplateLayout)
{
    const Bitmap cells = DigitTemplateBitmap();
    ASSERT_EQ(cells.width(), 96);
    ASSERT_EQ(cells.height(), 10);
    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE(kCellChars[k]);
        bool anyInk = false;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 8; ++x) {
                const Colour c = cells.pixel(8 * k + x, y);
                ASSERT_TRUE(c == colours::black || c == colours::white);
                // Row 0 and the columns after the glyph are background.
                if (y == 0 || x >= 5) {
                    EXPECT_EQ(c, colours::white) << x << "," << y;
                }
                anyInk = anyInk || c == colours::black;
            }
        EXPECT_TRUE(anyInk);
        // A line's first inked row must be the top of its characters.
        if (kCellChars[k] != '.') {
            bool topInk = false;
            for (int x = 0; x < 5; ++x)
                topInk = topInk || blackAt(cells, 8 * k + x, 1);
            EXPECT_TRUE(topInk);
        }
    }
}

TEST(DigitFont, CellsAreDistinctInBothOrientations)
{
    const Bitmap cells = DigitTemplateBitmap();
    for (int k = 0; k < 12; ++k) {
        Bitmap upright(6, 10);
        upright.copyFrom(cells, 8 * k, 0);
        EXPECT_EQ(matchUpright(cells, upright), k) << kCellChars[k];
        Bitmap side(10, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                side.setPixel(x, y, cells.pixel(8 * k + 5 - y, x));
        EXPECT_EQ(matchSide(cells, side), k) << kCellChars[k];
    }
}

// Two characters (or blanks) side by side at the text pitch: the window at the
// first one's start reads it, every window starting in between reads nothing.
TEST(DigitFont, UprightWindowsMatchOnlyAtCharacterStarts)
{
    const Bitmap cells = DigitTemplateBitmap();
    for (char a : kCharsAndBlank)
        for (char b : kCharsAndBlank) {
            Bitmap line(30, 12);
            DrawUprightText(line, 6, 1, std::string{a, b});
            for (int offset = 0; offset < 6; ++offset) {
                Bitmap window(6, 10);
                window.copyFrom(line, 6 + offset, 0);
                const int expected = offset == 0 && a != ' ' ? cellIndex(a) : -1;
                EXPECT_EQ(matchUpright(cells, window), expected)
                    << "pair '" << a << b << "' offset " << offset;
            }
        }
}

TEST(DigitFont, SidewaysWindowsMatchOnlyAtCharacterStarts)
{
    const Bitmap cells = DigitTemplateBitmap();
    for (char a : kCharsAndBlank)
        for (char b : kCharsAndBlank) {
            Bitmap chart(20, 256);
            DrawSideLabel(chart, 5, std::string{a, b});
            for (int offset = 0; offset < 6; ++offset) {
                Bitmap window(10, 6);
                window.copyFrom(chart, 4, 237 - offset - 6);
                const int expected = offset == 0 && a != ' ' ? cellIndex(a) : -1;
                EXPECT_EQ(matchSide(cells, window), expected)
                    << "pair '" << a << b << "' offset " << offset;
            }
        }
}

TEST(DigitFont, DrawnTextReadsBack)
{
    const Bitmap cells = DigitTemplateBitmap();
    for (const std::string text : {"1.2345", "149.50", "0.6600", "12:30", "12:30:45", "1234567890"}) {
        Bitmap chart(kChartWidth, kChartHeight);
        DrawUprightText(chart, 233, 31, text);
        EXPECT_EQ(test::walkUpright(cells, chart, 30, 41, 230, 276 + 24), text);
        Bitmap side(kChartWidth, kChartHeight);
        DrawSideLabel(side, 100, text);
        if (text.size() <= 6) {
            EXPECT_EQ(test::walkSide(cells, side, 100), text);
        }
    }
}

TEST(DigitFont, RefusesCharactersOutsideTheFont)
{
    Bitmap chart(kChartWidth, kChartHeight);
    EXPECT_THROW(DrawUprightText(chart, 0, 0, "1,25"), std::invalid_argument);
    EXPECT_THROW(DrawSideLabel(chart, 100, "-1"), std::invalid_argument);
}

}  // namespace
}  // namespace tivka::charts
