#include "interface/latest_readings.h"

#include "history/history_store.h"

namespace tivka {

void LatestReadings::record(const StoredReading& reading)
{
    std::lock_guard lock(mutex_);
    const Key key{reading.pairText, reading.kind, reading.cumulative};
    const auto held = latest_.find(key);
    if (held == latest_.end() || held->second.fetchedAt <= reading.fetchedAt)
        latest_[key] = reading;
}

void LatestReadings::loadFrom(HistoryStore& store)
{
    for (const SeriesSummary& series : store.summary()) {
        ReadingQuery query{series.key.pairText, series.key.kind, series.key.cumulative, series.lastFetchedAt,
                           series.lastFetchedAt};
        // The last of those fetched in that second is the latest.
        std::optional<StoredReading> last;
        store.forEachReading(query, [&](const StoredReading& reading) { last = reading; });
        if (last)
            record(*last);
    }
}

std::optional<StoredReading> LatestReadings::latest(const std::string& pairText, ChartKind kind,
                                                    std::optional<bool> cumulative) const
{
    std::lock_guard lock(mutex_);
    std::optional<StoredReading> found;
    for (const bool variant : {false, true}) {
        if (cumulative && *cumulative != variant)
            continue;
        const auto held = latest_.find(Key{pairText, kind, variant});
        if (held != latest_.end() && (!found || held->second.fetchedAt > found->fetchedAt))
            found = held->second;
    }
    return found;
}

std::vector<StoredReading> LatestReadings::all() const
{
    std::lock_guard lock(mutex_);
    std::vector<StoredReading> readings;
    for (const auto& [key, reading] : latest_)
        readings.push_back(reading);
    return readings;
}

}  // namespace tivka
