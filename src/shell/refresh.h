#pragma once

#include "acquisition/pair_naming.h"
#include "export/indicator_pass.h"
#include "export/refresh_events.h"
#include "reading/digit_template.h"
#include "shell/settings.h"

namespace tivka {

// Everything a refresh fetches, taken from the window when it starts.
struct RefreshRequest {
    PairSource display;  // the pair chosen in the window and its variants
    IndicatorPassConfig indicators;
};

// The indicator pass as the settings set it up: the chart address, the three
// indicator folders, the chart variants of the window's choices, the decimal
// symbol. The window overrides the variants with its selectors; the caller
// adds the recorder and the clock.
IndicatorPassConfig IndicatorPassConfigFor(const Settings& settings, const std::string& systemSeparator);

// The waiting part of a refresh, in this order: the two display charts
// (positions, then orders), then the indicator pass, all told to `sink`:
// ChartsPlanned (the display charts and the requested ones as the flags are
// now), ChartFetched per display chart, DisplayFetched, then the pass's own
// events. Meant for a worker thread: it touches nothing but its arguments,
// the files of the current folder and the indicator folders. The digit
// template is only read. Ends promptly, serving no further pair, once the
// downloader is cancelled; a cancelled display fetch runs no pass.
void RunRefresh(const RefreshRequest& request, const DigitTemplate& digits, Downloader& downloader,
                IndicatorPass& indicators, const RefreshSink& sink);

}  // namespace tivka
