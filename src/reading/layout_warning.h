#pragma once

#include <string>
#include <vector>

#include "chart/chart_kind.h"
#include "reading/layout_check.h"

namespace tivka {

// The layout guard's verdict in the words the front ends show (Russian).

// One failed check with its figures, e.g. "цена 1.2713 вне шкалы 1.2500–1.2860"
// or "шкала ставит цену 1.2713 в столбец 256.0, а не 255".
std::string LayoutProblemText(const LayoutProblem& problem);

// The failed checks of one chart, named for the warning ("ордера", "GBPUSD позиции").
struct ChartLayout {
    std::string chart;
    std::vector<LayoutProblem> problems;
};

// "Разметка графика изменилась: " + chart + ": " + problem, every problem of
// every chart in turn, separated by "; "; empty when there is none.
std::string LayoutWarning(const std::vector<ChartLayout>& charts);

// The warning for a pair's two charts, named `prefix` + "ордера" and `prefix`
// + "позиции".
std::string PairLayoutWarning(const std::string& prefix, const PerChart<std::vector<LayoutProblem>>& problems);

// What a failed check means, without its figures (which the history does not
// keep), e.g. "шкала ставит цену не в столбец 255".
std::string LayoutCheckText(LayoutCheck check);

// The mark of a reading kept flagged: "Разметка графика изменилась: " + the
// checks it failed, separated by "; "; empty when it failed none.
std::string FailedChecksText(LayoutChecks failed);

}  // namespace tivka
