#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "export/reading_recorder.h"

namespace tivka {

class HistoryStore;

// The latest reading of every series (pair, chart, variant) this process made
// or found in the history, kept in memory so that the interface answers
// without a database query. Safe from any thread.
class LatestReadings final : public ReadingRecorder {
public:
    // Keeps `reading` when it is newer than the one held for its series.
    void record(const StoredReading& reading) override;

    // Takes the latest reading of every series the store holds.
    void loadFrom(HistoryStore& store);

    // The latest reading of a pair's chart: of the variant given, or of
    // either variant, whichever was fetched last.
    std::optional<StoredReading> latest(const std::string& pairText, ChartKind kind,
                                        std::optional<bool> cumulative) const;

    // Every reading held, by pair, chart and variant.
    std::vector<StoredReading> all() const;

private:
    using Key = std::tuple<std::string, ChartKind, bool>;
    mutable std::mutex mutex_;
    std::map<Key, StoredReading> latest_;
};

}  // namespace tivka
