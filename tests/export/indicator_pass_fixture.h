#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "export/chart_service.h"
#include "export/indicator_pass.h"
#include "support/recorded_messages.h"
#include "support/test_support.h"

namespace tivka::test {

// Real downloads, counted; addresses holding `failPart` fail as if the host
// could not be reached (false, no file).
class CountingDownloader final : public Downloader {
public:
    DownloadOutcome download(const std::string& url, const std::string& fileName) override
    {
        ++singleDownloads;
        urls.push_back(url);
        return failing(url) ? unreachable() : curl.download(url, fileName);
    }
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>& jobs,
                                             const std::function<void(std::size_t)>& onDone) override
    {
        ++batches;
        std::vector<DownloadJob> reachable;
        for (const DownloadJob& job : jobs) {
            urls.push_back(job.url);
            if (!failing(job.url))
                reachable.push_back(job);
        }
        const std::vector<DownloadOutcome> fetched = curl.downloadAll(reachable, onDone);
        std::vector<DownloadOutcome> results;
        std::size_t next = 0;
        for (const DownloadJob& job : jobs)
            results.push_back(failing(job.url) ? unreachable() : fetched.at(next++));
        return results;
    }
    static DownloadOutcome unreachable()
    {
        DownloadOutcome outcome;
        outcome.error = "Couldn't connect to server";
        return outcome;
    }
    bool failing(const std::string& url) const { return !failPart.empty() && url.find(failPart) != std::string::npos; }

    CurlDownloader curl;
    std::string failPart;
    int singleDownloads = 0;
    int batches = 0;
    std::vector<std::string> urls;
};

// What a pass reported, in order.
struct RecordedFailures final : IndicatorPassObserver {
    void pairFailed(const std::string& message) override
    {
        shown.push_back(message);
        if (onFailure)
            onFailure(message);
    }
    std::vector<std::string> shown;
    std::function<void(const std::string&)> onFailure;
};

// An indicator pass against the chart service, with three MetaTrader folders
// "mt4_N\experts\files\Tivka\" below a fresh current folder; the parameter
// chooses overlapped (true) or pair-by-pair fetching.
class IndicatorPassTest : public ::testing::TestWithParam<bool> {
protected:
    IndicatorPassTest() : cwd_(temp_.path()), digits_(charts::DigitTemplateBitmap())
    {
        config_.chartUrl = service_.chartUrl();
        config_.overlapped = GetParam();
        for (int i = 0; i < 3; ++i) {
            config_.folders[std::size_t(i)] = "mt4_" + std::to_string(i + 1) + "\\experts\\files\\Tivka\\";
            std::filesystem::create_directories(folder(i));
        }
    }

    std::filesystem::path folder(int i) const
    {
        return temp_.path() / ("mt4_" + std::to_string(i + 1)) / "experts" / "files" / "Tivka";
    }
    void request(int i, const std::string& code, const std::string& content = "0")
    {
        writeFile(folder(i) / ("ir" + code + ".dat"), content);
    }
    void run() { server_.serve(config_, digits_, downloader_, observer_); }
    std::string expected(const std::string& pairText)
    {
        return ExpectedDataText(service_.model(pairText, charts::ChartKind::Orders, config_.ordersCumulative),
                                service_.model(pairText, charts::ChartKind::Positions, config_.positionsCumulative));
    }
    std::vector<std::string> filesIn(const std::filesystem::path& dir) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir temp_;
    ScopedCurrentDir cwd_;
    ChartService service_;
    DigitTemplate digits_;
    IndicatorPassConfig config_;
    IndicatorServer server_;
    CountingDownloader downloader_;
    RecordedFailures observer_;
};

inline std::string FetchingName(const ::testing::TestParamInfo<bool>& info)
{
    return info.param ? "Overlapped" : "Sequential";
}

}  // namespace tivka::test
