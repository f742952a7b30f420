#pragma once

#include <optional>
#include <string>

#include "acquisition/download.h"
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

// Downloads the positions chart, then the orders chart, into the current
// folder. nullopt when either fetch failed (the files stay). Otherwise
// decodes both (a file that is not a PNG throws and the files stay), turns
// them, deletes the orders file then the positions file, and returns them.
std::optional<DisplayCharts> FetchDisplayCharts(const DisplayChartRequest& request, Downloader& downloader);

}  // namespace tivka
