#include "support/fake_chart_downloader.h"

#include "chart/png_codec.h"
#include "chart_server/chart_server.h"
#include "support/test_support.h"

namespace tivka::test {

DownloadOutcome FakeChartDownloader::download(const std::string& url, const std::string& fileName)
{
    urls.push_back(url);
    if (onDownload)
        onDownload(url);
    DownloadOutcome outcome;
    if (!waitWhileHeld()) {
        outcome.cancelled = true;
        return outcome;
    }
    if (!reachable) {
        outcome.error = "Couldn't connect to server";
        return outcome;
    }
    outcome.opened = true;
    outcome.status = 200;
    const auto file = charts::ParseChartFileName(url.substr(url.rfind('/') + 1));
    if (!file || servePages) {
        writeFile(fileName, "<html><body>Not Found</body></html>");
        return outcome;
    }
    charts::ChartModel model = charts::ChartModelFor(*file, 7, "12:30");
    if (alterModel)
        alterModel(model);
    EncodePngFile(charts::RenderChart(model), fileName);
    return outcome;
}

std::vector<DownloadOutcome> FakeChartDownloader::downloadAll(const std::vector<DownloadJob>& jobs,
                                                              const std::function<void(std::size_t)>& onDone)
{
    std::vector<DownloadOutcome> results;
    for (const DownloadJob& job : jobs) {
        results.push_back(download(job.url, job.fileName));
        if (onDone)
            onDone(results.size() - 1);
    }
    return results;
}

void FakeChartDownloader::cancel()
{
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

void FakeChartDownloader::resume()
{
    std::lock_guard lock(mutex_);
    cancelled_ = false;
}

void FakeChartDownloader::hold()
{
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FakeChartDownloader::release()
{
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
}

bool FakeChartDownloader::waiting()
{
    std::lock_guard lock(mutex_);
    return waiting_;
}

bool FakeChartDownloader::waitWhileHeld()
{
    std::unique_lock lock(mutex_);
    waiting_ = held_;
    changed_.wait(lock, [this] { return !held_ || cancelled_; });
    waiting_ = false;
    return !cancelled_;
}

}  // namespace tivka::test
