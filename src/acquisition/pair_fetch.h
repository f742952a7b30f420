#pragma once

#include <functional>
#include <optional>

#include "acquisition/download.h"
#include "acquisition/pair_naming.h"
#include "chart/bitmap.h"
#include "chart/chart_failure.h"

namespace tivka {

// What fetching a pair's two charts gave: both charts decoded, or why not.
struct FetchedPair {
    std::optional<PerChart<Bitmap>> charts;
    // Empty with charts. Otherwise one failure per chart whose download
    // failed (positions first), or the one chart that could not be decoded.
    ChartFailures failures;
    bool cancelled = false;  // a transfer was cancelled: neither charts nor failures
};

// The two charts of `source` for `use`, in the order they are fetched:
// positions first, then orders.
PerChart<ChartFile> PairChartFiles(ChartUse use, const PairSource& source);
constexpr std::array<ChartKind, 2> kFetchOrder{ChartKind::Positions, ChartKind::Orders};

// Why a download that was not fetched() failed: the server's error status,
// or no answer with the transport's reason; or, when the body could not be
// written to its file, NotAPicture with no file and the detail naming it
// ("on_GBPUSD.png: is a pipe, not a regular file").
ChartFailure DownloadFailure(const std::string& pairText, ChartKind kind, const ChartFile& file,
                             const DownloadOutcome& outcome);

// Decodes a pair's two downloaded charts, orders first, then deletes the
// orders file and the positions file. A cancelled transfer gives neither
// charts nor failures; a failed download or a body that is not a PNG keeps
// both files for a look.
FetchedPair DecodeDownloadedPair(const std::string& pairText, const PerChart<ChartFile>& files,
                                 const PerChart<DownloadOutcome>& outcomes);

// Downloads the positions chart, then the orders chart (both always run), into
// the current folder, calling `onFetched` after each, then decodes them.
FetchedPair FetchPair(ChartUse use, const PairSource& source, Downloader& downloader,
                      const std::function<void()>& onFetched);

}  // namespace tivka
