#pragma once

#include <string>

#include "acquisition/display_charts.h"
#include "export/indicator_pass.h"
#include "reading/digit_template.h"

namespace tivka {

// Everything a refresh fetches, taken from the window when it starts.
struct RefreshRequest {
    DisplayChartRequest display;
    IndicatorPassConfig indicators;
};

// What a refresh tells while it runs, on the thread that runs it: progress,
// the display charts (or why there are none), then the indicator pass's own
// events.
class RefreshObserver : public IndicatorPassObserver {
public:
    // `done` of `total` charts fetched so far; the total may grow once the
    // indicator pass has looked at its requests.
    virtual void progress(int /*done*/, int /*total*/) {}
    virtual void displayFetched(DisplayFetch /*fetch*/) {}
};

// The waiting part of a refresh, in this order: the two display charts
// (positions, then orders), then the indicator pass. Meant for a worker
// thread: it touches nothing but its arguments, the files of the current
// folder and the indicator folders. The digit template is only read. Ends
// promptly, serving no further pair, once the downloader is cancelled.
void RunRefresh(const RefreshRequest& request, const DigitTemplate& digits, Downloader& downloader,
                IndicatorServer& indicators, RefreshObserver& observer);

}  // namespace tivka
