#pragma once

#include <string>
#include <vector>

#include "chart/chart_failure.h"
#include "platform/clock.h"
#include "platform/status.h"

namespace tivka {

// What the line under the window says about the data shown: nothing while
// the last refresh went well; otherwise since when the charts are stale and
// why ("Данные от 12:20, ошибка в 12:40: Сервер ответил 404 Not Found: ..."),
// a change of the chart layout, and the pairs the indicators did not get.
class DataState {
public:
    // A refresh begins: what the last one found is forgotten once it ends.
    void refreshStarted();
    // The charts shown were fetched and read at `at`.
    void chartsShown(LocalTime at);
    // The charts could not be fetched or read at `at`; `reason` says why in
    // one line.
    void chartsFailed(LocalTime at, const std::string& reason);
    // A refresh was cancelled before its charts arrived.
    void cancelled(LocalTime at);
    void layoutChanged(const std::string& warning);
    void indicatorPairFailed(const std::string& pairText, const ChartFailures& failures);
    // A flag or data file that is not a regular file was left alone.
    void fileRefused(const Status& refusal);

    std::string line() const;

private:
    bool shownOnce_ = false;
    LocalTime lastShown_;
    std::string failure_;  // "ошибка в 12:40: ..." of the last refresh, if it failed
    std::string layout_;
    std::vector<std::string> indicatorPairs_;
    std::vector<std::string> refusedFiles_;
};

// "12:40"
std::string ClockText(LocalTime time);

}  // namespace tivka
