// A writer killed at any point leaves a database that opens and holds every
// reading committed before the kill; a recorder never lets a failure out.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include "history/history_recorder.h"
#include "history/history_store.h"
#include "history/drift_series.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using test::DriftReading;

constexpr std::int64_t kMinute0 = 29'000'000;

// The readings the writer stores: the same chart refetched with its figures
// changed, so that none is a duplicate.
StoredReading numbered(const StoredReading& base, int n)
{
    StoredReading r = base;
    r.fetchedAt += n;
    r.reading.levels[std::size_t(n % 361)].buyPixels = (n / 361) % 70;
    r.reading.timeText = std::to_string(n);
    return r;
}

// Writes `committed` readings one by one, telling the parent after each, then
// (if `hangInBatch`) opens a batch, stores far more than the page cache holds
// so that uncommitted pages reach the file, says "batch" and waits to die;
// otherwise goes on committing until killed.
[[noreturn]] void writer(const std::string& path, int writeFd, int committed, bool hangInBatch)
{
    const StoredReading base = DriftReading("GBP/USD", ChartKind::Orders, true, kMinute0);
    HistoryStore store(path);
    auto tell = [&](const std::string& line) {
        const std::string text = line + "\n";
        if (::write(writeFd, text.data(), text.size()) < 0)
            _exit(3);
    };
    int n = 0;
    for (; n < committed || !hangInBatch; ++n) {
        store.record(numbered(base, n));
        tell(std::to_string(n + 1));
    }
    HistoryStore::Batch batch(store);
    for (int i = 0; i < 8000; ++i)
        store.record(numbered(base, n + i));
    tell("batch");
    for (;;)
        ::pause();
}

// Starts the writer and kills it once it has said `until`; returns the number
// of readings it reported committed.
int killWriterAt(const std::string& path, int committed, bool hangInBatch, const std::string& until)
{
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        writer(path, fds[1], committed, hangInBatch);
    }
    ::close(fds[1]);
    FILE* from = ::fdopen(fds[0], "r");
    int reported = 0;
    char line[64];
    while (std::fgets(line, sizeof line, from)) {
        const std::string text = std::string(line).substr(0, std::string(line).size() - 1);
        if (text != "batch")
            reported = std::stoi(text);
        if (text == until)
            break;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::fclose(from);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";
    return reported;
}

TEST(CrashSafety, AWriterKilledMidTransactionLosesOnlyWhatItHadNotCommitted)
{
    struct Case {
        const char* when;
        bool hangInBatch;
        std::string until;
    };
    const Case cases[] = {{"inside a large open batch", true, "batch"}, {"while committing one by one", false, "60"}};
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = (dir / "history.sqlite3").string();
        const int reported = killWriterAt(path, 40, c.hangInBatch, c.until);
        HistoryStore store(path);
        const auto held = store.readings({"GBP/USD"});
        // One more than reported may have been committed just before the kill.
        EXPECT_GE(int(held.size()), c.hangInBatch ? 40 : reported) << c.when;
        EXPECT_LE(int(held.size()), c.hangInBatch ? 40 : reported + 1) << c.when;
        const StoredReading base = DriftReading("GBP/USD", ChartKind::Orders, true, kMinute0);
        for (std::size_t n = 0; n < held.size(); ++n)
            ASSERT_EQ(held[n].reading.timeText, std::to_string(n)) << c.when;
        const auto& expected = numbered(base, int(held.size()) - 1).reading.levels;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), held.back().reading.levels.begin(),
                               [](const Level& a, const Level& b) {
                                   return a.price == b.price && a.buyPixels == b.buyPixels &&
                                          a.sellPixels == b.sellPixels;
                               }))
            << c.when;
        EXPECT_TRUE(store.record(numbered(base, int(held.size())))) << "the file takes new readings " << c.when;
    }
}

TEST(HistoryRecorder, StoresOffTheCallersThreadAndReportsAFailureOnce)
{
    test::TempDir dir;
    std::vector<std::string> failures;
    const StoredReading reading = DriftReading("EUR/USD", ChartKind::Positions, false, kMinute0);
    {
        HistoryRecorder recorder({(dir / "data" / "history.sqlite3").string(), 0, 0,
                                  [&](const std::string& m) { failures.push_back(m); }, {}});
        recorder.record(reading);
        recorder.record(numbered(reading, 1));
    }
    EXPECT_EQ(HistoryStore((dir / "data" / "history.sqlite3").string()).readings({"EUR/USD"}).size(), 2u);
    EXPECT_TRUE(failures.empty());

    test::writeFile(dir / "blocked", "a file where the folder should be");
    const std::string unusable = (dir / "blocked" / "history.sqlite3").string();
    HistoryRecorder recorder({unusable, 0, 0, [&](const std::string& m) { failures.push_back(m); }, {}});
    for (int n = 0; n < 3; ++n) {
        recorder.record(numbered(reading, n));
        recorder.flush();
    }
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].substr(0, unusable.size() + 26), unusable + ": cannot create its folder");
}

}  // namespace
}  // namespace tivka
