#include "acquisition/display_charts.h"

#include <stdexcept>

#include "acquisition/pair_naming.h"
#include "chart/image_file.h"
#include "chart/png_codec.h"
#include "platform/files.h"

namespace tivka {

namespace {

// The message of downloads that did not both arrive: the fixed first line,
// then what went wrong with each.
std::string downloadFailure(const ChartFile& positions, const DownloadOutcome& positionsOutcome,
                            const ChartFile& orders, const DownloadOutcome& ordersOutcome)
{
    std::string message = kDisplayDownloadFailed;
    if (!positionsOutcome.fetched())
        message += "\n" + DescribeFailure(positionsOutcome, positions.url);
    if (!ordersOutcome.fetched())
        message += "\n" + DescribeFailure(ordersOutcome, orders.url);
    return message;
}

}  // namespace

Bitmap DecodeDownloadedChart(const std::string& localName, const std::string& url)
{
    return DecodePng(ReadImageFile(localName, "PNG"), localName + " from " + url);
}

DisplayFetch FetchDisplayCharts(const DisplayChartRequest& request, Downloader& downloader)
{
    const ChartFile positions =
        DisplayPositionsChart(request.chartUrl, request.pairText, request.positionsCumulative);
    const ChartFile orders = DisplayOrdersChart(request.chartUrl, request.pairText, request.ordersCumulative);
    // Both fetches always run, positions first, so one message covers both.
    const DownloadOutcome positionsOutcome = downloader.download(positions.url, positions.localName);
    const DownloadOutcome ordersOutcome = downloader.download(orders.url, orders.localName);
    DisplayFetch fetch;
    fetch.cancelled = positionsOutcome.cancelled || ordersOutcome.cancelled;
    if (fetch.cancelled)
        return fetch;
    if (!positionsOutcome.fetched() || !ordersOutcome.fetched()) {
        fetch.failure = downloadFailure(positions, positionsOutcome, orders, ordersOutcome);
        return fetch;
    }
    try {
        DisplayCharts charts;
        charts.orders = DecodeDownloadedChart(orders.localName, orders.url);
        charts.positions = DecodeDownloadedChart(positions.localName, positions.url);
        charts.ordersView = turnQuarter(charts.orders);
        charts.positionsView = turnQuarter(charts.positions);
        fetch.charts = std::move(charts);
    } catch (const std::runtime_error& error) {
        fetch.failure = error.what();
        return fetch;
    }
    // A temporary file that cannot be deleted is harmless: the next refresh
    // of the same chart overwrites it.
    RemoveFile(orders.localName);
    RemoveFile(positions.localName);
    return fetch;
}

}  // namespace tivka
