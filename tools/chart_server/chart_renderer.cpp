// Paints a chart model in the broker's chart geometry.

#include "chart_server/chart_renderer.h"

namespace tivka::charts {
namespace {

constexpr int kAxisRow = 120;
constexpr int kBuyBottomRow = 119;
constexpr int kSellTopRow = 121;
constexpr int kBarTopRow = 45;
constexpr int kBarBottomRow = 195;

// Never black: the readers take black for text.
constexpr Colour kAxisColour = rgb(64, 64, 64);
constexpr Colour kPriceLineColour = rgb(220, 0, 0);
constexpr Colour kFrameColour = rgb(192, 192, 192);

// Draws one bar starting next to the axis at `row`, moving by `direction`.
void drawBar(Bitmap& chart, int x, int row, int direction, const BarDrawing& bar, Colour colour)
{
    auto put = [&](Colour c) {
        chart.setPixel(x, row, c);
        row += direction;
    };
    for (int i = 0; i < bar.greyBefore; ++i)
        put(colours::grey);
    for (int i = 0; i < bar.barPixels; ++i)
        put(colour);
    if (bar.greyAfterWhite <= 0)
        return;
    put(colours::white);
    for (int i = 0; i < bar.greyAfterWhite; ++i)
        put(colours::grey);
}

void drawBars(Bitmap& chart, const ChartModel& model)
{
    for (int i = 0; i < int(model.buy.size()); ++i) {
        const int x = kFirstLevelColumn + i;
        if (x == kCurrentColumn)
            continue;
        // Limit orders sit on the far side of the price (olive), stops on the near side (teal).
        const bool below = x < kCurrentColumn;
        drawBar(chart, x, kBuyBottomRow, -1, model.buy[std::size_t(i)], below ? colours::olive : colours::teal);
        drawBar(chart, x, kSellTopRow, +1, model.sell[std::size_t(i)], below ? colours::teal : colours::olive);
    }
}

// A light frame on the picture's edge, clear of every text band.
void drawFrame(Bitmap& chart)
{
    for (int x = 0; x < chart.width(); ++x) {
        chart.setPixel(x, 0, kFrameColour);
        chart.setPixel(x, chart.height() - 1, kFrameColour);
    }
    for (int y = 0; y < chart.height(); ++y) {
        chart.setPixel(0, y, kFrameColour);
        chart.setPixel(chart.width() - 1, y, kFrameColour);
    }
}

}  // namespace

Bitmap RenderChart(const ChartModel& model)
{
    Bitmap chart(kChartWidth, kChartHeight, colours::white);
    drawFrame(chart);
    for (int x = kFirstLevelColumn - 5; x <= 440; ++x)
        chart.setPixel(x, kAxisRow, kAxisColour);
    drawBars(chart, model);
    for (int y = kBarTopRow; y <= kBarBottomRow; ++y)
        chart.setPixel(kCurrentColumn, y, kPriceLineColour);
    DrawUprightText(chart, model.priceFirstColumn, model.priceFirstRow, model.priceText, model.font);
    DrawUprightText(chart, model.timeFirstColumn, model.timeFirstRow, model.timeText, model.font);
    for (const ScaleLabel& label : model.labels)
        DrawSideLabel(chart, label.firstInkColumn, label.text, model.font);
    return chart;
}

}  // namespace tivka::charts
