// The window against the synthetic chart server over loopback HTTP, the
// spreadsheet export into the documents folder, and the program as a separate
// process: a termination signal closes it as the user would, even while it
// waits on the network.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <atomic>
#include <filesystem>
#include <fstream>

#include "chart/bmp_codec.h"
#include "chart_server/chart_server.h"
#include "support/child_process.h"
#include "support/scoped_environment.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Counts the paint events a widget gets.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

std::string serverUrl(const charts::ChartServer& server)
{
    return "http://127.0.0.1:" + std::to_string(server.port()) + std::string(charts::kChartFolder);
}

// While a download waits on a server that takes seconds to answer, the
// window repaints and its menus open; closing it then ends the wait at once.
TEST_F(WindowTest, TheWindowLivesWhileASlowServerIsWaitedOn)
{
    charts::ChartServerOptions options;
    options.delayMs = 5000;
    charts::ChartServer server(options);
    server.start();
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n");
    HttpDownloader curl;
    activeDownloader = &curl;
    MainWindow& form = makeWindow();
    form.startUp();
    form.show();
    PaintCounter counter;
    chartCanvas()->installEventFilter(&counter);
    QDeadlineTimer deadline(4000);  // the server answers after 5 s
    while (counter.paints <= 5 && !deadline.hasExpired()) {
        chartCanvas()->update();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_GT(counter.paints, 5);
    EXPECT_TRUE(form.refreshRunning());
    auto* menu = form.menuBar()->findChild<QMenu*>("fileMenu");
    menu->popup(QPoint(10, 10));
    settle();
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    QElapsedTimer closing;
    closing.start();
    form.close();
    EXPECT_LT(closing.elapsed(), 1000);
    EXPECT_TRUE(form.isShutDown());
    EXPECT_THAT(readFile(settingsPath()), HasSubstr("PositionsVariant=")) << "the settings are written all the same";
}

// From the chart server over HTTP to the panes, then the workbook into the
// documents folder; the address typed in stays in the settings.
TEST_F(WindowTest, ReadsTheChartServersChartsAndExportsThemToAWorkbook)
{
    charts::ChartServer server({});
    server.start();
    const fs::path books = dir / "books";
    fs::create_directory(books);
    ScopedEnvironment environment;
    environment.set("XDG_DOCUMENTS_DIR", books.string());
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n");
    HttpDownloader curl;
    activeDownloader = &curl;
    MainWindow& form = startWindow();
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    action("exportAction")->trigger();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_EQ(openedWorkbooks.size(), 1u);
    const std::string book = openedWorkbooks[0];
    EXPECT_EQ(fs::path(book).parent_path(), books);
    EXPECT_TRUE(fs::path(book).filename().string().starts_with("Tivka "));
    EXPECT_FALSE(find<QLabel>("exportBanner")->isVisible());

    // Without a program for workbooks the user is told where the file is.
    workbooksOpen = false;
    action("exportAction")->trigger();
    EXPECT_THAT(messages.shown, ::testing::ElementsAre("Книга записана, но открыть её нечем: " +
                                                       book.substr(0, book.size() - 5) + " (2).xlsx"));
    form.close();
    EXPECT_THAT(readFile(settingsPath()), HasSubstr("TIVKA_URL=" + serverUrl(server) + "\n"));
}

// True once the process catches SIGTERM (its handler is in place).
bool catchesTermination(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

// While its first refresh waits on a server that never answers, Tivka
// keeps its folder to itself: a second start says why, brings the first to
// the front and leaves at once. A termination signal then ends the first
// within a second, status 0, as the user's close would: it writes its
// settings, and as nobody is there to close a box, a settings file it may
// not write is told on standard error. (As an unprivileged user: root writes
// any file.)
TEST(TerminationSignal, EndsAWaitingTivkaAtOnceAndASecondOneNeverStarts)
{
    if (const int status = RerunUnprivileged("TerminationSignal.EndsAWaitingTivkaAtOnceAndASecondOneNeverStarts");
        status >= 0) {
        EXPECT_EQ(status, 0);
        return;
    }
    TempDir dir;
    std::atomic<int> requests{0};
    charts::ChartServerOptions options;
    options.stall = true;
    options.onRequest = [&requests](const std::string&) { ++requests; };
    charts::ChartServer server(options);
    server.start();
    const fs::path settings = dir / "tivka.INI";
    const std::string text = "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n";
    writeFile(settings, text);
    fs::permissions(settings, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::copy_file(TIVKA_PROGRAM, dir / "tivka");
    WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
    // The history goes to the test's folder.
    const std::vector<std::pair<std::string, std::string>> environment{{"QT_QPA_PLATFORM", "offscreen"},
                                                                       {"XDG_DATA_HOME", dir.path().string()}};

    ChildProcess first(dir / "tivka", {}, dir.path(), dir / "errors", environment);
    ASSERT_TRUE(WaitFor([&] { return catchesTermination(first.pid()) && requests > 0; }, 10))
        << "the first Tivka did not start";
    ChildProcess second(dir / "tivka", {}, dir.path(), dir / "second.err", environment);
    EXPECT_EQ(second.wait(), 1);
    EXPECT_THAT(readFile(dir / "second.err"), HasSubstr("Tivka is already running in " + dir.path().string()));
    EXPECT_THAT(readFile(dir / "second.err"), HasSubstr("its window is brought to the front instead"));
    EXPECT_TRUE(first.running());

    const auto sent = std::chrono::steady_clock::now();
    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
    EXPECT_THAT(readFile(dir / "errors"), HasSubstr("tivka: Unable to write to " + settings.string() + ": Permission denied"));
    EXPECT_EQ(readFile(settings), text);
    server.stop();
}

}  // namespace
}  // namespace tivka::test
