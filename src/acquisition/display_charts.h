#pragma once

#include <optional>
#include <string>

#include "acquisition/bitmap.h"
#include "acquisition/download.h"

namespace tivka {

// The four working bitmaps of one successful display fetch, created together.
struct WorkingBitmaps {
    Bitmap OrdersBitmap;
    Bitmap PositionsBitmap;
    Bitmap OrdersView;
    Bitmap PositionsView;
};

struct DisplayChartRequest {
    std::string chartUrl;        // ChartURL
    std::string pairText;        // ComboBox1
    bool ordersCumulative = false;     // RB_cum
    bool positionsCumulative = false;  // RB_cum2
};

// The work of LoadImage below the window: downloads the positions chart, then
// the orders chart, into the current folder. nullopt when either fetch failed
// (the files stay). Otherwise decodes both (a file that is not a PNG throws
// and the files stay), turns them, deletes the orders file then the
// positions file, and returns the four bitmaps.
std::optional<WorkingBitmaps> FetchDisplayCharts(const DisplayChartRequest& request, Downloader& downloader);

}  // namespace tivka
