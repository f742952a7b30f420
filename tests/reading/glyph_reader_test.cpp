// Exact matching of the template's cells, and the upright text reader built on
// it, against characters the chart server's renderer draws.
#include <gtest/gtest.h>

#include "chart_server/chart_renderer.h"
#include "reading/digit_template.h"

namespace tivka {
namespace {

const std::string kCharacters = "0123456789.:";

const DigitTemplate kBlock(charts::DigitTemplateBitmap());

// One character where a reader's window lies over it: upright (6 x 10, its
// top row the row above the glyph) or as a scale label draws it (10 x 6).
Bitmap windowOver(char c, bool upright)
{
    Bitmap drawn(10, 237), window(upright ? 6 : 10, upright ? 10 : 6);
    if (upright)
        charts::DrawUprightText(drawn, 0, 1, std::string(1, c));
    else
        charts::DrawSideLabel(drawn, 1, std::string(1, c));
    window.copyFrom(drawn, 0, upright ? 0 : 231);
    return window;
}

// Every pixel but the window's top row (the row above an upright glyph, the
// column after a sideways one) decides.
TEST(GlyphMatching, EveryComparedPixelDecidesAndNoOther)
{
    const auto recognize = [](const Bitmap& w, bool upright) {
        return upright ? RecognizeUpright(kBlock, w) : RecognizeSide(kBlock, w);
    };
    for (int k = 0; k < 12; ++k)
        for (bool upright : {true, false}) {
            const Bitmap window = windowOver(kCharacters[std::size_t(k)], upright);
            ASSERT_EQ(recognize(window, upright), k);
            for (int y = 0; y < window.height(); ++y)
                for (int x = 0; x < window.width(); ++x) {
                    Bitmap changed = window;
                    changed.setPixel(x, y, window.pixel(x, y) == colours::black ? colours::white : colours::black);
                    EXPECT_EQ(recognize(changed, upright) == k, y == 0)
                        << kCharacters[std::size_t(k)] << (upright ? " upright " : " sideways ") << x << "," << y;
                }
        }
}

// A template too small for a cell lacks it: upright cells need 6 x 10 of it,
// sideways ones 5 x 10.
TEST(GlyphMatching, CellsBeyondTheTemplateMatchNothing)
{
    // What '0' upright, ':' upright and ':' sideways read as with a template of that size.
    const struct { int width, height; std::vector<int> read; } cases[] = {
        {96, 10, {0, 11, 11}}, {93, 10, {0, -1, 11}}, {92, 10, {0, -1, -1}}, {96, 9, {-1, -1, -1}}};
    for (const auto& c : cases) {
        Bitmap cells(c.width, c.height);
        cells.copyFrom(charts::DigitTemplateBitmap(), 0, 0);
        const DigitTemplate digits(cells);
        const std::vector<int> read{RecognizeUpright(digits, windowOver('0', true)),
                                    RecognizeUpright(digits, windowOver(':', true)),
                                    RecognizeSide(digits, windowOver(':', false))};
        EXPECT_EQ(read, c.read) << c.width << " x " << c.height;
    }
}

// A line's top is the band's first row with black ink, its characters start
// in the band's columns; a line read moves the search ten rows on, and a
// later row replaces it only with text of its own.
TEST(UprightReading, ReadsTheLineWhereTheBandFindsIt)
{
    struct Line { int column, row; const char* text; };
    const struct { std::vector<Line> lines; std::string read; } cases[] = {
        {{{233, 30, "1.2345"}}, "1,2345"}, {{{233, 40, "1.2345"}}, "1,2345"}, {{{233, 41, "1.2345"}}, ""}, {{}, ""},
        {{{233, 30, "1.1111"}, {233, 40, "1.2345"}}, "1,2345"}, {{{233, 30, "1.1111"}, {272, 35, "7"}}, "1,1111"},
        {{{229, 33, "12"}, {275, 33, "7"}}, "27"}, {{{276, 33, "7"}}, ""},
        {{{230, 33, "1.23"}, {255, 33, "45"}}, "1,2345"},  // one blank column more
    };
    for (const auto& c : cases) {
        Bitmap chart(531, 256);
        for (const Line& line : c.lines)
            charts::DrawUprightText(chart, line.column, line.row, line.text);
        EXPECT_EQ(ReadUprightText(kBlock, chart, geometry::kPriceText, ","), c.read)
            << (c.lines.empty() ? "" : c.lines.back().text);
    }
}

// The readers compare windows inside the chart in place; one reaching past
// its edge matches nothing, not even a template cell of background (here an
// all-white template).
TEST(UprightReading, WindowsPastTheChartsEdgeMatchNothing)
{
    // Ink at 230 fails the first window; blank ones follow at 231 and 237,
    // the second reaching to column 242.
    const DigitTemplate blank(Bitmap(96, 10));
    for (int width : {243, 242}) {
        Bitmap chart(width, 60);
        chart.setPixel(230, 34, colours::black);
        EXPECT_EQ(ReadUprightText(blank, chart, {34, 35, 230, 240}, "."), width == 243 ? "00" : "0");
    }
}

}  // namespace
}  // namespace tivka
