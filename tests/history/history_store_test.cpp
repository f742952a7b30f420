// The history store: what goes in comes back exactly, a chart is kept once,
// older files are brought up to date, what it cannot use is left alone, old
// readings are pruned, and a writer killed at any point loses only what it had
// not committed. The recorder loses no more than the readings it could not
// write, and says so once.
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <csignal>
#include <latch>
#include <thread>
#include <sstream>

#include "history/history_recorder.h"
#include "history/history_store.h"
#include "history/level_blob.h"
#include "history/readings.h"
#include "history/sqlite_database.h"
#include "support/file_size_limit.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using test::OfPair;
using test::DriftReading;

constexpr std::int64_t kMinute0 = 29'000'000;  // 2025-02-19T21:20Z

// Every figure of a stored reading, numbers bit for bit.
std::string figures(const StoredReading& stored)
{
    const ChartReading& r = stored.reading;
    std::ostringstream out;
    const auto bits = [](double value) { return std::bit_cast<std::uint64_t>(value); };
    out << stored.pairText << int(stored.kind) << stored.cumulative << ' ' << stored.fetchedAt << ' ' << r.priceText
        << ' ' << bits(r.price) << ' ' << r.timeText << ' ' << bits(r.step) << " layout "
        << (stored.failedChecks ? std::to_string(stored.failedChecks->bits()) : "none");
    for (const ScaleMark& mark : r.scale)
        out << " label " << mark.column << ':' << bits(mark.price);
    for (const Level& level : r.levels)
        out << " level " << bits(level.price) << ':' << level.buyPixels << ':' << level.sellPixels;
    return out.str();
}

// Readings no chart gives, which must come back all the same: level prices
// off the scale, bars at the current price and longer than a chart's, and
// either labels in whole units (8,195 units: a number whose encoding has a
// middle byte of exactly 128) or labels with no exact decimals.
StoredReading oddReading(std::vector<ScaleMark> scale, std::int64_t fetchedAt)
{
    StoredReading stored = DriftReading("EUR/GBP", ChartKind::Orders, false, kMinute0);
    stored.fetchedAt = fetchedAt;
    stored.reading.priceText = "0.8200";
    stored.reading.price = 0.82;
    stored.reading.scale = std::move(scale);
    stored.reading.level(82).price += 0.001;
    stored.reading.level(255).sellPixels = 5;
    stored.reading.level(300).buyPixels = 255;
    return stored;
}

TEST(HistoryStore, GivesBackExactlyWhatWasStored)
{
    test::TempDir dir;
    std::vector<StoredReading> stored;
    for (const char* pair : {"GBP/USD", "USD/JPY"})
        for (const ChartKind kind : {ChartKind::Orders, ChartKind::Positions})
            for (const bool cumulative : {false, true})
                stored.push_back(DriftReading(pair, kind, cumulative, kMinute0 + 20 * std::int64_t(stored.size())));
    for (const StoredReading& reading : stored)  // levels follow the scale: a few hundred bytes, not 9 KB
        EXPECT_LT(PackReadingLevels(reading.reading).blob.size(), 600u) << reading.pairText;
    stored.push_back(oddReading({{0.8195, 105}, {0.8245, 155}, {0.8295, 205}}, kMinute0 * 60 + 1));
    stored.push_back(oddReading({{1.0 / 3, 105}, {2.0 / 3, 155}}, kMinute0 * 60 + 2));
    // Flagged by the layout guard, with every check failed; and without a verdict.
    stored[1].failedChecks = LayoutChecks((1u << kLayoutCheckCount) - 1);
    stored[2].failedChecks = LayoutChecks(1u << unsigned(LayoutCheck::PriceColumn));
    stored[3].failedChecks.reset();
    const std::string path = (dir / "new" / "history.sqlite3").string();
    {
        HistoryStore store(path);
        for (const StoredReading& reading : stored)
            EXPECT_TRUE(store.record(reading));
    }
    HistoryStore store(path);
    for (const StoredReading& reading : stored) {
        const auto back =
            store.readings({reading.pairText, reading.kind, reading.cumulative, reading.fetchedAt, reading.fetchedAt});
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(figures(back[0]), figures(reading));
    }
    EXPECT_EQ(store.readings(OfPair("GBP/USD", ChartKind::Positions)).size(), 2u) << "both variants";
}

TEST(HistoryStore, KeepsTheSameChartOnce)
{
    const StoredReading base = DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0);
    // What differs from the reading held, and whether the new one is kept.
    const std::tuple<const char*, std::function<void(StoredReading&)>, bool> cases[] = {
        {"nothing", [](StoredReading&) {}, false},
        {"fetched later", [](StoredReading& r) { r.fetchedAt += 600; }, false},
        {"another chart time", [](StoredReading& r) { r.reading.timeText = "23:59"; }, true},
        {"one bar a pixel longer", [](StoredReading& r) { r.reading.levels[40].sellPixels += 1; }, true},
        {"another price", [](StoredReading& r) { r.reading.priceText = "1.2702"; }, true},
        {"the other variant", [](StoredReading& r) { r.cumulative = true; }, true},
        {"the other chart", [](StoredReading& r) { r.kind = ChartKind::Orders; }, true},
        {"another pair", [](StoredReading& r) { r.pairText = "EUR/USD"; }, true},
    };
    test::TempDir dir;
    HistoryStore store((dir / "h.sqlite3").string());
    ASSERT_TRUE(store.record(base));
    std::int64_t kept = 1;
    for (const auto& [change, apply, differs] : cases) {
        StoredReading again = base;
        apply(again);
        EXPECT_EQ(store.record(again), differs) << change;
        kept += differs;
    }
    std::int64_t held = 0;
    for (const SeriesSummary& series : store.summary())
        held += series.readings;
    EXPECT_EQ(held, kept);
}

// Files of the first release (no digest of the levels) and of the second (no
// layout verdict): the readings held come back as they were, without a
// verdict, and new ones keep theirs.
TEST(HistoryStore, BringsAnOlderFileUpToDate)
{
    const std::pair<int, const char*> olderLayouts[] = {
        {2, "ALTER TABLE readings DROP COLUMN layout_checks"},
        {1, "ALTER TABLE readings DROP COLUMN layout_checks; DROP INDEX readings_by_levels; "
            "ALTER TABLE readings DROP COLUMN levels_digest"},
    };
    for (const auto& [version, downgrade] : olderLayouts) {
        test::TempDir dir;
        const std::string path = (dir / "old.sqlite3").string();
        std::vector<StoredReading> old = {DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0),
                                          DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0 + 20)};
        for (const StoredReading& reading : old)
            HistoryStore(path).record(reading);
        SqliteDatabase(path, false)
            .execute(std::string(downgrade) + "; UPDATE schema_version SET version = " + std::to_string(version));
        for (StoredReading& reading : old)
            reading.failedChecks.reset();
        HistoryStore store(path);
        const auto back = store.readings(OfPair("GBP/USD"));
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(figures(back[0]), figures(old[0])) << version;
        EXPECT_EQ(figures(back[1]), figures(old[1])) << version;
        // The old readings got their digests: a chart held before is found again.
        EXPECT_FALSE(store.record(old[1]));
        StoredReading flagged = DriftReading("GBP/USD", ChartKind::Positions, false, kMinute0 + 40);
        flagged.failedChecks = LayoutChecks(1u << unsigned(LayoutCheck::AxisRow));
        EXPECT_TRUE(store.record(flagged));
        EXPECT_EQ(figures(store.readings(OfPair("GBP/USD")).back()), figures(flagged));
        EXPECT_NO_THROW(HistoryStore{path}) << "brought up to date once and for all";
    }
}

// What cannot be used is refused, naming the file or the reading, and left
// as it was: a history of a newer Tivka, a file that is no database, and
// levels that cannot be read back (never misread).
TEST(HistoryStore, RefusesWhatItCannotReadAndLeavesItAlone)
{
    test::TempDir dir;
    const StoredReading reading = DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0);
    const std::string good = (dir / "good.sqlite3").string();
    HistoryStore(good).record(reading);
    int copies = 0;
    const auto copy = [&](const std::function<void(SqliteDatabase&)>& change) {
        const std::string path = (dir / (std::to_string(++copies) + ".sqlite3")).string();
        std::filesystem::copy_file(good, path);
        SqliteDatabase db(path, false);
        change(db);
        return path;
    };
    const std::string newer = copy([](SqliteDatabase& db) { db.execute("UPDATE schema_version SET version = 9"); });
    const std::string text = (dir / "notes.txt").string();
    const std::string foreign = (dir / "other.db").string();
    SqliteDatabase(foreign, true).execute("CREATE TABLE notes(x)");
    test::writeFile(text, std::string(5000, 'x'));
    const std::string blob = PackReadingLevels(reading.reading).blob;
    const auto levels = [&](const std::string& damaged) {
        return copy([&](SqliteDatabase& db) {
            SqliteStatement(db, "UPDATE readings SET levels = ?").bindBlob(1, damaged).step();
        });
    };
    const std::pair<std::string, std::string> cases[] = {
        {newer, newer + ": the history has schema version 9; this Tivka knows versions up to 3"},
        {text, text + ": "},
        {foreign, foreign + ": holds tables but no schema version; not a Tivka history"},
        {levels(""), "levels of reading 1: the blob is empty"},
        {levels("\x02" + blob.substr(1)), "levels of reading 1: unknown format 2"},
        {levels(blob.substr(0, blob.size() - 3)), "levels of reading 1: the compressed levels are damaged"},
    };
    for (const auto& [path, message] : cases) {
        const std::string before = test::readFile(path);
        EXPECT_THAT([&] { HistoryStore(path).readings(OfPair("GBP/USD")); },
                    ::testing::ThrowsMessage<HistoryError>(::testing::StartsWith(message)));
        EXPECT_TRUE(test::readFile(path) == before) << path << " changed";
    }
}

// A history nobody may write (its owner made it read-only, or its folder) is
// read all the same, in the layout it has, through the log a writer still
// holds open, and nothing is written to it or beside it: once it may be
// written again, a writer works as before (SQLite's own read-only opening
// would leave read-only log files that stop it).
TEST(HistoryStore, AReadOnlyHistoryIsReadAndLeftAsItWas)
{
    if (const int status = test::RerunUnprivileged("HistoryStore.AReadOnlyHistoryIsReadAndLeftAsItWas"); status >= 0) {
        EXPECT_EQ(status, 0) << "the test failed as an unprivileged user";
        return;
    }
    namespace fs = std::filesystem;
    const auto reading = [](int minute) { return DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0 + minute); };
    const auto files = [](const fs::path& folder) {
        std::string names;
        for (const auto& entry : fs::directory_iterator(folder))
            names += entry.path().filename().string() + " " + std::to_string(fs::file_size(entry.path())) + "; ";
        return names;
    };
    const fs::perms readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const struct {
        const char* what;
        bool firstLayout, writerOpen, folderLocked;
    } cases[] = {
        {"a read-only file", false, false, false},
        {"a read-only file of the first layout", true, false, false},
        {"a read-only file whose writer is still at work", false, true, false},
        {"a read-only folder", false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const std::string path = (dir / "history.sqlite3").string();
        HistoryStore(path).record(reading(0));
        if (c.firstLayout)
            SqliteDatabase(path, false).execute("ALTER TABLE readings DROP COLUMN layout_checks; DROP INDEX "
                                                "readings_by_levels; ALTER TABLE readings DROP COLUMN levels_digest; "
                                                "UPDATE schema_version SET version = 1");
        std::optional<HistoryStore> writer;
        if (c.writerOpen)
            writer.emplace(path).record(reading(20));  // in the log only, until the writer closes
        fs::permissions(path, readable);
        if (c.folderLocked)
            fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        const std::string before = files(dir.path()), bytes = test::readFile(path);
        {
            HistoryStore store(path, HistoryStore::ReadOnly{});
            EXPECT_EQ(store.readings(OfPair("GBP/USD")).size(), c.writerOpen ? 2u : 1u);
            EXPECT_EQ(store.summary().size(), 1u);
            EXPECT_THROW(store.record(reading(40)), HistoryError);
        }
        EXPECT_EQ(files(dir.path()), before);
        EXPECT_TRUE(test::readFile(path) == bytes) << "the file changed";
        writer.reset();
        fs::permissions(dir.path(), fs::perms::owner_all);
        fs::permissions(path, readable | fs::perms::owner_write);
        EXPECT_TRUE(HistoryStore(path).record(reading(60))) << "a writer cannot use the history any more";
    }
    EXPECT_THAT([] { HistoryStore("/nonexistent/history.sqlite3", HistoryStore::ReadOnly{}); },
                ::testing::ThrowsMessage<HistoryError>(
                    ::testing::StrEq("/nonexistent/history.sqlite3: no history has been kept there yet")));
}

// Two writers of one history (a feed, and tivka-history importing) take
// turns: the second waits for the first's transaction instead of failing.
TEST(HistoryStore, ASecondWriterWaitsForTheFirstsTransaction)
{
    test::TempDir dir;
    const std::string path = (dir / "h.sqlite3").string();
    HistoryStore first(path), second(path);
    std::latch holding(1);
    std::thread writer([&] {
        HistoryStore::Batch batch(first);
        first.record(DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0));
        holding.count_down();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        batch.commit();
    });
    holding.wait();
    bool stored = false;
    EXPECT_NO_THROW(stored = second.record(DriftReading("EUR/USD", ChartKind::Orders, false, kMinute0)));
    EXPECT_TRUE(stored);
    writer.join();
    EXPECT_EQ(second.summary().size(), 2u);
}

// The History window reads while refreshes write: what is written meanwhile
// is seen at its next look.
TEST(HistoryStore, AReaderSeesWhatIsWrittenWhileItIsOpen)
{
    test::TempDir dir;
    const std::string path = (dir / "h.sqlite3").string();
    HistoryStore(path).record(DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0));
    HistoryStore reader(path, HistoryStore::ReadOnly{});
    EXPECT_EQ(reader.readings(OfPair("GBP/USD")).size(), 1u);
    HistoryStore(path).record(DriftReading("GBP/USD", ChartKind::Orders, false, kMinute0 + 20));
    EXPECT_EQ(reader.readings(OfPair("GBP/USD")).size(), 2u);
}

TEST(HistoryStore, PrunesReadingsOlderThanTheDaysKept)
{
    test::TempDir dir;
    const std::string path = (dir / "h.sqlite3").string();
    const std::int64_t now = kMinute0 * 60;
    HistoryStore written(path);
    for (const std::int64_t age : {10 * 86400, 7 * 86400 + 1, 7 * 86400, 86400, 0}) {
        StoredReading r = DriftReading("EUR/USD", ChartKind::Orders, true, kMinute0 - age / 60 - age % 60);
        r.fetchedAt = now - age;
        written.record(r);
    }
    EXPECT_EQ(OpenHistory(path, 0, now)->readings(OfPair("EUR/USD")).size(), 5u);
    const auto store = OpenHistory(path, 7, now);
    const auto kept = store->readings(OfPair("EUR/USD"));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept.front().fetchedAt, now - 7 * 86400);
    EXPECT_EQ(store->pruneBefore(now), 2);
    EXPECT_EQ(store->readings(OfPair("EUR/USD")).size(), 1u);
}

// The base chart fetched again with its figures changed, so that none is a
// duplicate; the chart time tells which it is.
StoredReading numbered(const StoredReading& base, int n)
{
    StoredReading r = base;
    r.fetchedAt += n;
    r.reading.levels[std::size_t(n % 361)].buyPixels = (n / 361) % 70;
    r.reading.timeText = std::to_string(n);
    return r;
}

// A writer in a child process commits 40 readings one by one, then opens a
// batch and stores far more than the page cache holds, so that uncommitted
// pages reach the file, and is killed there.
TEST(CrashSafety, AWriterKilledMidTransactionLosesOnlyWhatItHadNotCommitted)
{
    test::TempDir dir;
    const std::string path = (dir / "history.sqlite3").string();
    const StoredReading base = DriftReading("GBP/USD", ChartKind::Orders, true, kMinute0);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        HistoryStore store(path);
        for (int n = 0; n < 40; ++n)
            store.record(numbered(base, n));
        HistoryStore::Batch batch(store);
        for (int n = 40; n < 8040; ++n)
            store.record(numbered(base, n));
        const bool told = ::write(fds[1], "batch", 5) == 5;
        while (told)
            ::pause();
        ::_exit(3);
    }
    ::close(fds[1]);
    char said[8] = "";
    EXPECT_EQ(::read(fds[0], said, 5), 5) << "the writer died by itself";
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fds[0]);
    HistoryStore store(path);
    const auto held = store.readings(OfPair("GBP/USD"));
    ASSERT_EQ(held.size(), 40u);
    for (std::size_t n = 0; n < held.size(); ++n)
        EXPECT_EQ(figures(held[n]), figures(numbered(base, int(n))));
    EXPECT_TRUE(store.record(numbered(base, 40))) << "the file takes new readings";
}

TEST(HistoryRecorder, AFullDiskCostsOnlyTheReadingsOfThatTimeAndIsReportedOnce)
{
    test::TempDir dir;
    const std::string path = (dir / "history.sqlite3").string();
    const StoredReading base = DriftReading("EUR/USD", ChartKind::Positions, false, kMinute0);
    HistoryStore(path).record(base);
    std::vector<std::string> failures;
    int commits = 0;
    {
        // Started three days after the oldest reading, keeping everything.
        HistoryRecorder recorder({path, 0, base.fetchedAt + 3 * 86400,
                                  [&](const std::string& message) { failures.push_back(message); },
                                  [&] { ++commits; }});
        recorder.record(numbered(base, 1));
        recorder.flush();
        {
            test::FileSizeLimit full(0);  // no file may grow
            for (const int n : {2, 3}) {
                recorder.record(numbered(base, n));
                recorder.flush();
            }
        }
        recorder.record(numbered(base, 4));  // stored before the recorder ends
    }
    std::vector<std::string> held;
    for (const StoredReading& reading : HistoryStore(path).readings(OfPair("EUR/USD")))
        held.push_back(reading.reading.timeText);
    EXPECT_EQ(held, (std::vector<std::string>{base.reading.timeText, "1", "4"}));
    EXPECT_THAT(failures, ::testing::ElementsAre(::testing::StartsWith(path + ": ")));
    EXPECT_EQ(commits, 2);
}

}  // namespace
}  // namespace tivka
