#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "export/reading_recorder.h"

namespace tivka {

enum class ExportFormat { Csv, Json };

// Writes readings as text, one line per level that can hold bars (chart
// columns 75 to 435 except the current price's 255), each line carrying its
// reading's times and layout verdict:
//   CSV   fetched_at,chart_time,pair,kind,cumulative,price,column,level_price,buy,sell,layout
//         2024-05-01T12:30:00Z,12:30,GBP/USD,orders,0,1.2550,76,1.237,27,0,ok
//   JSON  an array, one object per line with the same names; texts quoted.
// The current price has the pair's decimals (2 for the yen pairs, else 4);
// a level price is exactly the double the reader computed, as the shortest
// text that reads back as it (1.237, or 1.2349999999999999 where the
// reader's arithmetic landed just below 1.235); both with a ".". Buy and
// sell are bar percentages. layout names the layout guard's failed checks
// (LayoutCheckName): in CSV separated by spaces, "ok" when none failed and
// empty for a reading kept without a verdict; in JSON an array of the names,
// null without a verdict. The output depends on nothing but the readings,
// so the same series always gives the same bytes.
//
// Text goes to `sink` in pieces of about a megabyte; the exporter must be
// finished for the output to be complete.
class HistoryExporter {
public:
    HistoryExporter(ExportFormat format, std::function<void(std::string_view)> sink);
    void add(const StoredReading& stored);
    void finish();

private:
    void emit(bool force);

    ExportFormat format_;
    std::function<void(std::string_view)> sink_;
    std::string buffer_;
    bool first_ = true;
};

}  // namespace tivka
