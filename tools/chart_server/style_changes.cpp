// Changes of chart style, made on the pictures the renderer draws.
#include "chart_server/style_changes.h"

namespace tivka::charts {
namespace {

// Near the originals, but not equal: a broker's new palette.
constexpr Colour kOtherOlive = rgb(128, 128, 32);
constexpr Colour kOtherTeal = rgb(0, 128, 160);

}  // namespace

Bitmap RecolourPixels(const Bitmap& chart, Colour from, Colour to)
{
    Bitmap changed = chart;
    for (Colour& pixel : changed.pixels())
        if (pixel == from)
            pixel = to;
    return changed;
}

Bitmap SwapBarColours(const Bitmap& chart)
{
    Bitmap changed = chart;
    for (Colour& pixel : changed.pixels())
        pixel = pixel == colours::olive ? colours::teal : pixel == colours::teal ? colours::olive : pixel;
    return changed;
}

Bitmap RenderWithoutBars(const ChartModel& model)
{
    ChartModel bare = model;
    bare.buy = {};
    bare.sell = {};
    return RenderChart(bare);
}

Bitmap MovePicture(const Bitmap& chart, int dx, int dy)
{
    Bitmap moved(chart.width(), chart.height(), colours::white);
    moved.draw(chart, dx, dy);
    return moved;
}

Bitmap GrowPicture(const Bitmap& chart, int extraColumns, int extraRows)
{
    Bitmap grown(chart.width() + extraColumns, chart.height() + extraRows, colours::white);
    grown.draw(chart, 0, 0);
    return grown;
}

Bitmap ScalePicture(const Bitmap& chart, int numerator, int denominator)
{
    Bitmap scaled(chart.width() * numerator / denominator, chart.height() * numerator / denominator);
    for (int y = 0; y < scaled.height(); ++y)
        for (int x = 0; x < scaled.width(); ++x)
            scaled.setPixel(x, y, chart.pixel(x * denominator / numerator, y * denominator / numerator));
    return scaled;
}

Bitmap RenderInOtherFont(const ChartModel& model)
{
    ChartModel other = model;
    other.font = model.font == ChartFont::Block ? ChartFont::Round : ChartFont::Block;
    return RenderChart(other);
}

Bitmap RenderLabelsInOtherFont(const ChartModel& model, int nth)
{
    ChartModel kept = model;
    kept.labels.clear();
    Bitmap chart = RenderChart(kept);
    const ChartFont other = model.font == ChartFont::Block ? ChartFont::Round : ChartFont::Block;
    for (std::size_t i = 0; i < model.labels.size(); ++i)
        DrawSideLabel(chart, model.labels[i].firstInkColumn, model.labels[i].text,
                      i % std::size_t(nth) == 0 ? other : model.font);
    return chart;
}

std::vector<StyleChange> StyleChanges()
{
    auto onPicture = [](std::function<Bitmap(const Bitmap&)> change) {
        return [change](const ChartModel& model) { return change(RenderChart(model)); };
    };
    std::vector<StyleChange> changes = {
        {"another olive", onPicture([](const Bitmap& c) { return RecolourPixels(c, colours::olive, kOtherOlive); })},
        {"another teal", onPicture([](const Bitmap& c) { return RecolourPixels(c, colours::teal, kOtherTeal); })},
        {"another olive and teal", onPicture([](const Bitmap& c) {
             return RecolourPixels(RecolourPixels(c, colours::olive, kOtherOlive), colours::teal, kOtherTeal);
         })},
        {"bar colours swapped", onPicture(SwapBarColours)},
        {"no bars", RenderWithoutBars},
        {"20 rows taller", onPicture([](const Bitmap& c) { return GrowPicture(c, 0, 20); })},
        {"40 columns wider", onPicture([](const Bitmap& c) { return GrowPicture(c, 40, 0); })},
        {"scaled by 2", onPicture([](const Bitmap& c) { return ScalePicture(c, 2, 1); })},
        {"scaled by 5/4", onPicture([](const Bitmap& c) { return ScalePicture(c, 5, 4); })},
        {"scaled by 9/10", onPicture([](const Bitmap& c) { return ScalePicture(c, 9, 10); })},
        {"the other font", RenderInOtherFont},
        {"labels in the other font", [](const ChartModel& m) { return RenderLabelsInOtherFont(m, 1); }},
        {"some labels in the other font", [](const ChartModel& m) { return RenderLabelsInOtherFont(m, 3); }},
    };
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            if (dx != 0 || dy != 0)
                changes.push_back({"moved by (" + std::to_string(dx) + ", " + std::to_string(dy) + ")",
                                   onPicture([dx, dy](const Bitmap& c) { return MovePicture(c, dx, dy); })});
    return changes;
}

}  // namespace tivka::charts
