#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "chart_server/chart_renderer.h"
#include "reading/digit_template.h"

namespace tivka::charts {
namespace {

const std::string kCellChars = "0123456789.:";

TEST(DigitFont, TemplateLayout)
{
    const Bitmap cells = DigitTemplateBitmap();
    ASSERT_EQ(cells.width(), 96);
    ASSERT_EQ(cells.height(), 10);
    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE(kCellChars[std::size_t(k)]);
        bool anyInk = false, topInk = false;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 8; ++x) {
                const Colour c = cells.pixel(8 * k + x, y);
                ASSERT_TRUE(c == colours::black || c == colours::white);
                if (y == 0 || x >= 5) {  // row 0 and the columns after the glyph are background
                    EXPECT_EQ(c, colours::white) << x << "," << y;
                }
                anyInk = anyInk || c == colours::black;
                topInk = topInk || (y == 1 && c == colours::black);
            }
        EXPECT_TRUE(anyInk);
        // A line's first inked row must be the top of its characters.
        EXPECT_TRUE(topInk || kCellChars[std::size_t(k)] == '.');
    }
}

// Two characters (or blanks) side by side at the text pitch, upright and
// sideways: the window at the first one's start reads it (so every cell is
// told apart from the cells before it), every window starting in between
// reads nothing.
TEST(DigitFont, WindowsMatchOnlyAtCharacterStarts)
{
    const DigitTemplate digits(DigitTemplateBitmap());
    const std::string charsAndBlank = kCellChars + " ";
    for (char a : charsAndBlank)
        for (char b : charsAndBlank) {
            Bitmap line(30, 12), chart(20, 256);
            DrawUprightText(line, 6, 1, std::string{a, b});
            DrawSideLabel(chart, 5, std::string{a, b});
            for (int offset = 0; offset < 6; ++offset) {
                Bitmap upright(6, 10), side(10, 6);
                upright.copyFrom(line, 6 + offset, 0);
                side.copyFrom(chart, 4, 237 - offset - 6);
                const int expected = offset == 0 && a != ' ' ? int(kCellChars.find(a)) : -1;
                EXPECT_EQ(RecognizeUpright(digits, upright), expected) << "pair '" << a << b << "' offset " << offset;
                EXPECT_EQ(RecognizeSide(digits, side), expected) << "pair '" << a << b << "' offset " << offset;
            }
        }
}

TEST(DigitFont, DrawnTextReadsBackAndOtherCharactersAreRefused)
{
    const DigitTemplate digits(DigitTemplateBitmap());
    for (const std::string text : {"1.2345", "149.50", "0.6600", "12:30", "12:30:45", "1234567890"}) {
        Bitmap chart(kChartWidth, kChartHeight);
        DrawUprightText(chart, 233, 31, text);
        EXPECT_EQ(ReadUprightText(digits, chart, {30, 41, 230, 300}, "."), text);
        if (text.size() <= 6) {
            Bitmap side(kChartWidth, kChartHeight);
            DrawSideLabel(side, 100, text);
            EXPECT_EQ(ReadSideLabel(digits, side, 100, "."), text);
        }
    }
    Bitmap chart(kChartWidth, kChartHeight);
    EXPECT_THROW(DrawUprightText(chart, 0, 0, "1,25"), std::invalid_argument);
    EXPECT_THROW(DrawSideLabel(chart, 100, "-1"), std::invalid_argument);
}

}  // namespace
}  // namespace tivka::charts
