#pragma once

#include <string>
#include <vector>

#include "chart/chart_kind.h"

namespace tivka {

// Why one chart of a pair could not be had, as a value: what failed, which
// pair and chart, the detail and the address. The window, the feed and the
// tools word it (shell/failure_text.h); nothing takes the words apart again.
struct ChartFailure {
    enum class What {
        ServerAnswered,  // an error status: `detail` is its status line, "404 Not Found"
        Unreachable,     // no answer: `detail` is the transport's reason, possibly empty
        NotAPicture,     // the body is not a usable picture: `detail` is the decoder's reason
        NotANumber,      // a text on the chart is not a number: `detail` is the text as read
    };
    What what = What::Unreachable;
    std::string pair;     // the pair text, "GBP/USD"
    ChartKind chart = ChartKind::Orders;
    std::string detail;
    std::string address;  // the chart's address
    std::string file;     // the local file it was downloaded into
};

using ChartFailures = std::vector<ChartFailure>;

}  // namespace tivka
