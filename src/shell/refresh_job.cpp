#include "shell/refresh_job.h"

namespace tivka {

namespace {

constexpr int kDisplayCharts = 2;

// Counts fetched charts for the progress the window shows, passing the
// indicator pass's events on.
class ProgressCounter final : public IndicatorPassObserver {
public:
    ProgressCounter(RefreshObserver& observer, int total) : observer_(observer), total_(total) {}

    void fetched()
    {
        ++done_;
        observer_.progress(done_, total_);
    }
    void chartsToFetch(int count) override
    {
        total_ = done_ + count;
        observer_.progress(done_, total_);
        observer_.chartsToFetch(count);
    }
    void chartFetched() override
    {
        fetched();
        observer_.chartFetched();
    }
    void pairFailed(const std::string& message) override { observer_.pairFailed(message); }
    void pairRead(const std::string& code, const ChartReading& orders, const ChartReading& positions) override
    {
        observer_.pairRead(code, orders, positions);
    }

private:
    RefreshObserver& observer_;
    int total_;
    int done_ = 0;
};

// The display downloads, counted as they finish.
class CountingDownloader final : public Downloader {
public:
    CountingDownloader(Downloader& inner, ProgressCounter& counter) : inner_(inner), counter_(counter) {}

    DownloadOutcome download(const std::string& url, const std::string& fileName) override
    {
        DownloadOutcome outcome = inner_.download(url, fileName);
        counter_.fetched();
        return outcome;
    }
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>& jobs,
                                             const std::function<void(std::size_t)>& onDone) override
    {
        return inner_.downloadAll(jobs, onDone);
    }

private:
    Downloader& inner_;
    ProgressCounter& counter_;
};

}  // namespace

void RunRefresh(const RefreshRequest& request, const DigitTemplate& digits, Downloader& downloader,
                IndicatorServer& indicators, RefreshObserver& observer)
{
    const int total = kDisplayCharts + RequestedChartCount(request.indicators);
    ProgressCounter counter(observer, total);
    observer.progress(0, total);
    CountingDownloader counting(downloader, counter);
    DisplayFetch display = FetchDisplayCharts(request.display, counting);
    const bool cancelled = display.cancelled;
    observer.displayFetched(std::move(display));
    if (!cancelled)
        indicators.serve(request.indicators, digits, downloader, counter);
}

}  // namespace tivka
