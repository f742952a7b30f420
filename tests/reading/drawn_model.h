#pragma once

// What a chart drawn by the chart server's renderer must read as, worked out
// from the model alone: the renderer is the oracle the readers are held to.
#include <algorithm>

#include "chart_server/chart_renderer.h"

namespace tivka::test {

inline int TickOf(const charts::ScaleLabel& label) { return label.firstInkColumn + 3; }

// Price per column, from the first two labels; 0 with fewer.
inline double DrawnStep(const charts::ChartModel& model)
{
    const auto& l = model.labels;
    return l.size() < 2 ? 0 : (l[1].price - l[0].price) / (TickOf(l[1]) - TickOf(l[0]));
}

// The price the scale gives chart column x: from the first label whose tick is
// at x or right of it (else the last), at the step of the first two labels;
// 0 without labels. Column 255 holds the current price.
inline double DrawnPrice(const charts::ChartModel& model, int x)
{
    const auto& l = model.labels;
    if (x == 255 || l.empty())
        return x == 255 ? model.price : 0;
    const auto ref = std::find_if(l.begin(), l.end() - 1, [x](const auto& label) { return TickOf(label) >= x; });
    return ref->price - (TickOf(*ref) - x) * DrawnStep(model);
}

// The pixels a correct reader counts in the buy or sell bar of column x.
inline int DrawnPixels(const charts::ChartModel& model, int x, bool buy)
{
    return x == 255 ? 0 : (buy ? model.buy : model.sell)[std::size_t(x - 75)].countedPixels();
}

}  // namespace tivka::test
