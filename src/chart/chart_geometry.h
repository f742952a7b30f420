#pragma once

#include "chart/bitmap.h"

// Where the broker's charts put what the readers read, in chart pixels: x
// counts columns from the left edge, y rows from the top, both from 0. The
// readers, the indicator data and the cursor readout all take their places
// from here. (The test chart renderer keeps its own copy on purpose: it is
// the independent oracle the readers are checked against.)
namespace tivka::geometry {

// The broker's charts are 531 x 256 pixels: everything below is placed in a
// picture of that size.
constexpr int kChartWidth = 531;
constexpr int kChartHeight = 256;

// A band searched for one upright line of text: rows [firstRow, endRow),
// characters starting in columns [firstColumn, endColumn).
struct TextBand {
    int firstRow;
    int endRow;
    int firstColumn;
    int endColumn;
};

constexpr TextBand kPriceText{30, 41, 230, 276};
constexpr TextBand kTimeText{5, 16, 378, 429};

// Scale labels: sideways text reading bottom to top. Columns [kLabelScanFirst,
// kLabelScanEnd) are searched for a first inked column with black ink in rows
// kLabelInkTop to kLabelInkBottom; a label's characters are read upwards from
// row kLabelBottomRow, while the window's lower edge stays above
// kLabelTopLimit. Its tick is kLabelTickOffset columns right of its first
// inked column; the next label is searched kLabelAdvance columns on.
constexpr int kLabelScanFirst = 74;
constexpr int kLabelScanEnd = 437;
constexpr int kLabelInkTop = 196;
constexpr int kLabelInkBottom = 236;
constexpr int kLabelBottomRow = 237;
constexpr int kLabelTopLimit = 195;
constexpr int kLabelTickOffset = 3;
constexpr int kLabelAdvance = 10;

// Price levels: one per column. Columns left of the current price's column
// lie below the current price, those right of it above.
constexpr int kFirstLevelColumn = 75;
constexpr int kNowColumn = 255;
constexpr int kLastLevelColumn = 435;
constexpr int kLevelColumns = kLastLevelColumn - kFirstLevelColumn + 1;
constexpr int kSideColumns = kNowColumn - kFirstLevelColumn;  // 180 on either side

// Bars: buy bars grow upwards from row 119, sell bars downwards from row 121
// (the axis is row 120); each walk covers 75 rows, and 74 counted pixels are
// a full bar (100 %), so a bar filling all 75 rows reads 101 %.
constexpr int kBuyNearAxisRow = 119;
constexpr int kSellNearAxisRow = 121;
constexpr int kBarRows = 75;
constexpr int kFullBarPixels = 74;
constexpr int kAxisRow = 120;
constexpr int kBuyFarRow = kBuyNearAxisRow - (kBarRows - 1);    // 45
constexpr int kSellFarRow = kSellNearAxisRow + (kBarRows - 1);  // 195

// The four groups of bars, each one side of the current price's column on
// one side of the axis, and the one colour its bars are drawn in there. In
// reading order: buy below the price (olive), buy above (teal), sell below
// (teal), sell above (olive). A pass counts its colour, and grey shading
// until the first white, walking kBarRows rows away from the axis.
struct BarGroup {
    int firstColumn;  // kSideColumns columns from here
    bool aboveAxis;   // buy: rows 119 up to 45; else sell: rows 121 down to 195
    Colour colour;
};

constexpr BarGroup kBarGroups[4] = {
    {kFirstLevelColumn, true, colours::olive},
    {kNowColumn + 1, true, colours::teal},
    {kFirstLevelColumn, false, colours::teal},
    {kNowColumn + 1, false, colours::olive},
};

// The charts are shown turned a quarter turn counter-clockwise, side by side
// in a 514 x 532 picture: positions at x 0, orders at x 258. A chart column
// c lies on picture row kViewColumnBase - c of its half (for the 531-pixel
// wide charts of the broker: chart column x on view row 530 - x).
constexpr int kPictureWidth = 514;
constexpr int kPictureHeight = 532;
constexpr int kPositionsViewLeft = 0;
constexpr int kOrdersViewLeft = 258;
constexpr int kViewColumnBase = 530;

}  // namespace tivka::geometry
