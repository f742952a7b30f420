#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "chart/bitmap.h"
#include "chart/chart_geometry.h"
#include "reading/digit_template.h"

namespace tivka {

// What reading one chart gives: a plain value. The window's panes, the marks
// on the shown charts, the indicator data, the workbook cells and tivka-read's
// output are all made from it.

// One label of the price scale: its value and the chart column of its tick.
struct ScaleMark {
    double price = 0;
    int column = 0;
};

// A column of the label rows that holds black ink, and the text read there
// (empty when no character was recognised), in scan order.
struct LabelInk {
    int column = 0;
    std::string text;
};

// One price level (one chart column): its price and the pixels counted in
// its buy bar (above the axis) and its sell bar (below it).
struct Level {
    double price = 0;
    int buyPixels = 0;
    int sellPixels = 0;
};

// The integer part of 100n/74: 74 counted pixels are 100 %, 75 are 101 %.
int PercentOf(int countedPixels);

// A text that could not be converted to a number ended the reading: the
// current price, or a scale label.
struct ReadingFailure {
    enum class Stage { Price, ScaleLabel };
    Stage stage;
    std::string text;  // as read
    // "'<text>' is not a valid floating point value"
    std::string message() const;
};

struct ChartReading {
    std::string priceText;  // as read: digits and the decimal symbol
    double price = 0;
    std::string timeText;   // as read, not checked
    std::vector<LabelInk> labelInk;
    std::vector<ScaleMark> scale;  // left to right
    double step = 0;               // price per column, from the first two labels
    // Columns 75 to 435; the current price's column 255 holds the current
    // price and no bars.
    std::array<Level, geometry::kLevelColumns> levels{};
    // Set when the reading stopped at a text that is not a number; everything
    // read before that point is kept, nothing after it was read.
    std::optional<ReadingFailure> failure;

    bool complete() const { return !failure; }
    // Throws ConversionError with the failure's message, if there is one.
    void throwIfFailed() const;
    // The level of chart column 75 to 435; std::out_of_range otherwise.
    const Level& level(int column) const;
    Level& level(int column);
};

struct ReadingOptions {
    std::string decimalSymbol = ".";    // text appended for the decimal point glyph
    std::string systemSeparator = ".";  // the only separator the number conversions accept
};

// Reads the current price, the time, the price scale and every level's bars.
// Never throws for what the chart shows: a text that is not a number ends
// the reading with `failure` set.
ChartReading ReadChart(const Bitmap& chart, const DigitTemplate& digits, const ReadingOptions& options);

// ReadChart for those who can use only a complete reading (the data file,
// the history import): throws ConversionError when a price or scale text is
// not a number.
ChartReading ReadCompleteChart(const Bitmap& chart, const DigitTemplate& digits, const ReadingOptions& options);

// (price2 - price1) / (column2 - column1) of the first two labels, in
// extended precision; 0 with fewer than two.
double ScaleStep(const std::vector<ScaleMark>& scale);

// The price of column x: from its reference label (the first whose column is
// x or more, else the last) and the step, in extended precision; 0 when no
// label was read.
double ColumnPrice(const std::vector<ScaleMark>& scale, double step, int x);

}  // namespace tivka
