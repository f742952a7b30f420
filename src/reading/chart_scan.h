#pragma once

#include <cstdint>
#include <string>

#include "acquisition/bitmap.h"
#include "reading/digit_template.h"
#include "reading/level_records.h"

namespace tivka {

// The one chart-reading core behind Orders, Position and CalcMT4. What they
// share (geometry, text reading, scale, price mapping, bar measurement, the
// four passes) lives here; what differs is reported to a ReadingObserver.

// One of the four level passes: a column range on one side of the axis,
// measured in one bar colour.
struct LevelPass {
    int firstColumn;
    int lastColumn;
    bool aboveAxis;  // buy side: rows 119 up to 45; else sell side: rows 121 down to 195
    Colour barColour;
};

// In reading order: buy below the price (olive), buy above (teal), sell below
// (teal), sell above (olive). A column counts the pass's bar colour anywhere
// in its 75-row walk away from the axis, grey only until the first white.
extern const LevelPass kLevelPasses[4];

// The integer part of 100n/74 (74 pixels are 100 %, 75 are 101 %).
int PercentOf(int countedPixels);

// (Price2 - Price1) / (Column2 - Column1) of the first two labels, 0 with
// fewer than two.
double ScaleStep(const ChartResults& results);

// The price of column x from its reference label (the first whose Column is
// x or more, else the last) and the step; 0 when no label was read.
double ColumnPrice(const ChartResults& results, int x);
// The same, starting the label search at `reference` (updated to the label
// used); a walk over increasing columns then costs one pass over the labels.
double ColumnPrice(const ChartResults& results, int x, int& reference);

// The events of one reading, in the order they happen. The indicator reader
// ignores them all; the on-screen readers fill the pane, the sheet and the view.
class ReadingObserver {
public:
    virtual ~ReadingObserver() = default;
    virtual void beforePrice() {}
    virtual void priceTextRead(const std::string&) {}
    virtual void priceStored(double) {}
    virtual void beforeTime() {}
    virtual void timeRead(const std::string&) {}
    // Every column with ink in the label rows, the label text possibly empty.
    virtual void labelRead(int, const std::string&) {}
    virtual void beforePass(int) {}
    virtual void levelMeasured(int /*pass*/, int /*x*/, double /*price*/, int /*countedPixels*/) {}
};

struct ReadingSetup {
    const DigitTemplate& digits;
    GlyphWindows& windows;
    std::string decimalSymbol;    // appended for the decimal glyph
    std::string systemSeparator;  // the only separator the conversions accept
    bool storeNowColumn;          // put the current price into column 255
};

// Reads `chart` into `results` (Now, Scale, ScaleCount, Step, Levels; not
// Digits). Throws ConversionError for an unreadable price or scale label;
// nothing of `results` has changed when the price fails.
void ReadChart(const Bitmap& chart, const ReadingSetup& setup, ChartResults& results,
               ReadingObserver& observer);

}  // namespace tivka
