// The window against the synthetic chart server over loopback HTTP, the
// spreadsheet export into the documents folder, and the program as a separate
// process: a termination signal closes it as the user would, even while it
// waits on the network.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "chart/bmp_codec.h"
#include "chart_server/chart_server.h"
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
    CurlDownloader curl;
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
    CurlDownloader curl;
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

// Starts `program` in `folder` on the offscreen platform; its standard error
// goes to `errors`.
pid_t startProgram(const fs::path& program, const fs::path& folder, const fs::path& errors)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_DATA_HOME", folder.c_str(), 1);  // the history, in the test's folder
        dup2(open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
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

// Waits for the process to end; -1 when it has not ended in time (then killed).
int exitStatus(pid_t pid)
{
    for (int waited = 0; waited < 2000; ++waited) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// While its first refresh waits on a server that never answers, Tivka
// keeps its folder to itself: a second start says why and leaves at once.
// A termination signal then ends the first within a second, status 0, as
// the user's close would: it writes its settings, and as nobody is there to
// close a box, a settings file it may not write is told on standard error.
// (As an unprivileged user: root writes any file.)
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
    const std::string text = "[Setting]\nTIVKA_URL=http://127.0.0.1:" + std::to_string(server.port()) +
                             std::string(charts::kChartFolder) + "\n";
    writeFile(settings, text);
    fs::permissions(settings, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    fs::copy_file(TIVKA_PROGRAM, dir / "tivka");
    WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
    const pid_t first = startProgram(dir / "tivka", dir.path(), dir / "errors");
    for (int tries = 0; tries < 2000 && !(catchesTermination(first) && requests > 0); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GT(requests, 0) << "the first Tivka did not start";
    const pid_t second = startProgram(dir / "tivka", dir.path(), dir / "second.err");
    EXPECT_EQ(exitStatus(second), 1);
    EXPECT_NE(readFile(dir / "second.err").find("Tivka is already running in " + dir.path().string()),
              std::string::npos);
    EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0) << "the first one goes on";

    const auto sent = std::chrono::steady_clock::now();
    kill(first, SIGTERM);
    EXPECT_EQ(exitStatus(first), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
    EXPECT_NE(readFile(dir / "errors").find("tivka: Unable to write to " + settings.string() + ": Permission denied"),
              std::string::npos)
        << readFile(dir / "errors");
    EXPECT_EQ(readFile(settings), text);
    server.stop();
}

}  // namespace
}  // namespace tivka::test
