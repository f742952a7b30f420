#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "acquisition/download.h"
#include "chart_server/chart_renderer.h"

namespace tivka::test {

// Serves synthetic charts as the broker's server would, without a network:
// the file name at the end of the address chooses the picture. While
// `hold()` is in force a download waits, as on a server that does not
// answer, until `release()` or `cancel()`.
class FakeChartDownloader final : public Downloader {
public:
    DownloadOutcome download(const std::string& url, const std::string& fileName) override;
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>& jobs,
                                             const std::function<void(std::size_t)>& onDone) override;
    void cancel() override;
    void resume() override;

    void hold();
    void release();
    bool waiting();  // whether a download waits on a hold now

    bool reachable = true;
    bool servePages = false;          // an HTML page in place of every picture
    std::vector<std::string> urls;    // every address asked for, in order (read once no download runs)
    std::function<void(const std::string& url)> onDownload;  // runs before each fetch
    std::function<void(charts::ChartModel&)> alterModel;     // changes what is drawn

private:
    bool waitWhileHeld();  // false when cancelled

    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool waiting_ = false;
    bool cancelled_ = false;
};

}  // namespace tivka::test
