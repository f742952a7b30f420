#include "export/indicator_pass.h"

#include <vector>

#include "acquisition/display_charts.h"
#include "acquisition/pair_naming.h"
#include "export/indicator_data.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace tivka {

namespace {

constexpr const char* kUpdateFailedMessage = "Ошибка при обновлении графиков для ";
constexpr std::size_t kFolderCount = 3;

// One pair of the list and which of the three folders asked for it. The
// answers are taken once and not tested again while the pair is served.
struct PairRequest {
    std::string pairText;
    std::string code;
    std::array<bool, kFolderCount> asked{};

    bool any() const { return asked[0] || asked[1] || asked[2]; }
};

struct PairChartFiles {
    ChartFile positions;
    ChartFile orders;
};

// Resets the running flag however the pass ends.
class RunningFlag {
public:
    explicit RunningFlag(bool& running) : running_(running) { running_ = true; }
    ~RunningFlag() { running_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& running_;
};

std::string folderPath(const IndicatorPassConfig& config, std::size_t folder)
{
    return NativePath(config.folders[folder]);
}

std::string flagPath(const std::string& folder, const std::string& code)
{
    return folder + "ir" + code + ".dat";
}

PairRequest testRequest(const IndicatorPassConfig& config, const char* pairText)
{
    PairRequest request{pairText, PairCode(pairText), {}};
    // An unreadable folder asks for nothing, and so does a flag that is not a
    // plain file (a folder of that name, a pipe): it could never be set to
    // "1" or "2", so serving it would fetch and write for nothing.
    for (std::size_t i = 0; i < kFolderCount; ++i)
        request.asked[i] = IsRegularFile(flagPath(folderPath(config, i), request.code));
    return request;
}

std::vector<PairRequest> requestedPairs(const IndicatorPassConfig& config)
{
    std::vector<PairRequest> requests;
    for (const char* pairText : kPairList) {
        PairRequest request = testRequest(config, pairText);
        if (request.any())
            requests.push_back(std::move(request));
    }
    return requests;
}

PairChartFiles chartFilesFor(const IndicatorPassConfig& config, const std::string& code)
{
    return {IndicatorPositionsChart(config.chartUrl, code, config.positionsCumulative),
            IndicatorOrdersChart(config.chartUrl, code, config.ordersCumulative)};
}

DecodedPair fetchPair(const IndicatorPassConfig& config, const std::string& code, Downloader& downloader,
                      IndicatorPassObserver& observer)
{
    const PairChartFiles files = chartFilesFor(config, code);
    const DownloadOutcome positions = downloader.download(files.positions.url, files.positions.localName);
    observer.chartFetched();
    const DownloadOutcome orders = downloader.download(files.orders.url, files.orders.localName);
    observer.chartFetched();
    return DecodeDownloadedPair(files.positions, positions, files.orders, orders);
}

// Flag "1", data file, flag "2" in every folder that asked, in folder order.
// A data file that could not be written completely keeps its flag at "1",
// which tells the indicator the file is not to be trusted; a flag that cannot
// be set to "1" (gone, withdrawn) gets no data file.
void writeRequestedFolders(const IndicatorPassConfig& config, const PairRequest& request, const std::string& text)
{
    for (std::size_t i = 0; i < kFolderCount; ++i) {
        if (!request.asked[i])
            continue;
        const std::string folder = folderPath(config, i);
        const std::string flag = flagPath(folder, request.code);
        if (WriteRequestFlag(flag, '1') && WriteIndicatorData(folder + request.code, text))
            WriteRequestFlag(flag, '2');
    }
}

void recordPair(const IndicatorPassConfig& config, const std::string& pairText, const ChartReading& orders,
                const ChartReading& positions)
{
    if (!config.recorder)
        return;
    static const SystemClock systemClock;
    const std::int64_t fetchedAt = (config.clock ? *config.clock : systemClock).now();
    config.recorder->record({pairText, ChartKind::Positions, config.positionsCumulative, fetchedAt, positions});
    config.recorder->record({pairText, ChartKind::Orders, config.ordersCumulative, fetchedAt, orders});
}

// Everything after the fetch of one requested pair: the failure, or reading
// both charts and writing the folders.
void serveFetchedPair(const IndicatorPassConfig& config, const DigitTemplate& digits,
                      IndicatorPassObserver& observer, const PairRequest& request, const DecodedPair& pair)
{
    if (pair.cancelled)
        return;
    std::string failure = pair.failure;
    if (pair.charts) {
        const ChartReading orders = ReadChart(pair.charts->orders, digits, config.reading);
        const ChartReading positions = ReadChart(pair.charts->positions, digits, config.reading);
        failure = orders.failure ? orders.failure->message : positions.failure ? positions.failure->message : "";
        if (failure.empty()) {
            observer.pairRead(request.code, orders, positions);
            recordPair(config, request.pairText, orders, positions);
            writeRequestedFolders(config, request,
                                  IndicatorDataText(orders, positions, DecimalsOfPairCode(request.code)));
            return;
        }
    }
    observer.pairFailed(kUpdateFailedMessage + request.code + "\n" + failure);
}

void sequentialPass(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
                    IndicatorPassObserver& observer)
{
    observer.chartsToFetch(RequestedChartCount(config));
    for (const char* pairText : kPairList) {
        const PairRequest request = testRequest(config, pairText);
        if (request.any())
            serveFetchedPair(config, digits, observer, request, fetchPair(config, request.code, downloader, observer));
    }
}

// All flags first, then every requested chart at once (positions before
// orders for each pair), then the pairs served in list order exactly as the
// pair-by-pair pass serves them.
void overlappedPass(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
                    IndicatorPassObserver& observer)
{
    const std::vector<PairRequest> requests = requestedPairs(config);
    observer.chartsToFetch(int(2 * requests.size()));
    if (requests.empty())
        return;
    std::vector<PairChartFiles> files;
    std::vector<DownloadJob> jobs;
    for (const PairRequest& request : requests) {
        files.push_back(chartFilesFor(config, request.code));
        jobs.push_back({files.back().positions.url, files.back().positions.localName});
        jobs.push_back({files.back().orders.url, files.back().orders.localName});
    }
    const std::vector<DownloadOutcome> fetched =
        downloader.downloadAll(jobs, [&](std::size_t) { observer.chartFetched(); });
    for (std::size_t i = 0; i < requests.size(); ++i)
        serveFetchedPair(config, digits, observer, requests[i],
                         DecodeDownloadedPair(files[i].positions, fetched.at(2 * i), files[i].orders,
                                              fetched.at(2 * i + 1)));
}

}  // namespace

int RequestedChartCount(const IndicatorPassConfig& config)
{
    return int(2 * requestedPairs(config).size());
}

void IndicatorServer::serve(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
                            IndicatorPassObserver& observer)
{
    if (running_)
        return;
    RunningFlag flag(running_);
    if (config.overlapped)
        overlappedPass(config, digits, downloader, observer);
    else
        sequentialPass(config, digits, downloader, observer);
}

}  // namespace tivka
