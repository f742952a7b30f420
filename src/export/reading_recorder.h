#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/pane_text.h"
#include "reading/chart_reading.h"
#include "reading/layout_check.h"

namespace tivka {

// One complete reading of a chart together with what names it: which pair,
// which chart and variant, and when it was fetched; and whether its picture
// passed the layout guard.
struct StoredReading {
    std::string pairText;          // "GBP/USD", as the pair list writes it
    ChartKind kind = ChartKind::Orders;
    bool cumulative = false;       // the "с накоп." variant of the chart
    std::int64_t fetchedAt = 0;    // seconds since 1970-01-01 00:00 UTC
    ChartReading reading;          // complete (no failure); its timeText is the chart's own time
    // The layout guard's checks the chart failed (LayoutChecks::failedIn of
    // its LayoutProblems; empty: it passed them all). Unset when no verdict
    // was kept: readings stored before the history kept it.
    std::optional<LayoutChecks> failedChecks;
};

// Where the window's refresh and the indicator pass hand every complete
// reading they make, so that it can be kept. record() is called on the thread
// that read the chart, must return quickly (a few milliseconds at most), must
// not throw, and must not keep a reference to its argument.
class ReadingRecorder {
public:
    virtual ~ReadingRecorder() = default;
    virtual void record(const StoredReading& reading) = 0;
};

// Hands each reading to both recorders given (either may be null).
class RecorderTee final : public ReadingRecorder {
public:
    RecorderTee(ReadingRecorder* first, ReadingRecorder* second) : first_(first), second_(second) {}
    void record(const StoredReading& reading) override
    {
        if (first_)
            first_->record(reading);
        if (second_)
            second_->record(reading);
    }

private:
    ReadingRecorder* first_;
    ReadingRecorder* second_;
};

}  // namespace tivka
