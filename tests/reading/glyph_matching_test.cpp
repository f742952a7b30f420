#include <gtest/gtest.h>

#include "reading/digit_template.h"
#include "reading_fixtures.h"

namespace tivka {
namespace {

using test::DrawSide;
using test::DrawUpright;
using test::TestGlyphs;

Bitmap uprightWindowOfCell(const Bitmap& glyphs, int cell)
{
    Bitmap window(6, 10);
    window.copyFrom(glyphs, 8 * cell, 0);
    return window;
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

TEST(GlyphMatching, UprightRowZeroIsNeverCompared)
{
    const DigitTemplate digits(TestGlyphs());
    Bitmap window = uprightWindowOfCell(digits.glyphs(), 7);
    for (int x = 0; x < 6; ++x)
        window.setPixel(x, 0, rgb(1, 2, 3));
    EXPECT_EQ(RecognizeUpright(digits, window), 7);
}

TEST(GlyphMatching, OneColourStepAnywhereInTheComparedAreaFails)
{
    const DigitTemplate digits(TestGlyphs());
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
    Bitmap four(6, 10);
    four.copyFrom(glyphs, 8 * 4, 0);
    glyphs.draw(four, 8 * 9, 0);
    const DigitTemplate digits(glyphs);
    EXPECT_EQ(RecognizeUpright(digits, uprightWindowOfCell(glyphs, 9)), 4);
}

TEST(GlyphMatching, CellsBeyondASmallTemplateAndPixelsOutsideTheChartMatchNothing)
{
    Bitmap narrow(93, 10);
    narrow.copyFrom(TestGlyphs(), 0, 0);
    const DigitTemplate digits(narrow);
    EXPECT_EQ(RecognizeUpright(digits, uprightWindowOfCell(TestGlyphs(), 10)), 10);
    EXPECT_EQ(RecognizeUpright(digits, uprightWindowOfCell(TestGlyphs(), 11)), -1);
    EXPECT_EQ(RecognizeUpright(DigitTemplate(), uprightWindowOfCell(TestGlyphs(), 0)), -1);

    // A glyph whose window reaches past the chart edge is not recognised even
    // where the template itself is background.
    Bitmap chart(30, 30);
    DrawUpright(chart, 10, 1, "8");
    Bitmap window(6, 10);
    window.copyFrom(chart, 10, 0);
    EXPECT_EQ(RecognizeUpright(DigitTemplate(TestGlyphs()), window), 8);
    Bitmap edge(6, 10);
    edge.copyFrom(chart, 26, 0);  // background with two columns outside
    Bitmap glyphs = TestGlyphs();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 6; ++x)
            glyphs.setPixel(x, y, colours::white);
    EXPECT_EQ(RecognizeUpright(DigitTemplate(glyphs), edge), -1);
    Bitmap inside(6, 10);
    inside.copyFrom(chart, 0, 20);
    EXPECT_EQ(RecognizeUpright(DigitTemplate(glyphs), inside), 0);
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
    GlyphWindows windows;
    EXPECT_EQ(ReadUprightText(DigitTemplate(TestGlyphs()), windows, chart, c.y0, c.y1, 230, 276, ","), c.expected);
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

TEST(UprightReading, CharactersAtAPitchOfSixAreReadEachOnce)
{
    Bitmap chart(531, 256);
    DrawUpright(chart, 230, 32, "1.2345");
    DrawUpright(chart, 230 + 6 * 6 + 1, 32, "7");  // one extra blank column before it
    GlyphWindows windows;
    EXPECT_EQ(ReadUprightText(DigitTemplate(TestGlyphs()), windows, chart, 30, 41, 230, 276, "."), "1.23457");
}

TEST(UprightReading, InkWithoutAGlyphMovesOnOneRow)
{
    Bitmap chart(531, 256);
    chart.setPixel(240, 30, colours::black);
    chart.setPixel(241, 31, colours::black);
    DrawUpright(chart, 233, 33, "1.2345");
    GlyphWindows windows;
    EXPECT_EQ(ReadUprightText(DigitTemplate(TestGlyphs()), windows, chart, 30, 41, 230, 276, "."), "1.2345");
}

TEST(SideReading, ReadsLabelsBottomToTop)
{
    Bitmap chart(531, 256);
    DrawSide(chart, 100, "1.2500");
    DrawSide(chart, 120, "109.50");
    DrawSide(chart, 140, "12:3");
    GlyphWindows windows;
    const DigitTemplate digits(TestGlyphs());
    EXPECT_EQ(ReadSideLabel(digits, windows, chart, 100, "."), "1.2500");
    EXPECT_EQ(ReadSideLabel(digits, windows, chart, 120, ","), "109,50");
    EXPECT_EQ(ReadSideLabel(digits, windows, chart, 140, "."), "12:3");
    EXPECT_EQ(ReadSideLabel(digits, windows, chart, 101, "."), "");
}

}  // namespace
}  // namespace tivka
