#pragma once

#include <cstdint>
#include <string>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_server.h"
#include "export/indicator_pass.h"
#include "export/reading_recorder.h"

namespace tivka::test {

// A reading of the chart server's drifting chart at `minute` (minutes since
// the epoch), read by the real readers, fetched at that minute.
inline StoredReading DriftReading(const std::string& pair, ChartKind kind, bool cumulative, std::int64_t minute)
{
    static const DigitTemplate digits{charts::DigitTemplateBitmap()};
    const charts::ChartFile file{kind == ChartKind::Orders ? charts::ChartKind::Orders : charts::ChartKind::Positions,
                                 cumulative, PairName(pair)};
    const Bitmap chart = charts::DriftingChartPicture(file, 5, minute);
    return {pair, kind, cumulative, minute * 60, ReadForIndicator(chart, digits, {".", "."})};
}

}  // namespace tivka::test
