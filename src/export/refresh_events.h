#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "acquisition/pair_fetch.h"
#include "chart/chart_failure.h"
#include "platform/status.h"
#include "reading/chart_reading.h"
#include "reading/layout_check.h"

namespace tivka {

// What a refresh and the indicator pass tell while they run, in the order it
// happens, all through one sink. The window, the feed and the soak harness
// each take the events they need from the same stream.

// This many charts are still to be fetched from now on; sent when the work
// ahead becomes known and again whenever the count is revised.
struct ChartsPlanned {
    int charts = 0;
};

// One chart was fetched, or given up.
struct ChartFetched {};

// The display fetch of the pair chosen in the window: the charts and their
// upright views, or why there are none.
struct DisplayFetched {
    PairSource source;
    FetchedPair fetched;
    std::optional<PerChart<Bitmap>> views;  // the charts turned as the window shows them
};

// The indicator pass begins.
struct PassStarted {};

// Both charts of a requested pair were read, and the layout guard judged
// each (none: it passed); the data files of the folders that asked are
// written next.
struct PairRead {
    std::string pairText;
    PerChart<ChartReading> readings;
    PerChart<std::vector<LayoutProblem>> layout;
};

// A requested pair that could not be served; its flags and data files were
// not touched.
struct PairFailed {
    std::string pairText;
    ChartFailures failures;
};

// A flag or data file in a terminal's folder that is not a regular file of
// that folder (a symbolic link, a folder, a pipe) was left alone.
struct FileRefused {
    Status refusal;  // the file and what it is
};

// The indicator pass is over: every requested pair was read or failed, or
// the downloads were cancelled.
struct PassEnded {
    bool cancelled = false;
};

// A folder the settings name is not there, so no indicator can ask in it.
// Told once when a pass first finds it missing, and again only after it was
// there in between or the setting came to name another folder.
struct IndicatorFolderMissing {
    int folder = 0;    // 1 to 3: the setting Mt4_Path, Mt4_Path2 or Mt4_Path3
    std::string path;  // the indicator folder looked for, absolute
};

// Files named like request flags ("ir*.dat", any case) that no pair of the
// list answers to, a pair not listed or a code not in capitals: nothing is
// served for them. Each file is told once, when a pass first sees it.
struct IndicatorFlagsIgnored {
    int folder = 0;                  // 1 to 3, as above
    std::string path;                // the indicator folder, absolute
    std::vector<std::string> names;  // the files' names, sorted
};

using RefreshEvent = std::variant<ChartsPlanned, ChartFetched, DisplayFetched, PassStarted, IndicatorFolderMissing,
                                  IndicatorFlagsIgnored, PairRead, PairFailed, FileRefused, PassEnded>;

// Called on the thread that does the work; must not throw.
using RefreshSink = std::function<void(RefreshEvent)>;

// Handlers for std::visit over a RefreshEvent, one lambda per event taken:
// std::visit(EventHandlers{[](const ChartFetched&) {...}, ...}, event).
template <class... Handler>
struct EventHandlers : Handler... {
    using Handler::operator()...;
};

}  // namespace tivka
