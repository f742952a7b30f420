#pragma once

#include <string>
#include <vector>

#include "chart/chart_failure.h"
#include "export/refresh_events.h"
#include "platform/clock.h"
#include "platform/status.h"

namespace tivka {

// What the line under the window says about the data shown: nothing while
// the last refresh went well and the charts are of the pair chosen;
// otherwise since when the charts are stale and why ("Данные от 12:20,
// ошибка в 12:40: Сервер ответил 404 Not Found: ..."), whose charts they are
// when another pair is chosen, a change of the chart layout, the pairs the
// indicators did not get, and what the indicator pass found in its folders
// (each told by one refresh only, since the pass tells it once).
class DataState {
public:
    // A refresh begins: what the last one found is forgotten once it ends.
    void refreshStarted();
    // The charts of `pairText` shown were fetched and read at `at`.
    void chartsShown(LocalTime at, const std::string& pairText);
    // The pair chosen in the window now (before or after a refresh).
    void pairChosen(const std::string& pairText);
    // The charts could not be fetched or read at `at`; each reason in one
    // line.
    void chartsFailed(LocalTime at, std::vector<std::string> reasons);
    // A refresh was cancelled before its charts arrived.
    void cancelled(LocalTime at);
    void layoutChanged(const std::string& warning);
    void indicatorPairFailed(const std::string& pairText, const ChartFailures& failures);
    // A flag or data file that is not a regular file was left alone.
    void fileRefused(const Status& refusal);
    void indicatorFolderMissing(const IndicatorFolderMissing& missing);
    void indicatorFlagsIgnored(const IndicatorFlagsIgnored& ignored);

    // The first layout warning of the last refresh, or empty.
    const std::string& layoutWarning() const { return layout_; }

    // Everything in one line, its parts joined by ". ".
    std::string line() const;
    // The same, each part and each reason on a line of its own.
    std::string details() const;

private:
    // Each reason and pair on a line of its own, or all in one line.
    std::vector<std::string> parts(bool lineEach) const;

    bool shownOnce_ = false;
    LocalTime lastShown_;
    std::string shownPair_;
    std::string chosenPair_;
    std::string failure_;  // "ошибка в 12:40" or "обновление прервано в 12:40", if the last refresh failed
    std::vector<std::string> reasons_;
    std::string layout_;
    std::vector<std::string> indicatorPairs_;
    std::vector<std::string> refusedFiles_;
    std::vector<std::string> folderNotes_;  // missing folders and ignored flags, as worded
};

// "12:40"
std::string ClockText(LocalTime time);

}  // namespace tivka
