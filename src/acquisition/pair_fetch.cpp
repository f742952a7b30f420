#include "acquisition/pair_fetch.h"

#include "chart/image_error.h"
#include "chart/image_file.h"
#include "chart/png_codec.h"
#include "platform/files.h"

namespace tivka {

namespace {

Bitmap decode(const ChartFile& file)
{
    return DecodePng(ReadImageFile(file.localName, "PNG"), file.localName);
}

}  // namespace

ChartFailure DownloadFailure(const std::string& pairText, ChartKind kind, const ChartFile& file,
                             const DownloadOutcome& outcome)
{
    ChartFailure failure{ChartFailure::What::Unreachable, pairText, kind, outcome.error, file.url, file.localName};
    if (!outcome.file.ok())  // the body had nowhere to go: the file and the system's reason
        return {ChartFailure::What::NotAPicture, pairText, kind, outcome.file.text(), file.url, ""};
    if (outcome.opened) {
        failure.what = ChartFailure::What::ServerAnswered;
        failure.detail = std::to_string(outcome.status) + (outcome.reason.empty() ? "" : " " + outcome.reason);
    }
    return failure;
}

PerChart<ChartFile> PairChartFiles(ChartUse use, const PairSource& source)
{
    PerChart<ChartFile> files;
    for (ChartKind kind : kChartKinds)
        files[kind] = ChartFileOf(use, source, kind);
    return files;
}

FetchedPair DecodeDownloadedPair(const std::string& pairText, const PerChart<ChartFile>& files,
                                 const PerChart<DownloadOutcome>& outcomes)
{
    FetchedPair pair;
    for (ChartKind kind : kFetchOrder) {
        pair.cancelled = pair.cancelled || outcomes[kind].cancelled;
        if (!outcomes[kind].fetched())
            pair.failures.push_back(DownloadFailure(pairText, kind, files[kind], outcomes[kind]));
    }
    if (pair.cancelled)
        pair.failures.clear();
    if (pair.cancelled || !pair.failures.empty())
        return pair;
    PerChart<Bitmap> charts;
    for (ChartKind kind : kChartKinds) {
        try {
            charts[kind] = decode(files[kind]);
        } catch (const ImageError& error) {
            pair.failures.push_back({ChartFailure::What::NotAPicture, pairText, kind, error.detail(), files[kind].url,
                                     files[kind].localName});
            return pair;
        } catch (const std::runtime_error& error) {
            // The file could not be read back at all: the system's reason.
            pair.failures.push_back(
                {ChartFailure::What::NotAPicture, pairText, kind, error.what(), files[kind].url, ""});
            return pair;
        }
    }
    // A temporary file that cannot be deleted is harmless: the next fetch of
    // the same chart overwrites it.
    for (ChartKind kind : kChartKinds)
        RemoveFile(files[kind].localName);
    pair.charts = std::move(charts);
    return pair;
}

FetchedPair FetchPair(ChartUse use, const PairSource& source, Downloader& downloader,
                      const std::function<void()>& onFetched)
{
    const PerChart<ChartFile> files = PairChartFiles(use, source);
    PerChart<DownloadOutcome> outcomes;
    for (ChartKind kind : kFetchOrder) {
        outcomes[kind] = downloader.download(files[kind].url, files[kind].localName);
        onFetched();
    }
    return DecodeDownloadedPair(source.pairText, files, outcomes);
}

}  // namespace tivka
