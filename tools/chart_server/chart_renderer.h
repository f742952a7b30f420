#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chart/bitmap.h"

namespace tivka::charts {

constexpr int kChartWidth = 531;
constexpr int kChartHeight = 256;
// The chart's level columns, left to right, with the current price in the
// middle one, and the longest bar the models draw: one pixel past the 74 of
// a full bar, so that the readers also meet bars over 100 %.
constexpr int kFirstLevelColumn = 75;
constexpr int kCurrentColumn = 255;
constexpr int kLastLevelColumn = 435;
constexpr int kMaxBar = 75;

// The two built-in 5 x 9 fonts, both black ink on white: the block font of
// the demo, and a round one (other glyph shapes, a narrow "1" and thin
// points without ink in their first column) standing for a broker's own.
enum class ChartFont { Block, Round };

// A font laid out as the digit template expects: 12 cells at a pitch of 8
// (digits, decimal point, colon), 96 x 10 pixels. This is what "ndata.bmp"
// holds for charts drawn in that font.
Bitmap DigitTemplateBitmap(ChartFont font = ChartFont::Block);

// Draws upright text whose first inked row is `firstInkRow`, characters at a
// pitch of 6 starting at column x (a glyph's column 0, inked or not).
// Characters: 0-9, '.', ':', and ' ' which leaves its place blank; any other
// throws std::invalid_argument.
void DrawUprightText(Bitmap& chart, int x, int firstInkRow, std::string_view text,
                     ChartFont font = ChartFont::Block);

// Draws a sideways scale label (reading bottom to top) whose glyphs' top row
// lies on column x, its first character's bottom at row 236: glyph pixel
// (column c, row r of the 5 x 9 glyph) of character j lands on
// (x + r, 236 - 6j - c). Same characters as DrawUprightText.
void DrawSideLabel(Bitmap& chart, int x, std::string_view text, ChartFont font = ChartFont::Block);

enum class ChartKind { Orders, Positions };

// One side of one price level as drawn, walking away from the axis:
// `greyBefore` grey pixels, then `barPixels` in the bar colour, then (only if
// `greyAfterWhite` > 0) one white pixel and that many grey pixels. The rest is
// white.
struct BarDrawing {
    int greyBefore = 0;
    int barPixels = 0;
    int greyAfterWhite = 0;
    // The pixels a correct reader counts for this bar (0-75).
    int countedPixels() const { return greyBefore + barPixels; }
};

struct ScaleLabel {
    int firstInkColumn = 0;  // the label's tick is 3 columns right of it
    std::string text;        // e.g. "1.2500", "109.50"
    double price = 0;
};

// Everything a chart shows; rendering it and reading the picture back must
// give exactly these texts, labels and counted pixels.
struct ChartModel {
    ChartKind kind = ChartKind::Orders;
    ChartFont font = ChartFont::Block;
    std::string pairText = "GBP/USD";
    int digits = 4;
    std::string priceText;  // current price, e.g. "1.2345"
    double price = 0;
    std::string timeText;   // e.g. "12:30"
    int priceFirstColumn = 233;
    int priceFirstRow = 31;
    int timeFirstColumn = 380;
    int timeFirstRow = 6;
    std::vector<ScaleLabel> labels;  // left to right
    // Indexed by chart column - 75 for columns 75 to 435 (255 is not drawn).
    std::array<BarDrawing, 361> buy{};
    std::array<BarDrawing, 361> sell{};
};

// A realistic random order book for a pair, deterministic for a seed.
// `cumulative` bars grow away from the current price.
ChartModel MakeChartModel(ChartKind kind, const std::string& pairText, bool cumulative,
                          std::uint64_t seed, const std::string& timeText);

// A chart of a day that drifts: `minute` counts minutes since the epoch (the
// chart time shows its time of day); charts a few minutes apart differ a
// little, the price and the walls move smoothly. Deterministic for a seed.
ChartModel MakeDriftingChartModel(ChartKind kind, const std::string& pairText, bool cumulative,
                                  std::uint64_t seed, std::int64_t minute);

// Draws the model: 531 x 256, white background, bars, axis (row 120),
// current-price column 255, scale labels and texts at the readers' geometry.
Bitmap RenderChart(const ChartModel& model);

}  // namespace tivka::charts
