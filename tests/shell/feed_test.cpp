#include "shell/feed.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

#include "chart/bmp_codec.h"
#include "history/iso_time.h"
#include "platform/paths.h"
#include "support/fake_chart_downloader.h"
#include "support/manual_clock.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using ::testing::ElementsAreArray;

// Time passes at once: each wait moves the clock to its end, unless a signal
// is scripted for that wait; after the last scripted pass the feed is
// stopped.
class ScriptedWaiter final : public FeedWaiter {
public:
    explicit ScriptedWaiter(test::ManualClock& clock) : clock_(clock) {}
    Wake waitUntil(std::int64_t instant) override
    {
        if (++waits_ > maxWaits)
            return stop_ = true, Wake::Stop;
        if (const auto signal = signals.find(waits_); signal != signals.end()) {
            clock_.instant = std::max(clock_.instant, signal->second.first);
            return signal->second.second;
        }
        clock_.instant = std::max(clock_.instant, instant);
        return Wake::Time;
    }
    bool stopRequested() override { return stop_; }

    int maxWaits = 0;
    std::map<int, std::pair<std::int64_t, Wake>> signals;  // the n-th wait ends early: when, and why

private:
    test::ManualClock& clock_;
    int waits_ = 0;
    bool stop_ = false;
};

class FeedTest : public ::testing::Test {
protected:
    FeedTest() { WriteBmpFile(charts::DigitTemplateBitmap(), "ndata.bmp"); }

    // The times of day the passes began, for the settings and the waits given.
    std::vector<std::string> passes(const std::string& settings, int waits, std::optional<int> every = {},
                                    std::map<int, std::pair<std::int64_t, FeedWaiter::Wake>> signals = {})
    {
        test::writeFile("tivka.INI", "[Setting]\n" + settings);
        test::ManualClock clock;
        ScriptedWaiter waiter(clock);
        waiter.maxWaits = waits;
        waiter.signals = std::move(signals);
        std::vector<std::string> began;
        FeedServices services;
        services.downloader = &downloader;
        services.clock = &clock;
        services.waiter = &waiter;
        services.log = [this](const std::string& line) { log.push_back(line); };
        services.listener = [&](RefreshEvent event) {
            if (std::holds_alternative<PassStarted>(event))
                began.push_back(IsoUtcText(clock.now()).substr(11, 5));
            if (reloadWith && std::holds_alternative<PassEnded>(event))
                test::writeFile("tivka.INI", "[Setting]\n" + *std::exchange(reloadWith, std::nullopt));
        };
        Feed feed({"tivka.INI", every}, services);
        const Status started = feed.start(true);
        EXPECT_TRUE(started.ok()) << started.text();
        feed.run();
        return began;
    }

    test::TempDir dir;
    test::ScopedCurrentDir inDir{dir.path()};
    test::FakeChartDownloader downloader;
    std::vector<std::string> log;
    std::optional<std::string> reloadWith;  // the settings file after the first pass
};

// The feed keeps the window's two timers, started at 12:30: a pass at once,
// then every N minutes, and once an hour at the set minute by the minute rule
// (which, as in the window, ticks once a minute).
TEST_F(FeedTest, PassesComeWhenTheWindowsTimersWouldRefresh)
{
    const struct {
        const char* settings;
        int waits;
        std::optional<int> every;
        std::vector<std::string> began;
    } cases[] = {
        {"TimerEn1=1\nTime1=5\n", 3, {}, {"12:30", "12:35", "12:40", "12:45"}},
        {"TimerEn1=1\nTime1=5\n", 2, 7, {"12:30", "12:37", "12:44"}},
        {"TimerEn1=0\nTime1=5\n", 2, 20, {"12:30", "12:50", "13:10"}},
        {"TimerEn2=1\nTime2=40\n", 125, {}, {"12:30", "12:40", "13:40"}},
        {"TimerEn2=1\nTime2=31\n", 2, {}, {"12:30", "12:31"}},
        {"TimerEn2=1\nTime2=70\n", 1, 45, {"12:30"}},  // a minute that never comes; the period still ticks
        {"TimerEn1=1\nTime1=15\nTimerEn2=1\nTime2=40\n", 76, {},
         {"12:30", "12:40", "12:45", "13:00", "13:15", "13:30", "13:40", "13:45"}},
    };
    for (const auto& c : cases)
        EXPECT_THAT(passes(c.settings, c.waits, c.every), ElementsAreArray(c.began)) << c.settings;
    EXPECT_THAT(log.front(), ::testing::StartsWith("pass: no pairs requested"));
}

// A reload (SIGHUP) reads the settings again and serves at once; the timers
// start again from then. Settings that cannot be served leave the running
// ones in force.
TEST_F(FeedTest, AReloadServesAtOnceWithTheNewSettings)
{
    constexpr std::int64_t k1233 = 1796646600 + 180;
    reloadWith = "TimerEn1=1\nTime1=10\n";
    EXPECT_THAT(passes("TimerEn1=1\nTime1=5\n", 3, {}, {{1, {k1233, FeedWaiter::Wake::Reload}}}),
                ElementsAreArray({"12:30", "12:33", "12:43", "12:53"}));
    EXPECT_THAT(log, ::testing::Contains(::testing::StartsWith("settings reloaded from tivka.INI")));

    log.clear();
    reloadWith = "TimerEn1=0\n";
    EXPECT_THAT(passes("TimerEn1=1\nTime1=5\n", 3, {}, {{1, {k1233, FeedWaiter::Wake::Reload}}}),
                ElementsAreArray({"12:30", "12:35", "12:40"}));
    EXPECT_THAT(log, ::testing::Contains(::testing::HasSubstr("settings not reloaded: no refresh timer")));
}

// The log says what the window's state line says of the folders: a folder
// setting that names a folder that is not there, once, and again when a
// reload names another.
TEST_F(FeedTest, AMissingFolderIsLoggedOnceAndAgainWhenAReloadNamesAnother)
{
    constexpr std::int64_t k1237 = 1796646600 + 420;
    const std::string gone = (dir / "gone").string(), moved = (dir / "moved").string();
    reloadWith = "TimerEn1=1\nTime1=5\nMt4_Path=" + moved + "/\n";
    passes("TimerEn1=1\nTime1=5\nMt4_Path=" + gone + "/\n", 3, {}, {{2, {k1237, FeedWaiter::Wake::Reload}}});
    const auto shown = [](const std::string& folder) { return AbsolutePath(NativePath(folder + "/experts\\files\\Tivka\\")); };
    EXPECT_THAT(log, ElementsAreArray({"pass: no pairs requested. Папка индикаторов 1 не найдена: " + shown(gone),
                                       std::string("pass: no pairs requested"), std::string("settings reloaded from tivka.INI"),
                                       "pass: no pairs requested. Папка индикаторов 1 не найдена: " + shown(moved),
                                       std::string("pass: no pairs requested")}));
}

}  // namespace
}  // namespace tivka
