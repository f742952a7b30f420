// The readers compare windows in the chart rather than copying each one; what
// they leave behind and how they treat windows at the chart edge must be as
// if every window had been copied.
#include <gtest/gtest.h>

#include "reading/digit_template.h"
#include "reading_fixtures.h"

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

TEST(GlyphReaderWindows, HoldTheLastWindowExamined)
{
    Bitmap chart(531, 256);
    DrawUpright(chart, 233, 34, "1.2345");
    DrawSide(chart, 100, "1.2500");
    // Marks that no glyph covers, so that the windows kept differ from blank.
    chart.setPixel(278, 34, rgb(9, 9, 9));
    chart.setPixel(104, 191, rgb(7, 7, 7));
    const DigitTemplate digits(TestGlyphs());
    GlyphWindows windows;

    // Row 34 is the only row read: the scan ends with the window at column 275.
    EXPECT_EQ(ReadUprightText(digits, windows, chart, 30, 41, 230, 276, "."), "1.2345");
    EXPECT_EQ(windows.upright, copyOf(chart, 275, 33, 6, 10));

    // Six characters take the window up to row 201, then row by row to 196.
    EXPECT_EQ(ReadSideLabel(digits, windows, chart, 100, "."), "1.2500");
    EXPECT_EQ(windows.side, copyOf(chart, 99, 190, 10, 6));
    EXPECT_EQ(windows.upright, copyOf(chart, 275, 33, 6, 10));  // the other window is left alone

    // A band without ink examines no window and leaves the last one in place.
    EXPECT_EQ(ReadUprightText(digits, windows, chart, 100, 110, 230, 276, "."), "");
    EXPECT_EQ(windows.upright, copyOf(chart, 275, 33, 6, 10));
}

TEST(GlyphReaderWindows, WindowsPastTheChartEdgeMatchNothingThere)
{
    // The chart ends at column 244: "1" and "." fit, "2" is cut off.
    Bitmap chart(245, 60);
    DrawUpright(chart, 233, 34, "1.2");
    const DigitTemplate digits(TestGlyphs());
    GlyphWindows windows;
    EXPECT_EQ(ReadUprightText(digits, windows, chart, 30, 41, 230, 276, "."), "1.");
    // The last window lies wholly outside: every pixel is colours::none.
    EXPECT_EQ(windows.upright, copyOf(chart, 275, 33, 6, 10));
    EXPECT_EQ(windows.upright.pixel(0, 0), colours::none);

    // A side label whose first character lost its bottom row to the chart
    // edge: only the character above it is read.
    Bitmap low(531, 236);
    DrawSide(low, 100, "15");
    EXPECT_EQ(ReadSideLabel(digits, windows, low, 100, "."), "5");
}

TEST(GlyphReaderWindows, BlankTemplateCellsNeverMatchPixelsOutsideTheChart)
{
    // An all-white template: in the chart, background matches cell 0 at once;
    // past the edge, nothing matches even where the template is background.
    // Ink at column 230 fails the first window; blank windows follow at
    // 231 and 237, the second one reaching past a 242-wide chart.
    const DigitTemplate blank(Bitmap(96, 10, colours::white));
    GlyphWindows windows;
    Bitmap wide(243, 60);
    wide.setPixel(230, 34, colours::black);
    EXPECT_EQ(ReadUprightText(blank, windows, wide, 34, 35, 230, 240, "."), "00");
    Bitmap narrow(242, 60);
    narrow.setPixel(230, 34, colours::black);
    EXPECT_EQ(ReadUprightText(blank, windows, narrow, 34, 35, 230, 240, "."), "0");
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
