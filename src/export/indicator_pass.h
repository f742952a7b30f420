#pragma once

#include <array>
#include <set>
#include <string>

#include "acquisition/download.h"
#include "export/reading_recorder.h"
#include "export/refresh_events.h"
#include "platform/clock.h"
#include "reading/chart_reading.h"
#include "reading/digit_template.h"

namespace tivka {

// One of the three folders the pass serves.
struct IndicatorFolder {
    // Where the indicators' flags and data files are, ending in a separator
    // (Windows separators allowed); empty: not served.
    std::string path;
    // The user named a terminal here: the folder missing is worth telling.
    // (An empty setting serves a folder below the working folder that most
    // users never make.)
    bool named = false;
};

struct IndicatorPassConfig {
    std::string chartUrl;
    // The indicator folders of up to three MetaTrader 4 terminals, in the
    // order of their settings.
    std::array<IndicatorFolder, 3> folders;
    // The pass follows the chart variants chosen for the window.
    PerChart<bool> cumulative;
    ReadingOptions reading;
    // Fetch the charts of every requested pair at once before serving the
    // pairs in list order; false fetches pair by pair.
    bool overlapped = true;
    // When set, gets both readings of every pair served (positions first),
    // fetched at `clock`'s time (the system clock when null), each with the
    // checks of the layout guard it failed; neither is owned, both must
    // outlive the pass.
    ReadingRecorder* recorder = nullptr;
    const Clock* clock = nullptr;
};

// The number of charts a pass would fetch now: two for each pair of the
// pair list that a request flag asks for in one of the folders.
int RequestedChartCount(const IndicatorPassConfig& config);

// Serves the MetaTrader 4 indicators after every refresh. For each pair of
// the pair list that a request flag file asks for in one of the folders (a
// plain file "ir<CODE>.dat"; a folder of that name asks for nothing), it
// downloads the pair's charts ("MTp<CODE>.png", "MTo<CODE>.png" in the
// current folder, positions first), reads them and, in every folder that
// asked, sets the flag to "1", writes "<CODE>.csv" and sets the flag to "2"
// only when the data file was written completely. A flag that is gone by the
// time it is written (the indicator withdrew its request) is not created
// again and nothing is written for it. A pair whose charts cannot be
// downloaded, decoded or read is reported (PairFailed) and skipped; every
// other pair is served. When the downloader is cancelled, the pass ends
// without serving the pairs whose charts had not arrived.
//
// Tells `sink` PassStarted; then, before it looks for requests,
// IndicatorFolderMissing for a named folder that is not there and
// IndicatorFlagsIgnored for flag files no listed pair answers to, each only
// when it is news to this pass object (a folder served twice is looked at
// once, under its first number); ChartsPlanned once the requests are known,
// ChartFetched per chart, PairRead or PairFailed per requested pair in list
// order, then PassEnded.
//
// One pass at a time over the same folders: the window and the feed run
// their passes one after another on one thread, the working folder's lock
// keeps two processes apart, and a pass asked for from inside its own sink
// (a front end reacting to an event) does nothing.
class IndicatorPass {
public:
    void serve(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
               const RefreshSink& sink);

private:
    void lookAtFolders(const IndicatorPassConfig& config, const RefreshSink& sink);

    bool running_ = false;
    std::array<std::string, 3> toldMissing_;  // per folder, the path told missing; empty when it was there
    std::set<std::string> toldIgnored_;       // the flag files told ignored that are still there
};

}  // namespace tivka
