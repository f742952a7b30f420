#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "chart/bitmap.h"
#include "reading/chart_reading.h"

namespace tivka {

// The layout guard: what every chart drawn to the chart geometry satisfies,
// checked on the picture and its complete reading. A broker that changes how
// it draws its charts (other colours, the picture moved or resized, another
// font) breaks one of these before the figures can be trusted.
//
// The checks, in a fixed order: a check's number is its bit in the mark the
// history keeps (LayoutChecks), so a check is never renumbered; new ones are
// added at the end.
enum class LayoutCheck : std::uint8_t {
    LabelCount,      // at least two scale labels
    LabelsRead,      // every column of ink the label scan meets starts a label
    LabelsRising,    // their values strictly increasing with the column
    LabelsOnLine,    // every label near the straight line through them all
    PriceInScale,    // the current price within the prices of the level columns
    TimeFormat,      // the chart time as HH:MM or HH:MM:SS
    PictureSize,     // 531 x 256 pixels
    PriceColumn,     // the line through the labels puts the current price on column 255
    AxisRow,         // row 120 is one colour, not a bar colour, across the level columns
    BarColourPlace,  // olive and teal only in the bar groups' rows and columns
    BarColourSide,   // in each bar group, only the colour its pass counts
    BarAreaColour,   // the bar groups hold no colour the passes do not know, in quantity
    BarsPresent,     // the four passes count at least one pixel between them
};
constexpr int kLayoutCheckCount = 13;

// The figures of a failed check, by what it measured.
namespace layout {
struct LabelCount {
    int labels;
};
struct UnreadInk {  // columns of the label scan whose ink starts no text
    int columns;
    int firstColumn;
};
struct LabelOrder {  // `price` follows `previous` without rising
    double price;
    double previous;
};
struct LabelOffLine {
    double price;
    double columns;  // from the line through all labels
};
struct PriceRange {
    std::string priceText;
    double low;
    double high;
};
struct TimeText {
    std::string text;
};
struct PictureSize {
    int width;
    int height;
};
struct PriceColumn {
    double price;
    double column;  // where the line through the labels puts it
};
// The level columns whose row-120 pixel is not the axis colour, the row's
// commonest (all of them when that is a bar colour), the first of them and
// its colour.
struct AxisBreak {
    int columns;
    int firstColumn;
    Colour colour;
};
// Pixels of one colour where they must not be, the first of them in reading
// order (top row first, left to right).
struct StrayPixels {
    Colour colour;
    int pixels;
    int column;
    int row;
};
}  // namespace layout

using LayoutFigures = std::variant<std::monostate, layout::LabelCount, layout::UnreadInk, layout::LabelOrder,
                                   layout::LabelOffLine,
                                   layout::PriceRange, layout::TimeText, layout::PictureSize, layout::PriceColumn,
                                   layout::AxisBreak, layout::StrayPixels>;

// One failed check and what it found. The figures' alternative follows from
// the check: LabelCount, LabelsRead (UnreadInk), LabelsRising (LabelOrder), LabelsOnLine (LabelOffLine),
// PriceInScale (PriceRange), TimeFormat (TimeText), PictureSize, PriceColumn,
// AxisRow (AxisBreak), the three bar colour checks (StrayPixels), BarsPresent
// (none).
struct LayoutProblem {
    LayoutCheck check;
    LayoutFigures figures;
};

// The failed checks of a chart that has a complete reading, in the order of
// LayoutCheck; none for a sound chart. A reading that stopped early is not
// judged (its failure is reported on its own): none.
std::vector<LayoutProblem> LayoutProblems(const Bitmap& chart, const ChartReading& reading);

// A set of checks, as the history keeps the guard's verdict on a reading:
// bit k stands for the check numbered k.
class LayoutChecks {
public:
    LayoutChecks() = default;
    explicit LayoutChecks(std::uint32_t bits) : bits_(bits) {}
    // The checks that failed.
    static LayoutChecks failedIn(const std::vector<LayoutProblem>& problems);

    bool empty() const { return bits_ == 0; }
    bool has(LayoutCheck check) const { return bits_ >> unsigned(check) & 1u; }
    std::uint32_t bits() const { return bits_; }
    friend bool operator==(LayoutChecks, LayoutChecks) = default;

private:
    std::uint32_t bits_ = 0;
};

// The check's stable name, as the history exports it: "label_count",
// "labels_read", "labels_rising", "labels_on_line", "price_in_scale", "time_format",
// "picture_size", "price_column", "axis_row", "bar_colour_place",
// "bar_colour_side", "bar_area_colour", "bars_present".
const char* LayoutCheckName(LayoutCheck check);

}  // namespace tivka
