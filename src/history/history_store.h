#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/reading_recorder.h"

namespace tivka {

class SqliteDatabase;
class SqliteStatement;

// The history database of the user: "<data folder>/tivka/history.sqlite3".
std::string DefaultHistoryPath();

// The kind as the history stores, lists and exports it: "orders" or "positions".
const char* ChartKindName(ChartKind kind);

// The readings of one chart of one pair in one variant.
struct SeriesKey {
    std::string pairText;
    ChartKind kind = ChartKind::Orders;
    bool cumulative = false;
};

struct SeriesSummary {
    SeriesKey key;
    std::int64_t readings = 0;
    std::int64_t firstFetchedAt = 0;
    std::int64_t lastFetchedAt = 0;
};

// Which readings to give back: one pair, optionally one chart and variant,
// fetched in [from, to].
struct ReadingQuery {
    std::string pairText;
    std::optional<ChartKind> kind;
    std::optional<bool> cumulative;
    std::int64_t from = std::numeric_limits<std::int64_t>::min();
    std::int64_t to = std::numeric_limits<std::int64_t>::max();
};

// Every reading Tivka made, kept in one SQLite file (WAL, every commit
// flushed to disk, so a crash or a power loss keeps every committed reading).
//
// Tables: schema_version(version); series(id, pair, kind 'orders' or
// 'positions', cumulative 0/1); readings(id, series, fetched_at (seconds UTC),
// chart_time, price_text, price, levels (see level_blob.h), levels_digest
// (BodyDigest of the levels, which finds a chart held twice), layout_checks
// (the bits of StoredReading::failedChecks, NULL when unset)).
// Older files are brought up to this layout when opened, in one transaction.
//
// One store is one connection: use it from one thread at a time. Any number
// of stores, in any processes, may have the same file open.
class HistoryStore {
public:
    // Opens (creating it and its folder if missing) and brings the schema up
    // to date. Throws HistoryError naming the file: not a database, damaged,
    // written by a newer Tivka, or not writable.
    explicit HistoryStore(const std::string& path);

    struct ReadOnly {};
    // Opens an existing history for reading only (a history its owner made
    // read-only, a copy on a read-only disk): nothing is written to it or
    // beside it, an older layout is read as it is (without the layout
    // verdicts the first layouts lack), and record() and
    // pruneBefore() throw. Throws HistoryError naming the file when there is
    // no history there, or one it cannot read.
    HistoryStore(const std::string& path, ReadOnly);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Keeps a complete reading, unless the same chart (same pair, chart,
    // variant, chart time, price and levels) is already held, with the
    // verdict it was first kept with. True when it was stored. Outside a Batch, it is committed before this returns.
    bool record(const StoredReading& reading);

    // Groups the records made during its life into one transaction: all of
    // them are kept once commit() returns, none if it is destroyed first.
    class Batch {
    public:
        explicit Batch(HistoryStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void commit();

    private:
        struct Open;
        std::unique_ptr<Open> open_;
    };

    // The series held, by pair, chart and variant.
    std::vector<SeriesSummary> summary();

    // The readings asked for, in the order they were fetched (then stored).
    void forEachReading(const ReadingQuery& query, const std::function<void(const StoredReading&)>& visit);
    std::vector<StoredReading> readings(const ReadingQuery& query);

    // Deletes every reading fetched before `instant`; returns how many.
    std::int64_t pruneBefore(std::int64_t instant);

    // A number that changes whenever another connection commits.
    std::int64_t dataVersion();

    const std::string& path() const;

private:
    std::int64_t seriesId(const SeriesKey& key);
    bool held(std::int64_t series, const StoredReading& reading, const std::string& body, std::int64_t digest);

    std::unique_ptr<SqliteDatabase> db_;
    bool hasLayoutChecks_ = true;  // false for an older file opened for reading
    struct Statements;
    std::unique_ptr<Statements> statements_;
};

// Opens the store at `path` and deletes the readings older than `keepDays`
// days before `now`; keepDays 0 keeps everything.
std::unique_ptr<HistoryStore> OpenHistory(const std::string& path, int keepDays, std::int64_t now);

}  // namespace tivka
