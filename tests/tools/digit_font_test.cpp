#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "chart_server/chart_renderer.h"
#include "reading/digit_template.h"

namespace tivka::charts {
namespace {

const std::string kCellChars = "0123456789.:";

// Every property holds for both fonts.
class DigitFont : public ::testing::TestWithParam<ChartFont> {};

INSTANTIATE_TEST_SUITE_P(BothFonts, DigitFont, ::testing::Values(ChartFont::Block, ChartFont::Round));

TEST_P(DigitFont, TemplateLayout)
{
    const Bitmap cells = DigitTemplateBitmap(GetParam());
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
TEST_P(DigitFont, WindowsMatchOnlyAtCharacterStarts)
{
    const DigitTemplate digits(DigitTemplateBitmap(GetParam()));
    const std::string charsAndBlank = kCellChars + " ";
    for (char a : charsAndBlank)
        for (char b : charsAndBlank) {
            Bitmap line(30, 12), chart(20, 256);
            DrawUprightText(line, 6, 1, std::string{a, b}, GetParam());
            DrawSideLabel(chart, 5, std::string{a, b}, GetParam());
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

TEST_P(DigitFont, DrawnTextReadsBackAndOtherCharactersAreRefused)
{
    const DigitTemplate digits(DigitTemplateBitmap(GetParam()));
    for (const std::string text : {"1.2345", "149.50", "0.6600", "12:30", "12:30:45", "1234567890", "11:11"}) {
        Bitmap chart(kChartWidth, kChartHeight);
        DrawUprightText(chart, 233, 31, text, GetParam());
        EXPECT_EQ(ReadUprightText(digits, chart, {30, 41, 230, 300}, "."), text);
        if (text.size() <= 6) {
            Bitmap side(kChartWidth, kChartHeight);
            DrawSideLabel(side, 100, text, GetParam());
            EXPECT_EQ(ReadSideLabel(digits, side, 100, "."), text);
        }
    }
    Bitmap chart(kChartWidth, kChartHeight);
    EXPECT_THROW(DrawUprightText(chart, 0, 0, "1,25"), std::invalid_argument);
    EXPECT_THROW(DrawSideLabel(chart, 100, "-1"), std::invalid_argument);
}

// The round font is a font of its own: none of its glyphs reads with the
// block font's template, so a template made for one font never reads the other.
TEST(DigitFonts, TheRoundFontReadsOnlyWithItsOwnTemplate)
{
    const DigitTemplate block(DigitTemplateBitmap(ChartFont::Block));
    const Bitmap round = DigitTemplateBitmap(ChartFont::Round);
    for (int k = 0; k < 12; ++k) {
        Bitmap window(6, 10);
        window.copyFrom(round, 8 * k, 0);
        EXPECT_EQ(RecognizeUpright(block, window), -1) << kCellChars[std::size_t(k)];
    }
}

}  // namespace
}  // namespace tivka::charts
