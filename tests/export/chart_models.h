#pragma once
// What a chart the chart server drew must read as, worked out from its model
// alone.
#include <cstdio>
#include <string>

#include "chart_server/chart_renderer.h"

namespace tivka::test {

// The price of chart column x with the model's digits: from the first label
// whose tick (three columns right of its first ink) is at or right of x, else
// the last one, moved by the step of the first two labels.
inline std::string ModelPriceText(const charts::ChartModel& model, int x)
{
    const auto& labels = model.labels;
    const auto tick = [&](std::size_t i) { return labels.at(i).firstInkColumn + 3; };
    const double step = (labels.at(1).price - labels[0].price) / double(tick(1) - tick(0));
    std::size_t anchor = 0;
    while (anchor + 1 < labels.size() && tick(anchor) < x)
        ++anchor;
    const long double price = (long double)labels[anchor].price - (long double)(tick(anchor) - x) * step;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", model.digits, double(price));
    return text;
}

}  // namespace tivka::test
