// The history store: what goes in comes back exactly, a chart is kept once,
// older files are brought up to date, and old readings can be pruned.
#include <gtest/gtest.h>

#include <bit>
#include <sqlite3.h>

#include "history/history_schema.h"
#include "history/history_store.h"
#include "history/level_blob.h"
#include "history/sqlite_database.h"
#include "history/drift_series.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using test::DriftReading;

constexpr std::int64_t kMinute0 = 29'000'000;  // a minute in 2025

void expectSameReading(const StoredReading& expected, const StoredReading& actual)
{
    EXPECT_EQ(actual.pairText, expected.pairText);
    EXPECT_EQ(actual.kind, expected.kind);
    EXPECT_EQ(actual.cumulative, expected.cumulative);
    EXPECT_EQ(actual.fetchedAt, expected.fetchedAt);
    const ChartReading& e = expected.reading;
    const ChartReading& a = actual.reading;
    EXPECT_EQ(a.priceText, e.priceText);
    EXPECT_EQ(a.price, e.price);
    EXPECT_EQ(a.timeText, e.timeText);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(a.step), std::bit_cast<std::uint64_t>(e.step));
    ASSERT_EQ(a.scale.size(), e.scale.size());
    for (std::size_t i = 0; i < e.scale.size(); ++i) {
        EXPECT_EQ(a.scale[i].column, e.scale[i].column);
        EXPECT_EQ(a.scale[i].price, e.scale[i].price);
    }
    for (std::size_t i = 0; i < e.levels.size(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a.levels[i].price), std::bit_cast<std::uint64_t>(e.levels[i].price))
            << "column " << 75 + i;
        EXPECT_EQ(a.levels[i].buyPixels, e.levels[i].buyPixels) << "column " << 75 + i;
        EXPECT_EQ(a.levels[i].sellPixels, e.levels[i].sellPixels) << "column " << 75 + i;
    }
}

// A reading whose level prices do not follow its scale, as no chart reads:
// it must come back all the same.
StoredReading irregularReading()
{
    StoredReading stored = DriftReading("USD/JPY", ChartKind::Orders, false, kMinute0);
    stored.reading.levels[7].price += 0.001;
    stored.reading.levels[300].buyPixels = 75;
    stored.fetchedAt += 5;
    return stored;
}

std::int64_t count(HistoryStore& store, const std::string& pair)
{
    return std::int64_t(store.readings({pair}).size());
}

TEST(HistoryStore, GivesBackExactlyTheReadingsStored)
{
    test::TempDir dir;
    std::vector<StoredReading> stored;
    for (const char* pair : {"GBP/USD", "USD/JPY", "EUR/CHF"})
        for (const ChartKind kind : {ChartKind::Orders, ChartKind::Positions})
            for (const bool cumulative : {false, true})
                stored.push_back(DriftReading(pair, kind, cumulative, kMinute0 + int(stored.size()) * 20));
    stored.push_back(irregularReading());
    {
        HistoryStore store((dir / "sub" / "history.sqlite3").string());
        for (const StoredReading& reading : stored)
            EXPECT_TRUE(store.record(reading));
    }
    HistoryStore store((dir / "sub" / "history.sqlite3").string());
    for (const StoredReading& reading : stored) {
        const auto back = store.readings({reading.pairText, reading.kind, reading.cumulative, reading.fetchedAt,
                                          reading.fetchedAt});
        ASSERT_EQ(back.size(), 1u) << reading.pairText;
        expectSameReading(reading, back[0]);
    }
}

TEST(HistoryStore, KeepsTheSameChartOnce)
{
    const StoredReading base = DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0);
    struct Case {
        const char* change;
        std::function<void(StoredReading&)> apply;
        bool stored;
    };
    const std::vector<Case> cases = {
        {"nothing", [](StoredReading&) {}, false},
        {"fetched later", [](StoredReading& r) { r.fetchedAt += 600; }, false},
        {"another chart time", [](StoredReading& r) { r.reading.timeText = "23:59"; }, true},
        {"one bar a pixel longer", [](StoredReading& r) { r.reading.levels[40].sellPixels += 1; }, true},
        {"another price", [](StoredReading& r) { r.reading.priceText = "1.2702"; }, true},
        {"the other variant", [](StoredReading& r) { r.cumulative = true; }, true},
        {"the other chart", [](StoredReading& r) { r.kind = ChartKind::Orders; }, true},
        {"another pair", [](StoredReading& r) { r.pairText = "EUR/USD"; }, true},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        HistoryStore store((dir / "h.sqlite3").string());
        ASSERT_TRUE(store.record(base));
        StoredReading again = base;
        c.apply(again);
        EXPECT_EQ(store.record(again), c.stored) << c.change;
        std::int64_t held = 0;
        for (const SeriesSummary& series : store.summary())
            held += series.readings;
        EXPECT_EQ(held, c.stored ? 2 : 1) << c.change;
    }
}

TEST(HistoryStore, BatchKeepsAllOrNothing)
{
    test::TempDir dir;
    HistoryStore store((dir / "h.sqlite3").string());
    {
        HistoryStore::Batch batch(store);
        store.record(DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0));
        store.record(DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0 + 20));
    }
    EXPECT_EQ(count(store, "GBP/USD"), 0);
    HistoryStore::Batch batch(store);
    store.record(DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0));
    store.record(DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0));
    batch.commit();
    EXPECT_EQ(count(store, "GBP/USD"), 1);
}

// The first layout, as the first release wrote it: no digest of the levels.
void writeVersion1File(const std::string& path, const std::vector<StoredReading>& readings)
{
    SqliteDatabase db(path, true);
    db.execute("CREATE TABLE schema_version(version INTEGER NOT NULL); INSERT INTO schema_version VALUES (1);"
               "CREATE TABLE series(id INTEGER PRIMARY KEY, pair TEXT NOT NULL, kind TEXT NOT NULL, "
               "cumulative INTEGER NOT NULL, UNIQUE (pair, kind, cumulative));"
               "CREATE TABLE readings(id INTEGER PRIMARY KEY, series INTEGER NOT NULL REFERENCES series(id), "
               "fetched_at INTEGER NOT NULL, chart_time TEXT NOT NULL, price_text TEXT NOT NULL, "
               "price REAL NOT NULL, levels BLOB NOT NULL);"
               "CREATE INDEX readings_by_time ON readings(series, fetched_at);"
               "INSERT INTO series VALUES (1, 'GBP/USD', 'positions', 0);");
    SqliteStatement add(db, "INSERT INTO readings(series, fetched_at, chart_time, price_text, price, levels) "
                            "VALUES (1, ?, ?, ?, ?, ?)");
    for (const StoredReading& r : readings) {
        add.bind(1, r.fetchedAt).bind(2, std::string_view(r.reading.timeText));
        add.bind(3, std::string_view(r.reading.priceText)).bind(4, r.reading.price);
        add.bindBlob(5, PackReadingLevels(r.reading).blob).step();
        add.reset();
    }
}

std::int64_t schemaVersion(const std::string& path)
{
    SqliteDatabase db(path, false);
    SqliteStatement query(db, "SELECT version FROM schema_version");
    return query.step() ? query.integer(0) : -1;
}

TEST(HistoryStore, BringsAnOlderFileUpToDate)
{
    test::TempDir dir;
    const std::string path = (dir / "old.sqlite3").string();
    const std::vector<StoredReading> old = {DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0),
                                            DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0 + 20)};
    writeVersion1File(path, old);
    HistoryStore store(path);
    EXPECT_EQ(schemaVersion(path), kHistorySchemaVersion);
    const auto back = store.readings({"GBP/USD"});
    ASSERT_EQ(back.size(), 2u);
    expectSameReading(old[1], back[1]);
    // The digests of the old readings were filled in: they are found again.
    EXPECT_FALSE(store.record(old[0]));
    EXPECT_TRUE(store.record(DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0 + 40)));
}

TEST(HistoryStore, RefusesFilesItCannotUseAndLeavesThemAlone)
{
    test::TempDir dir;
    const std::string newer = (dir / "newer.sqlite3").string();
    { HistoryStore store(newer); }
    {
        SqliteDatabase db(newer, false);
        db.execute("UPDATE schema_version SET version = 9");
    }
    const std::string text = (dir / "notes.txt").string();
    test::writeFile(text, std::string(5000, 'x'));
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {newer, newer + ": the history has schema version 9; this Tivka knows versions up to 2"},
        {text, text + ": "},
    };
    for (const auto& c : cases) {
        const std::string before = test::readFile(c.path);
        try {
            HistoryStore store(c.path);
            ADD_FAILURE() << c.path << " was opened";
        } catch (const HistoryError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
        }
        EXPECT_EQ(test::readFile(c.path), before);
    }
}

TEST(HistoryStore, PrunesReadingsOlderThanTheDaysKept)
{
    test::TempDir dir;
    const std::string path = (dir / "h.sqlite3").string();
    const std::int64_t now = kMinute0 * 60;
    const std::int64_t ages[] = {10 * 86400, 7 * 86400 + 1, 7 * 86400, 86400, 0};
    {
        HistoryStore store(path);
        for (const std::int64_t age : ages) {
            StoredReading r = DriftReading("EUR/USD", ChartKind::Orders, true, kMinute0 - age / 60 - age % 60);
            r.fetchedAt = now - age;
            store.record(r);
        }
    }
    EXPECT_EQ(count(*OpenHistory(path, 0, now), "EUR/USD"), 5);
    auto store = OpenHistory(path, 7, now);
    const auto kept = store->readings({"EUR/USD"});
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.front().fetchedAt, now - 7 * 86400);
    EXPECT_EQ(store->pruneBefore(now), 2);
    EXPECT_EQ(store->readings({"EUR/USD", ChartKind::Orders, true, now, now}).size(), 1u);
}

}  // namespace
}  // namespace tivka
