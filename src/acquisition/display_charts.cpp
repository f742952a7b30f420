#include "acquisition/display_charts.h"

#include <stdexcept>

#include "chart/image_file.h"
#include "chart/png_codec.h"
#include "platform/files.h"

namespace tivka {

namespace {

// What went wrong with each download that did not arrive, a line each.
std::string downloadFailure(const ChartFile& positions, const DownloadOutcome& positionsOutcome,
                            const ChartFile& orders, const DownloadOutcome& ordersOutcome)
{
    std::string why;
    if (!positionsOutcome.fetched())
        why += DescribeFailure(positionsOutcome, positions.url);
    if (!ordersOutcome.fetched())
        why += (why.empty() ? "" : "\n") + DescribeFailure(ordersOutcome, orders.url);
    return why;
}

// A failure's message names the file and the address it came from.
Bitmap decodeDownloadedChart(const ChartFile& chart)
{
    return DecodePng(ReadImageFile(chart.localName, "PNG"), chart.localName + " from " + chart.url);
}

}  // namespace

DecodedPair DecodeDownloadedPair(const ChartFile& positions, const DownloadOutcome& positionsOutcome,
                                 const ChartFile& orders, const DownloadOutcome& ordersOutcome)
{
    DecodedPair pair;
    pair.cancelled = positionsOutcome.cancelled || ordersOutcome.cancelled;
    if (pair.cancelled)
        return pair;
    pair.downloadFailed = !positionsOutcome.fetched() || !ordersOutcome.fetched();
    if (pair.downloadFailed) {
        pair.failure = downloadFailure(positions, positionsOutcome, orders, ordersOutcome);
        return pair;
    }
    try {
        Bitmap ordersChart = decodeDownloadedChart(orders);
        pair.charts = ChartPair{std::move(ordersChart), decodeDownloadedChart(positions)};
    } catch (const std::runtime_error& error) {
        pair.failure = error.what();
        return pair;
    }
    // A temporary file that cannot be deleted is harmless: the next fetch of
    // the same chart overwrites it.
    RemoveFile(orders.localName);
    RemoveFile(positions.localName);
    return pair;
}

DisplayFetch FetchDisplayCharts(const DisplayChartRequest& request, Downloader& downloader)
{
    const ChartFile positions =
        DisplayPositionsChart(request.chartUrl, request.pairText, request.positionsCumulative);
    const ChartFile orders = DisplayOrdersChart(request.chartUrl, request.pairText, request.ordersCumulative);
    // Both fetches always run, positions first, so one message covers both.
    const DownloadOutcome positionsOutcome = downloader.download(positions.url, positions.localName);
    const DownloadOutcome ordersOutcome = downloader.download(orders.url, orders.localName);
    DecodedPair pair = DecodeDownloadedPair(positions, positionsOutcome, orders, ordersOutcome);
    DisplayFetch fetch;
    fetch.cancelled = pair.cancelled;
    fetch.failure = pair.downloadFailed ? kDisplayDownloadFailed + ("\n" + pair.failure) : pair.failure;
    if (pair.charts) {
        Bitmap ordersView = turnQuarter(pair.charts->orders);
        Bitmap positionsView = turnQuarter(pair.charts->positions);
        fetch.charts = DisplayCharts{std::move(pair.charts->orders), std::move(pair.charts->positions),
                                     std::move(ordersView), std::move(positionsView)};
    }
    return fetch;
}

}  // namespace tivka
