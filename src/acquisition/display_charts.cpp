#include "acquisition/display_charts.h"

#include "acquisition/pair_naming.h"
#include "chart/png_codec.h"
#include "platform/files.h"

namespace tivka {

std::optional<DisplayCharts> FetchDisplayCharts(const DisplayChartRequest& request, Downloader& downloader)
{
    ChartFile positions = DisplayPositionsChart(request.chartUrl, request.pairText, request.positionsCumulative);
    ChartFile orders = DisplayOrdersChart(request.chartUrl, request.pairText, request.ordersCumulative);
    // Both fetches always run, positions first, so one message covers both.
    bool positionsFetched = downloader.download(positions.url, positions.localName);
    bool ordersFetched = downloader.download(orders.url, orders.localName);
    if (!positionsFetched || !ordersFetched)
        return std::nullopt;

    DisplayCharts charts;
    charts.orders = DecodePngFile(orders.localName);
    charts.positions = DecodePngFile(positions.localName);
    charts.ordersView = turnQuarter(charts.orders);
    charts.positionsView = turnQuarter(charts.positions);

    // A temporary file that cannot be deleted is harmless: the next refresh
    // of the same chart overwrites it.
    RemoveFile(orders.localName);
    RemoveFile(positions.localName);
    return charts;
}

}  // namespace tivka
