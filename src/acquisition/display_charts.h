#pragma once

#include <optional>
#include <string>

#include "acquisition/download.h"
#include "acquisition/pair_naming.h"
#include "chart/bitmap.h"

namespace tivka {

// The two charts of one successful display fetch as decoded, and the same
// turned a quarter turn counter-clockwise as the window shows them. The four
// are made together and replaced together.
struct DisplayCharts {
    Bitmap orders;
    Bitmap positions;
    Bitmap ordersView;
    Bitmap positionsView;
};

struct DisplayChartRequest {
    std::string chartUrl;
    std::string pairText;  // as chosen in the window
    bool ordersCumulative = false;
    bool positionsCumulative = false;
};

// What a display fetch gave: the charts, or why there are none.
struct DisplayFetch {
    std::optional<DisplayCharts> charts;
    // Empty with charts. A failed download gives "Ошибка при загрузке
    // графиков!" followed by a line per failed chart saying what the server
    // did and naming the address; a body that is not a picture gives the
    // decoder's message naming the file and its address.
    std::string failure;
    bool cancelled = false;
};

// The text of a display fetch whose downloads failed.
constexpr const char* kDisplayDownloadFailed = "Ошибка при загрузке графиков!";

// Downloads the positions chart, then the orders chart, into the current
// folder. When either fetch failed, the files stay and there are no charts.
// Otherwise decodes both (a file that is not a PNG keeps both files), turns
// them, deletes the orders file then the positions file, and returns them.
DisplayFetch FetchDisplayCharts(const DisplayChartRequest& request, Downloader& downloader);

// A pair's two charts, decoded.
struct ChartPair {
    Bitmap orders;
    Bitmap positions;
};

// What a pair's two downloads gave once decoded: the charts, or why not.
struct DecodedPair {
    std::optional<ChartPair> charts;
    // Empty with charts. After failed downloads, a line per failed chart
    // saying what the server did and naming the address (`downloadFailed`);
    // for a body that is not a picture, the decoder's message naming the file
    // and its address.
    std::string failure;
    bool downloadFailed = false;
    bool cancelled = false;
};

// Decodes a pair's two downloaded charts, orders first, then deletes the
// orders file and the positions file. A cancelled transfer gives neither
// charts nor failure; a failed download or a body that is not a PNG keeps
// both files.
DecodedPair DecodeDownloadedPair(const ChartFile& positions, const DownloadOutcome& positionsOutcome,
                                 const ChartFile& orders, const DownloadOutcome& ordersOutcome);

}  // namespace tivka
