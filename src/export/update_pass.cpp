#include "export/update_pass.h"

#include <cstdio>
#include <filesystem>

#include "acquisition/pair_naming.h"
#include "acquisition/png_codec.h"
#include "export/indicator_files.h"
#include "platform/system_paths.h"
#include "reading/chart_reader.h"

namespace tivka {

const std::array<const char*, 10> kPairList = {"GBP/USD", "EUR/USD", "AUD/USD", "USD/JPY", "USD/CAD",
                                               "USD/CHF", "EUR/GBP", "EUR/JPY", "EUR/CHF", "GBP/JPY"};

namespace {

constexpr const char* kUpdateFailedMessage = "Ошибка при обновлении графиков для ";
constexpr std::size_t kFolderCount = 3;

// One pair of the list and which of the three folders asked for it. The
// answers are taken once and not tested again while the pair is served.
struct PairRequest {
    std::string code;
    std::array<bool, kFolderCount> asked{};

    bool any() const { return asked[0] || asked[1] || asked[2]; }
};

struct PairChartFiles {
    ChartFile positions;
    ChartFile orders;
};

// Resets the running flag however the pass ends.
class PassGuard {
public:
    explicit PassGuard(bool& running) : running_(running) { running_ = true; }
    ~PassGuard() { running_ = false; }
    PassGuard(const PassGuard&) = delete;
    PassGuard& operator=(const PassGuard&) = delete;

private:
    bool& running_;
};

std::string FolderPath(const UpdatePassConfig& config, std::size_t folder)
{
    return NativePath(config.mt4Dirs[folder]);
}

std::string FlagPath(const std::string& folder, const std::string& code)
{
    return folder + "ir" + code + ".dat";
}

PairRequest TestRequest(const UpdatePassConfig& config, const char* pairText)
{
    PairRequest request{PairCode(pairText), {}};
    for (std::size_t i = 0; i < kFolderCount; ++i) {
        // An unreadable folder asks for nothing, and so does a flag that is
        // not a plain file (a folder of that name, a pipe): it could never be
        // set to "1" or "2", so serving it would fetch and write for nothing.
        std::error_code error;
        request.asked[i] = std::filesystem::is_regular_file(FlagPath(FolderPath(config, i), request.code), error);
    }
    return request;
}

PairChartFiles ChartFilesFor(const UpdatePassConfig& config, const std::string& code)
{
    return {IndicatorPositionsChart(config.chartUrl, code, config.positionsCumulative),
            IndicatorOrdersChart(config.chartUrl, code, config.ordersCumulative)};
}

// The decoding half of the fetch, once both downloads have been attempted.
void DecodeFetchedCharts(const PairChartFiles& files, bool positionsOk, bool ordersOk, IndicatorState& state,
                         Bitmap& ordersBitmap, Bitmap& positionsBitmap)
{
    state.Mt4ImagesLoaded = false;
    if (!positionsOk || !ordersOk)
        return;
    ordersBitmap = DecodePngFile(files.orders.localName);
    positionsBitmap = DecodePngFile(files.positions.localName);
    // A temporary file that cannot be deleted is overwritten by the next fetch.
    std::remove(files.orders.localName.c_str());
    std::remove(files.positions.localName.c_str());
    state.Mt4ImagesLoaded = true;
}

// Flag "1", data file, flag "2" in every folder that asked, in folder order.
// A data file that could not be written completely keeps its flag at "1",
// which tells the indicator the file is not to be trusted.
void WriteRequestedFolders(const UpdatePassConfig& config, const PairRequest& request, const IndicatorState& state)
{
    const std::string text =
        IndicatorDataText(state.charts[0], state.charts[1], state.Mt4Digits, config.systemSeparator);
    for (std::size_t i = 0; i < kFolderCount; ++i) {
        if (!request.asked[i])
            continue;
        const std::string folder = FolderPath(config, i);
        const std::string flag = FlagPath(folder, request.code);
        WriteFlagFile(flag, '1');
        if (WriteIndicatorDataText(folder + request.code, text))
            WriteFlagFile(flag, '2');
    }
}

// Everything after the fetch of one requested pair: the failure message, or
// reading both charts and writing the folders.
void ServeFetchedPair(const UpdatePassConfig& config, const DigitTemplate& digits, IndicatorState& state,
                      UserMessages& messages, const PairRequest& request, const Bitmap& ordersBitmap,
                      const Bitmap& positionsBitmap)
{
    if (!state.Mt4ImagesLoaded) {
        messages.showMessage(kUpdateFailedMessage + request.code);
        return;
    }
    state.Mt4Digits = DigitsForPairCode(request.code);
    CalcMT4(request.code, ordersBitmap, digits, state.windowSet2, config.decimalSymbol, config.systemSeparator,
            state.charts[0]);
    CalcMT4(request.code, positionsBitmap, digits, state.windowSet2, config.decimalSymbol,
            config.systemSeparator, state.charts[1]);
    WriteRequestedFolders(config, request, state);
}

void SequentialPass(const UpdatePassConfig& config, const DigitTemplate& digits, IndicatorState& state,
                    Downloader& downloader, UserMessages& messages)
{
    for (const char* pairText : kPairList) {
        const PairRequest request = TestRequest(config, pairText);
        if (!request.any())
            continue;
        Bitmap ordersBitmap;
        Bitmap positionsBitmap;
        MT4LoadImage(config, request.code, state, downloader, ordersBitmap, positionsBitmap);
        ServeFetchedPair(config, digits, state, messages, request, ordersBitmap, positionsBitmap);
    }
}

std::vector<PairRequest> RequestedPairs(const UpdatePassConfig& config)
{
    std::vector<PairRequest> requests;
    for (const char* pairText : kPairList) {
        PairRequest request = TestRequest(config, pairText);
        if (request.any())
            requests.push_back(std::move(request));
    }
    return requests;
}

// All flags first, then every requested chart at once (positions before
// orders for each pair), then the pairs served in list order exactly as the
// pair-by-pair pass serves them.
void OverlappedPass(const UpdatePassConfig& config, const DigitTemplate& digits, IndicatorState& state,
                    Downloader& downloader, UserMessages& messages)
{
    const std::vector<PairRequest> requests = RequestedPairs(config);
    if (requests.empty())
        return;
    std::vector<PairChartFiles> files;
    std::vector<DownloadJob> jobs;
    for (const PairRequest& request : requests) {
        files.push_back(ChartFilesFor(config, request.code));
        jobs.push_back({files.back().positions.url, files.back().positions.localName});
        jobs.push_back({files.back().orders.url, files.back().orders.localName});
    }
    const std::vector<bool> fetched = downloader.downloadAll(jobs);
    auto succeeded = [&](std::size_t job) { return job < fetched.size() && fetched[job]; };
    for (std::size_t i = 0; i < requests.size(); ++i) {
        Bitmap ordersBitmap;
        Bitmap positionsBitmap;
        DecodeFetchedCharts(files[i], succeeded(2 * i), succeeded(2 * i + 1), state, ordersBitmap,
                            positionsBitmap);
        ServeFetchedPair(config, digits, state, messages, requests[i], ordersBitmap, positionsBitmap);
    }
}

}  // namespace

void MT4LoadImage(const UpdatePassConfig& config, const std::string& pairCode, IndicatorState& state,
                  Downloader& downloader, Bitmap& ordersBitmap, Bitmap& positionsBitmap)
{
    state.Mt4ImagesLoaded = false;
    const PairChartFiles files = ChartFilesFor(config, pairCode);
    const bool positionsOk = downloader.download(files.positions.url, files.positions.localName);
    const bool ordersOk = downloader.download(files.orders.url, files.orders.localName);
    DecodeFetchedCharts(files, positionsOk, ordersOk, state, ordersBitmap, positionsBitmap);
}

void SaveData(const UpdatePassConfig& config, const DigitTemplate& digits, IndicatorState& state,
              Downloader& downloader, UserMessages& messages)
{
    if (state.passRunning)
        return;
    PassGuard guard(state.passRunning);
    if (config.overlapped)
        OverlappedPass(config, digits, state, downloader, messages);
    else
        SequentialPass(config, digits, state, downloader, messages);
}

}  // namespace tivka
