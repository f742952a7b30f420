#include "export/indicator_pass.h"

#include <algorithm>
#include <vector>

#include "acquisition/pair_naming.h"
#include "export/indicator_data.h"
#include "platform/files.h"
#include "platform/folder_listing.h"
#include "platform/paths.h"

namespace tivka {

namespace {

constexpr std::size_t kFolderCount = 3;

// One pair of the list and which of the three folders asked for it. The
// answers are taken once and not tested again while the pair is served.
struct PairRequest {
    PairSource source;
    std::string code;
    std::array<bool, kFolderCount> asked{};

    bool any() const { return asked[0] || asked[1] || asked[2]; }
};

std::string folderPath(const IndicatorPassConfig& config, std::size_t folder)
{
    return NativePath(config.folders[folder].path);
}

std::string flagPath(const std::string& folder, const std::string& code)
{
    return folder + "ir" + code + ".dat";
}

PairRequest testRequest(const IndicatorPassConfig& config, const char* pairText)
{
    PairRequest request{{config.chartUrl, pairText, config.cumulative}, PairCode(pairText), {}};
    // A folder not set (a refused setting) or unreadable asks for nothing,
    // and so does a flag that is not a plain file (a folder of that name, a
    // pipe): it could never be set to "1" or "2", so serving it would fetch
    // and write for nothing.
    for (std::size_t i = 0; i < kFolderCount; ++i)
        request.asked[i] = !config.folders[i].path.empty() && IsRegularFile(flagPath(folderPath(config, i), request.code));
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

// Flag "1", data file, flag "2" in every folder that asked, in folder order.
// A data file that could not be written completely keeps its flag at "1",
// which tells the indicator the file is not to be trusted; a flag that cannot
// be set to "1" (gone, withdrawn) gets no data file. A file that is not a
// regular file of the folder is left alone and told.
void writeRequestedFolders(const IndicatorPassConfig& config, const PairRequest& request, const std::string& text,
                           const RefreshSink& sink)
{
    const auto written = [&](Status status) {
        if (status.code() == Status::Code::NotAFile)
            sink(FileRefused{status});
        return status.ok();
    };
    for (std::size_t i = 0; i < kFolderCount; ++i) {
        if (!request.asked[i])
            continue;
        const std::string folder = folderPath(config, i);
        const std::string flag = flagPath(folder, request.code);
        if (written(WriteRequestFlag(flag, '1')) && written(WriteIndicatorData(folder + request.code, text)))
            written(WriteRequestFlag(flag, '2'));
    }
}

void recordPair(const IndicatorPassConfig& config, const std::string& pairText,
                const PerChart<ChartReading>& readings, const PerChart<std::vector<LayoutProblem>>& layout)
{
    if (!config.recorder)
        return;
    static const SystemClock systemClock;
    const std::int64_t fetchedAt = (config.clock ? *config.clock : systemClock).now();
    for (ChartKind kind : kFetchOrder)
        config.recorder->record({pairText, kind, config.cumulative[kind], fetchedAt, readings[kind],
                                 LayoutChecks::failedIn(layout[kind])});
}

// The first chart, orders first, whose text is not a number.
ChartFailures readingFailures(const std::string& pairText, const PerChart<ChartReading>& readings)
{
    for (ChartKind kind : kChartKinds)
        if (const auto& failure = readings[kind].failure)
            return {{ChartFailure::What::NotANumber, pairText, kind, failure->text, "", ""}};
    return {};
}

// Everything after the fetch of one requested pair: the failure, or reading
// both charts and writing the folders. False when the fetch was cancelled.
bool serveFetchedPair(const IndicatorPassConfig& config, const DigitTemplate& digits, const RefreshSink& sink,
                      const PairRequest& request, FetchedPair fetched)
{
    if (fetched.cancelled)
        return false;
    const std::string& pairText = request.source.pairText;
    if (!fetched.charts) {
        sink(PairFailed{pairText, std::move(fetched.failures)});
        return true;
    }
    PerChart<ChartReading> readings;
    for (ChartKind kind : kChartKinds)
        readings[kind] = ReadChart((*fetched.charts)[kind], digits, config.reading);
    if (ChartFailures failures = readingFailures(pairText, readings); !failures.empty()) {
        sink(PairFailed{pairText, std::move(failures)});
        return true;
    }
    PerChart<std::vector<LayoutProblem>> layout;
    for (ChartKind kind : kChartKinds)
        layout[kind] = LayoutProblems((*fetched.charts)[kind], readings[kind]);
    recordPair(config, pairText, readings, layout);
    const std::string text = IndicatorDataText(readings[ChartKind::Orders], readings[ChartKind::Positions],
                                               DecimalsOfPairCode(request.code));
    sink(PairRead{pairText, std::move(readings), std::move(layout)});
    writeRequestedFolders(config, request, text, sink);
    return true;
}

// Each returns true when it was cancelled.
bool sequentialPass(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
                    const RefreshSink& sink)
{
    sink(ChartsPlanned{RequestedChartCount(config)});
    bool cancelled = false;
    for (const char* pairText : kPairList) {
        const PairRequest request = testRequest(config, pairText);
        if (request.any())
            cancelled |= !serveFetchedPair(
                config, digits, sink, request,
                FetchPair(ChartUse::Indicator, request.source, downloader, [&] { sink(ChartFetched{}); }));
    }
    return cancelled;
}

// All flags first, then every requested chart at once (positions before
// orders for each pair), then the pairs served in list order exactly as the
// pair-by-pair pass serves them.
bool overlappedPass(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
                    const RefreshSink& sink)
{
    const std::vector<PairRequest> requests = requestedPairs(config);
    sink(ChartsPlanned{int(2 * requests.size())});
    if (requests.empty())
        return false;
    std::vector<PerChart<ChartFile>> files;
    std::vector<DownloadJob> jobs;
    for (const PairRequest& request : requests) {
        files.push_back(PairChartFiles(ChartUse::Indicator, request.source));
        for (ChartKind kind : kFetchOrder)
            jobs.push_back({files.back()[kind].url, files.back()[kind].localName});
    }
    const std::vector<DownloadOutcome> fetched =
        downloader.downloadAll(jobs, [&](std::size_t) { sink(ChartFetched{}); });
    bool cancelled = false;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        PerChart<DownloadOutcome> outcomes;
        for (std::size_t k = 0; k < kFetchOrder.size(); ++k)
            outcomes[kFetchOrder[k]] = fetched.at(2 * i + k);
        cancelled |= !serveFetchedPair(config, digits, sink, requests[i],
                                       DecodeDownloadedPair(requests[i].source.pairText, files[i], outcomes));
    }
    return cancelled;
}

// Whether a file name looks like a request flag whatever its case: "ir",
// something, ".dat".
bool looksLikeFlag(const std::string& name)
{
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
        return text;
    };
    const std::string folded = lower(name);
    return folded.size() > 6 && folded.starts_with("ir") && folded.ends_with(".dat");
}

bool isListedFlag(const std::string& name)
{
    return std::any_of(kPairList.begin(), kPairList.end(),
                       [&](const char* pair) { return SameFileName(name, "ir" + PairCode(pair) + ".dat"); });
}

// The flag files of a folder no listed pair answers to, each added to `now`
// by its full path; those not in `told` are given back.
std::vector<std::string> newlyIgnoredFlags(const std::string& folder, const std::string& absolute,
                                           const std::set<std::string>& told, std::set<std::string>& now)
{
    std::vector<std::string> news;
    const Result<std::vector<std::string>> names = FileNamesIn(folder);
    if (!names.ok())
        return news;
    for (const std::string& name : names.value()) {
        if (!looksLikeFlag(name) || isListedFlag(name))
            continue;
        now.insert(absolute + name);
        if (!told.contains(absolute + name))
            news.push_back(name);
    }
    return news;
}

}  // namespace

// A folder served under two numbers is looked at under the first; what was
// told stays told until it changes (a folder that comes back, a flag that is
// removed), so that a pass every minute does not say it again every minute.
void IndicatorPass::lookAtFolders(const IndicatorPassConfig& config, const RefreshSink& sink)
{
    std::set<std::string> ignoredNow;
    for (std::size_t i = 0; i < kFolderCount; ++i) {
        const std::string folder = folderPath(config, i);
        const bool seenBefore = std::any_of(config.folders.begin(), config.folders.begin() + i,
                                            [&](const IndicatorFolder& earlier) {
                                                return NativePath(earlier.path) == folder;
                                            });
        if (folder.empty() || seenBefore) {
            toldMissing_[i].clear();
            continue;
        }
        const int number = int(i + 1);
        const std::string absolute = AbsolutePath(folder);
        if (!IsFolder(folder)) {
            if (config.folders[i].named && toldMissing_[i] != absolute)
                sink(IndicatorFolderMissing{number, absolute});
            toldMissing_[i] = config.folders[i].named ? absolute : std::string();
            continue;
        }
        toldMissing_[i].clear();
        std::vector<std::string> news = newlyIgnoredFlags(folder, absolute, toldIgnored_, ignoredNow);
        if (!news.empty())
            sink(IndicatorFlagsIgnored{number, absolute, std::move(news)});
    }
    toldIgnored_ = std::move(ignoredNow);
}

int RequestedChartCount(const IndicatorPassConfig& config)
{
    return int(2 * requestedPairs(config).size());
}

void IndicatorPass::serve(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
                          const RefreshSink& sink)
{
    if (running_)
        return;
    running_ = true;
    struct Reset {
        bool& running;
        ~Reset() { running = false; }
    } reset{running_};
    sink(PassStarted{});
    lookAtFolders(config, sink);
    const bool cancelled = config.overlapped ? overlappedPass(config, digits, downloader, sink)
                                             : sequentialPass(config, digits, downloader, sink);
    sink(PassEnded{cancelled});
}

}  // namespace tivka
