#pragma once

#include <functional>
#include <string>
#include <vector>

#include "chart_server/chart_renderer.h"

namespace tivka::charts {

// Ways a broker may change how it draws its charts, each applied to a chart
// the renderer drew from a model: what the layout guard must either see
// through (the figures stay as they were) or flag. None of them changes the
// model's figures; they change only where and how the picture shows them.

// Every pixel of colour `from` drawn in `to` instead (bars in another olive).
Bitmap RecolourPixels(const Bitmap& chart, Colour from, Colour to);

// Olive drawn where teal was and teal where olive was.
Bitmap SwapBarColours(const Bitmap& chart);

// The model drawn with no bar at all (texts, scale, axis and price line kept).
Bitmap RenderWithoutBars(const ChartModel& model);

// The whole picture moved `dx` columns right and `dy` rows down (negative:
// left, up) on a picture of the same size: what leaves it is lost, what
// comes in is white.
Bitmap MovePicture(const Bitmap& chart, int dx, int dy);

// The picture `extraColumns` wider and `extraRows` taller, the new columns on
// the right and rows at the bottom white; everything drawn stays in place.
Bitmap GrowPicture(const Bitmap& chart, int extraColumns, int extraRows);

// The picture scaled by numerator / denominator on both axes, each new pixel
// taking the colour of the old pixel it falls on (no smoothing).
Bitmap ScalePicture(const Bitmap& chart, int numerator, int denominator);

// The model's texts drawn in the other of the two fonts.
Bitmap RenderInOtherFont(const ChartModel& model);

// The model drawn as it is, but its scale labels (every `nth` of them, from
// the first) in the other font.
Bitmap RenderLabelsInOtherFont(const ChartModel& model, int nth);

// One named change: the picture of a model as the changed style draws it.
struct StyleChange {
    std::string name;
    std::function<Bitmap(const ChartModel&)> draw;
};

// Every change the layout guard is tried with: each bar colour and both
// recoloured, the colours swapped, no bars, the picture moved by 1 to 3
// pixels in every direction (each of the 48 offsets with |dx|, |dy| <= 3),
// taller, wider, scaled up and down, the other font for every text or for
// some labels.
std::vector<StyleChange> StyleChanges();

}  // namespace tivka::charts
