#include "shell/refresh.h"

#include "platform/files.h"

namespace tivka {

namespace {

constexpr int kDisplayCharts = 2;

// What a failed fetch left in the working folder (an error page, a picture
// cut short) is removed: it is not a chart, and a file named after a pair
// must not look like one.
DisplayFetched fetchDisplay(const PairSource& source, Downloader& downloader, const RefreshSink& sink)
{
    DisplayFetched display{source, FetchPair(ChartUse::Display, source, downloader, [&] { sink(ChartFetched{}); }),
                           std::nullopt};
    if (!display.fetched.charts) {
        const PerChart<ChartFile> files = PairChartFiles(ChartUse::Display, source);
        for (ChartKind kind : kChartKinds)
            RemoveFile(files[kind].localName);
    }
    if (display.fetched.charts) {
        PerChart<Bitmap> views;
        for (ChartKind kind : kChartKinds)
            views[kind] = turnQuarter((*display.fetched.charts)[kind]);
        display.views = std::move(views);
    }
    return display;
}

}  // namespace

IndicatorPassConfig IndicatorPassConfigFor(const Settings& settings, const std::string& systemSeparator)
{
    IndicatorPassConfig config;
    config.chartUrl = settings.chartUrl;
    config.folders = IndicatorFoldersOf(settings);
    config.cumulative = settings.choices.cumulative;
    config.reading = {settings.decimalSymbol, systemSeparator};
    return config;
}

void RunRefresh(const RefreshRequest& request, const DigitTemplate& digits, Downloader& downloader,
                IndicatorPass& indicators, const RefreshSink& sink)
{
    sink(ChartsPlanned{kDisplayCharts + RequestedChartCount(request.indicators)});
    DisplayFetched display = fetchDisplay(request.display, downloader, sink);
    const bool cancelled = display.fetched.cancelled;
    sink(std::move(display));
    if (!cancelled)
        indicators.serve(request.indicators, digits, downloader, sink);
}

}  // namespace tivka
