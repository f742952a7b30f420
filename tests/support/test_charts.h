#pragma once

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "chart/bitmap.h"
#include "chart/text_painter.h"
#include "reading/digit_template.h"

namespace tivka::test {

// A made-up 5 x 9 font, laid out as the digit template: 12 cells at a pitch
// of 8, black on white, 96 x 10. Digits have ink on their top row, the
// decimal point and colon only lower down.
Bitmap TestGlyphs();

// Upright text in the test font whose characters' top row is `firstInkRow`,
// characters at a pitch of 6 from column x. Characters: 0-9, '.', ':'.
void DrawUpright(Bitmap& chart, int x, int firstInkRow, std::string_view text);

// A sideways label in the test font, reading bottom to top, first inked
// column x, first character bottom at row 236.
void DrawSide(Bitmap& chart, int x, std::string_view text);

// Column x of one side of the axis: walking away from it, `pixels` given
// colours one after the other; the rest stays as it is.
void DrawBar(Bitmap& chart, int x, bool aboveAxis, const std::vector<Colour>& pixels);
std::vector<Colour> Pixels(int count, Colour colour);
std::vector<Colour> Join(std::vector<std::vector<Colour>> parts);

// A white 531 x 256 chart with the current price, time and two scale labels.
Bitmap BasicChart(const std::string& price = "1.2345", const std::string& time = "12:30");

struct RecordingPainter final : TextPainter {
    std::vector<std::tuple<int, int, int, std::string>> texts;
    void drawText(Bitmap&, int x, int y, int fontSize, std::string_view text) override
    {
        texts.emplace_back(x, y, fontSize, std::string(text));
    }
};

// The test font as a digit template.
inline DigitTemplate TestDigits()
{
    return DigitTemplate(TestGlyphs());
}

}  // namespace tivka::test
