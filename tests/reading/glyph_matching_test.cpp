#include <gtest/gtest.h>

#include "reading/digit_template.h"
#include "support/test_charts.h"

namespace tivka {
namespace {

using test::DrawSide;
using test::DrawUpright;
using test::TestGlyphs;

Bitmap copyOf(const Bitmap& chart, int x, int y, int width, int height)
{
    Bitmap window(width, height);
    window.copyFrom(chart, x, y);
    return window;
}

Bitmap uprightWindowOfCell(const Bitmap& glyphs, int cell)
{
    return copyOf(glyphs, 8 * cell, 0, 6, 10);
}

// The cell as it appears on a chart turned on its side.
Bitmap sideWindowOfCell(const Bitmap& glyphs, int cell)
{
    Bitmap window(10, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            window.setPixel(x, y, glyphs.pixel(8 * cell + (5 - y), x));
    return window;
}

TEST(GlyphMatching, EveryCellIsRecognisedInBothOrientations)
{
    const DigitTemplate digits(TestGlyphs());
    for (int cell = 0; cell < 12; ++cell) {
        EXPECT_EQ(RecognizeUpright(digits, uprightWindowOfCell(digits.glyphs(), cell)), cell);
        EXPECT_EQ(RecognizeSide(digits, sideWindowOfCell(digits.glyphs(), cell)), cell);
    }
    EXPECT_EQ(RecognizeUpright(digits, Bitmap(6, 10)), -1);
    EXPECT_EQ(RecognizeSide(digits, Bitmap(10, 6)), -1);
}

TEST(GlyphMatching, EveryPixelButRowZeroIsComparedExactly)
{
    const DigitTemplate digits(TestGlyphs());
    Bitmap rowZero = uprightWindowOfCell(digits.glyphs(), 7);
    for (int x = 0; x < 6; ++x)
        rowZero.setPixel(x, 0, rgb(1, 2, 3));
    EXPECT_EQ(RecognizeUpright(digits, rowZero), 7);
    for (auto [x, y] : {std::pair{0, 1}, {5, 1}, {2, 5}, {0, 9}, {5, 9}}) {
        Bitmap window = uprightWindowOfCell(digits.glyphs(), 7);
        const Colour c = window.pixel(x, y);
        window.setPixel(x, y, c == colours::black ? rgb(0, 0, 1) : rgb(255, 255, 254));
        EXPECT_EQ(RecognizeUpright(digits, window), -1) << x << "," << y;
    }
}

TEST(GlyphMatching, SidewaysComparesCellRowNineButNotCellColumnFive)
{
    Bitmap glyphs = TestGlyphs();
    const Bitmap window = sideWindowOfCell(glyphs, 3);
    Bitmap changed = window;
    changed.setPixel(9, 2, changed.pixel(9, 2) == colours::black ? colours::white : colours::black);
    EXPECT_EQ(RecognizeSide(DigitTemplate(glyphs), changed), -1);

    // Cell column 5 (the gap after an upright character) only matters upright.
    for (int y = 0; y < 10; ++y)
        glyphs.setPixel(8 * 3 + 5, y, colours::black);
    const DigitTemplate altered(glyphs);
    EXPECT_EQ(RecognizeSide(altered, window), 3);
    EXPECT_EQ(RecognizeUpright(altered, uprightWindowOfCell(TestGlyphs(), 3)), -1);
}

TEST(GlyphMatching, LowestOfIdenticalCellsWins)
{
    Bitmap glyphs = TestGlyphs();
    glyphs.draw(copyOf(glyphs, 8 * 4, 0, 6, 10), 8 * 9, 0);
    const DigitTemplate digits(glyphs);
    EXPECT_EQ(RecognizeUpright(digits, uprightWindowOfCell(glyphs, 9)), 4);
}

TEST(GlyphMatching, CellsBeyondASmallTemplateMatchNothing)
{
    Bitmap narrow(93, 10);
    narrow.copyFrom(TestGlyphs(), 0, 0);
    const DigitTemplate digits(narrow);
    EXPECT_EQ(RecognizeUpright(digits, uprightWindowOfCell(TestGlyphs(), 10)), 10);
    EXPECT_EQ(RecognizeUpright(digits, uprightWindowOfCell(TestGlyphs(), 11)), -1);
    EXPECT_EQ(RecognizeUpright(DigitTemplate(), uprightWindowOfCell(TestGlyphs(), 0)), -1);
}

struct UprightCase {
    const char* name;
    std::vector<std::pair<int, std::string>> lines;  // first inked row, text
    int y0, y1;
    std::string expected;
};

class UprightReading : public ::testing::TestWithParam<UprightCase> {};

TEST_P(UprightReading, FindsTheLine)
{
    const UprightCase& c = GetParam();
    Bitmap chart(531, 256);
    for (const auto& [row, text] : c.lines)
        DrawUpright(chart, 233, row, text);
    EXPECT_EQ(ReadUprightText(DigitTemplate(TestGlyphs()), chart, {c.y0, c.y1, 230, 276}, ","), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bands, UprightReading,
    ::testing::Values(
        UprightCase{"middle", {{34, "1.2345"}}, 30, 41, "1,2345"},
        // The line on the band's first row must survive the empty row ten below.
        UprightCase{"firstRow", {{30, "1.2345"}}, 30, 41, "1,2345"},
        UprightCase{"lastRow", {{40, "1.2345"}}, 30, 41, "1,2345"},
        UprightCase{"timeFirstRow", {{5, "12:30"}}, 5, 16, "12:30"},
        // A line found again ten rows on replaces the first one.
        UprightCase{"timeTwice", {{5, "11:11"}, {15, "12:30"}}, 5, 16, "12:30"},
        UprightCase{"nothing", {}, 30, 41, ""},
        UprightCase{"belowBand", {{41, "1.2345"}}, 30, 41, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UprightReading, CharactersAtAPitchOfSixAndStrayInkAreEachReadOnce)
{
    Bitmap chart(531, 256);
    chart.setPixel(240, 30, colours::black);  // ink without a glyph: the scan moves on one row
    chart.setPixel(241, 31, colours::black);
    DrawUpright(chart, 230, 33, "1.2345");
    DrawUpright(chart, 230 + 6 * 6 + 1, 33, "7");  // one extra blank column before it
    EXPECT_EQ(ReadUprightText(DigitTemplate(TestGlyphs()), chart, {30, 41, 230, 276}, "."), "1.23457");
}

TEST(SideReading, ReadsLabelsBottomToTop)
{
    Bitmap chart(531, 256);
    DrawSide(chart, 100, "1.2500");
    DrawSide(chart, 120, "109.50");
    DrawSide(chart, 140, "12:3");
    const DigitTemplate digits(TestGlyphs());
    EXPECT_EQ(ReadSideLabel(digits, chart, 100, "."), "1.2500");
    EXPECT_EQ(ReadSideLabel(digits, chart, 120, ","), "109,50");
    EXPECT_EQ(ReadSideLabel(digits, chart, 140, "."), "12:3");
    EXPECT_EQ(ReadSideLabel(digits, chart, 101, "."), "");
}

// The readers compare windows in the chart rather than copying each one; at
// the chart's edge they must read as if every window had been copied.
TEST(GlyphReaderWindows, WindowsPastTheChartEdgeMatchNothingThere)
{
    // The chart ends at column 244: "1" and "." fit, "2" is cut off.
    Bitmap chart(245, 60);
    DrawUpright(chart, 233, 34, "1.2");
    const DigitTemplate digits(TestGlyphs());
    EXPECT_EQ(ReadUprightText(digits, chart, geometry::kPriceText, "."), "1.");

    // A side label whose first character lost its bottom row to the chart
    // edge: only the character above it is read.
    Bitmap low(531, 236);
    DrawSide(low, 100, "15");
    EXPECT_EQ(ReadSideLabel(digits, low, 100, "."), "5");
}

TEST(GlyphReaderWindows, BlankTemplateCellsNeverMatchPixelsOutsideTheChart)
{
    // An all-white template: in the chart, background matches cell 0 at once;
    // past the edge, nothing matches even where the template is background.
    // Ink at column 230 fails the first window; blank windows follow at
    // 231 and 237, the second one reaching past a 242-wide chart.
    const DigitTemplate blank(Bitmap(96, 10, colours::white));
    Bitmap wide(243, 60);
    wide.setPixel(230, 34, colours::black);
    EXPECT_EQ(ReadUprightText(blank, wide, {34, 35, 230, 240}, "."), "00");
    Bitmap narrow(242, 60);
    narrow.setPixel(230, 34, colours::black);
    EXPECT_EQ(ReadUprightText(blank, narrow, {34, 35, 230, 240}, "."), "0");
}

TEST(GlyphReaderWindows, TemplatePixelsOutsideAnyColourMatchNothing)
{
    // A template pixel holding the outside marker itself equals no window
    // pixel, not even an outside one.
    Bitmap glyphs = TestGlyphs();
    glyphs.pixels()[std::size_t(5 * glyphs.width() + 8 * 3 + 2)] = colours::none;
    Bitmap window = copyOf(glyphs, 8 * 3, 0, 6, 10);
    EXPECT_EQ(RecognizeUpright(DigitTemplate(glyphs), window), -1);
    EXPECT_EQ(RecognizeUpright(DigitTemplate(glyphs), copyOf(glyphs, 8 * 4, 0, 6, 10)), 4);
}

}  // namespace
}  // namespace tivka
