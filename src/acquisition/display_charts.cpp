#include "acquisition/display_charts.h"

#include <filesystem>

#include "acquisition/pair_naming.h"
#include "acquisition/png_codec.h"

namespace tivka {

std::optional<WorkingBitmaps> FetchDisplayCharts(const DisplayChartRequest& request, Downloader& downloader)
{
    ChartFile positions = DisplayPositionsChart(request.chartUrl, request.pairText, request.positionsCumulative);
    ChartFile orders = DisplayOrdersChart(request.chartUrl, request.pairText, request.ordersCumulative);
    // Both fetches always run, positions first, so one message covers both.
    bool positionsFetched = downloader.download(positions.url, positions.localName);
    bool ordersFetched = downloader.download(orders.url, orders.localName);
    if (!positionsFetched || !ordersFetched)
        return std::nullopt;

    WorkingBitmaps bitmaps;
    bitmaps.OrdersBitmap = DecodePngFile(orders.localName);
    bitmaps.PositionsBitmap = DecodePngFile(positions.localName);
    bitmaps.OrdersView = turnQuarter(bitmaps.OrdersBitmap);
    bitmaps.PositionsView = turnQuarter(bitmaps.PositionsBitmap);

    // A temporary file that cannot be deleted is harmless: the next refresh
    // of the same chart overwrites it.
    std::error_code ignored;
    std::filesystem::remove(orders.localName, ignored);
    std::filesystem::remove(positions.localName, ignored);
    return bitmaps;
}

}  // namespace tivka
