// tivka-feed as a service manager or cron runs it: the indicator files it
// serves, its exit statuses, its signals, and the working folder it shares
// with the window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <map>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <filesystem>

#include "acquisition/pair_naming.h"
#include "chart/bmp_codec.h"
#include "chart_server/chart_server.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kFeed = TIVKA_FEED;
const fs::path kWindow = TIVKA_WINDOW;  // empty in a build without the window

// A working folder with the template, three terminal folders asking for
// their pairs, and a settings file pointing at the chart server.
class FeedProgramTest : public ::testing::Test {
protected:
    FeedProgramTest()
    {
        serve([](charts::ChartServerOptions&) {});
        WriteBmpFile(charts::DigitTemplateBitmap(), (work / "ndata.bmp").string());
        for (int i = 0; i < 3; ++i)
            fs::create_directories(folder(i));
    }
    // A chart server drawing every chart at 12:30, as `change` has it.
    void serve(const std::function<void(charts::ChartServerOptions&)>& change)
    {
        charts::ChartServerOptions options;
        options.fixedTime = "12:30";
        options.onRequest = [this](const std::string&) { ++requests; };
        change(options);
        server_ = std::make_unique<charts::ChartServer>(options);
        server_->start();
    }
    // The terminal folder i: "<terminal i>/experts/files/Tivka".
    fs::path folder(int i) const { return dir / ("mt4_" + std::to_string(i)) / "experts" / "files" / "Tivka"; }
    std::string terminal(int i) const { return (dir / ("mt4_" + std::to_string(i))).string() + "/"; }
    void ask(int i, const std::string& code) { writeFile(folder(i) / ("ir" + code + ".dat"), "0"); }
    std::string flag(int i, const std::string& code) const { return readFile(folder(i) / ("ir" + code + ".dat")); }
    std::string url() const
    {
        return "http://127.0.0.1:" + std::to_string(server_->port()) + std::string(charts::kChartFolder);
    }
    void settings(const std::string& extra = "")
    {
        writeFile(work / "tivka.INI", "[Setting]\nTIVKA_URL=" + url() + "\nMt4_Path=" + terminal(0) +
                                          "\nMt4_Path2=" + terminal(1) + "\nMt4_Path3=" + terminal(2) + "\n" + extra);
    }
    // Runs the feed in the working folder, its history in the test folder.
    std::unique_ptr<ChildProcess> feed(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--settings", (work / "tivka.INI").string()});
        return std::make_unique<ChildProcess>(kFeed, args, work, dir / "feed.err", environment());
    }
    std::vector<std::pair<std::string, std::string>> environment() const
    {
        return {{"XDG_DATA_HOME", (dir / "data").string()}, {"LC_ALL", "C"}};
    }
    std::string errors() const { return readFile(dir / "feed.err"); }

    std::atomic<int> requests{0};
    TempDir dir;
    fs::path work = (fs::create_directories(dir / "work"), dir / "work");
    std::unique_ptr<charts::ChartServer> server_;
};

// --once is for cron: 0 when every requested pair was served, 2 when some
// were not (each named), 1 for a command line or settings it cannot use.
TEST_F(FeedProgramTest, OnceSaysWhetherEveryRequestedPairWasServed)
{
    serve([](charts::ChartServerOptions& options) { options.notFoundPair = "AUD_USD"; });
    settings();
    const struct {
        const char* what;
        std::function<void()> arrange;
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {"nothing asked", [] {}, {"--once"}, 0, "pass: no pairs requested"},
        {"served", [&] { ask(0, "GBPUSD"), ask(2, "USDJPY"); }, {"--once"}, 0,
         "pass: 2 pairs requested, 2 served (GBPUSD, USDJPY)"},
        {"one not", [&] { ask(1, "AUDUSD"); }, {"--once", "--log-time"}, 2,
         "3 pairs requested, 2 served (GBPUSD, USDJPY), 1 failed: AUDUSD (Сервер ответил 404 Not Found: "},
        {"bad period", [] {}, {"--every", "0"}, 1, "--every needs a whole number of minutes from 1 to 35791"},
        {"no timer", [] {}, {}, 1, "no refresh timer is enabled: set TimerEn1=1"},
        {"a cut folder",
         [&] { writeFile(work / "tivka.INI", "[Setting]\nTIVKA_URL=" + url() + "\nMt4_Path=/tmp/a\x01\n"); },
         {"--once"}, 1,
         "Настройка Mt4_Path в "},
        {"no template", [&] { settings(), fs::remove(work / "ndata.bmp"); }, {"--once"}, 1,
         "ndata.bmp: cannot be opened"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        EXPECT_EQ(feed(c.args)->wait(), c.status);
        EXPECT_THAT(errors(), HasSubstr(c.said));
    }
    EXPECT_EQ(flag(0, "GBPUSD") + flag(2, "USDJPY") + flag(1, "AUDUSD"), "220");
    EXPECT_TRUE(fs::is_regular_file(dir / "data" / "tivka" / "history.sqlite3")) << "the readings are kept";
}

// The window and the feed serve the same folders from the same settings with
// the same code: the files they write are the same, byte for byte.
TEST_F(FeedProgramTest, TheFeedWritesWhatTheWindowWrites)
{
    if (kWindow.empty())
        GTEST_SKIP() << "built without the window";
    settings("OrdersVariant=cumulative\n");
    const std::vector<std::pair<int, std::string>> asked = {{0, "GBPUSD"}, {1, "GBPUSD"}, {1, "USDJPY"},
                                                           {2, "EURGBP"}, {2, "GBPJPY"}};
    for (const auto& [i, code] : asked)
        ask(i, code);
    fs::copy_file(kWindow, work / "tivka");
    fs::copy_file(work / "tivka.INI", work / "tivka.INI.feed");
    {
        ChildProcess window(work / "tivka", {}, work, dir / "window.err",
                            {{"QT_QPA_PLATFORM", "offscreen"}, {"XDG_DATA_HOME", (dir / "data").string()}});
        ASSERT_TRUE(WaitFor([&] {
            for (const auto& [i, code] : asked)
                if (flag(i, code) != "2")
                    return false;
            return true;
        })) << readFile(dir / "window.err");
        window.signal(SIGTERM);
        EXPECT_EQ(window.wait(), 0);
    }
    std::map<fs::path, std::string> byWindow;
    for (const auto& [i, code] : asked) {
        byWindow[folder(i) / (code + ".csv")] = readFile(folder(i) / (code + ".csv"));
        fs::remove(folder(i) / (code + ".csv"));
        writeFile(folder(i) / ("ir" + code + ".dat"), "0");
    }
    fs::rename(work / "tivka.INI.feed", work / "tivka.INI");
    EXPECT_EQ(feed({"--once"})->wait(), 0) << errors();
    for (const auto& [path, bytes] : byWindow) {
        EXPECT_EQ(readFile(path), bytes) << path;
        EXPECT_GT(bytes.size(), 720u * 8) << path;
    }
}

// A service manager's stop ends the feed within a second even while a
// download waits on a server that never answers; a reload reads the
// settings again and serves at once with them.
TEST_F(FeedProgramTest, SignalsStopItAtOnceAndReloadItsSettings)
{
    settings();
    ask(0, "GBPUSD");
    ask(1, "EURUSD");
    auto running = feed({"--every", "35791", "--listen", "127.0.0.1:0"});
    ASSERT_TRUE(WaitFor([&] { return errors().find("pass: ") != std::string::npos; })) << errors();
    EXPECT_EQ(flag(0, "GBPUSD") + flag(1, "EURUSD"), "22");
    // An interface client that connects and says nothing holds up no stop.
    const std::string said = errors();
    const std::size_t portAt = said.find("listening on port ") + 18;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(std::stoi(said.substr(portAt))));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int idle = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(idle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    // Folder 2 becomes folder 1's terminal: only a reload can know.
    ask(2, "USDCHF");
    writeFile(work / "tivka.INI", "[Setting]\nTIVKA_URL=" + url() + "\nMt4_Path=" + terminal(2) + "\n");
    running->signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return flag(2, "USDCHF") == "2"; })) << errors();
    EXPECT_THAT(errors(), HasSubstr("settings reloaded from "));

    serve([](charts::ChartServerOptions& options) { options.stall = true; });
    requests = 0;
    writeFile(work / "tivka.INI", "[Setting]\nTIVKA_URL=" + url() + "\nMt4_Path=" + terminal(2) + "\n");
    writeFile(folder(2) / "irUSDCHF.dat", "0");
    running->signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return requests > 0; }));
    const auto sent = std::chrono::steady_clock::now();
    running->signal(SIGTERM);
    EXPECT_EQ(running->wait(), 0);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count(), 1.0);
    EXPECT_EQ(flag(2, "USDCHF"), "0") << "the pass under way was given up";
    ::close(idle);
}

// One Tivka per working folder: a feed where a window runs, or a window or a
// second feed where a feed runs, says who holds the folder and leaves.
TEST_F(FeedProgramTest, AFeedAndAWindowNeverServeTheSameFolder)
{
    settings("TimerEn1=1\nTime1=60\n");
    auto first = feed({});
    ASSERT_TRUE(WaitFor([&] { return errors().find("pass: ") != std::string::npos; })) << errors();
    const std::string holder = "held by process " + std::to_string(first->pid());
    ChildProcess second(kFeed, {"--settings", (work / "tivka.INI").string(), "--once"}, work, dir / "second.err",
                        environment());
    EXPECT_EQ(second.wait(), 1);
    EXPECT_THAT(readFile(dir / "second.err"), HasSubstr("Tivka is already running in " + work.string() + " (" + holder));
    if (!kWindow.empty()) {
        fs::copy_file(kWindow, work / "tivka");
        ChildProcess window(work / "tivka", {}, work, dir / "window.err", {{"QT_QPA_PLATFORM", "offscreen"}});
        EXPECT_EQ(window.wait(), 1);
        EXPECT_THAT(readFile(dir / "window.err"), HasSubstr("(" + holder + "), without a window"));
    }
    first->signal(SIGINT);
    EXPECT_EQ(first->wait(), 0);
}

}  // namespace
}  // namespace tivka::test
