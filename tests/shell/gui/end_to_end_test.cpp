// The window against the synthetic chart server over loopback HTTP, and the
// spreadsheet export into the documents folder.
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <filesystem>

#include "chart_server/chart_server.h"
#include "support/scoped_environment.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;

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

TEST_F(WindowTest, StartsUpAgainstTheChartServer)
{
    charts::ChartServer server({});
    server.start();
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n");
    CurlDownloader curl;
    activeDownloader = &curl;
    MainWindow& form = startWindow();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_TRUE(form.state().chartsLoaded());
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    EXPECT_GT(form.state().orders.reading.price, 0);
    form.close();
    EXPECT_THAT(settingsLines(), ::testing::Contains("TIVKA_URL=" + serverUrl(server)));
}

// While a download waits on a server that takes seconds to answer, the
// window repaints and its menus open; closing it then ends the wait at once.
TEST_F(WindowTest, TheWindowLivesWhileASlowServerIsWaitedOn)
{
    charts::ChartServerOptions options;
    options.delayMs = 5000;
    charts::ChartServer server(options);
    server.start();
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n");
    CurlDownloader curl;
    activeDownloader = &curl;
    MainWindow& form = makeWindow();
    form.startUp();
    form.show();
    PaintCounter counter;
    chartCanvas()->installEventFilter(&counter);
    QDeadlineTimer wait(1000);
    while (!wait.hasExpired()) {
        chartCanvas()->update();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_TRUE(form.refreshRunning());
    EXPECT_GT(counter.paints, 5);
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
}

TEST_F(WindowTest, SpreadsheetExportWritesAWorkbookAndLeavesThePanesAsTheyWere)
{
    const fs::path books = dir / "books";
    fs::create_directory(books);
    ScopedEnvironment environment;
    environment.set("XDG_DOCUMENTS_DIR", books.string());
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    const QString orders = ordersPane()->toPlainText();
    action("exportAction")->trigger();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    EXPECT_EQ(openedWorkbooks, std::vector<std::string>{(books / "Tivka 12_30_.xlsx").string()});
    EXPECT_TRUE(fs::file_size(books / "Tivka 12_30_.xlsx") > 0);
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_FALSE(find<QLabel>("exportBanner")->isVisible());

    // Without a program for workbooks the user is told where the file is.
    workbooksOpen = false;
    action("exportAction")->trigger();
    EXPECT_THAT(messages.shown, ::testing::ElementsAre("Книга записана, но открыть её нечем: " +
                                                       (books / "Tivka 12_30_ (2).xlsx").string()));
}

}  // namespace
}  // namespace tivka::test
