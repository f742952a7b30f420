// The window against the synthetic chart server over loopback HTTP, and the
// spreadsheet export into the documents folder.
#include <QDeadlineTimer>
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

// While the server takes its time the window repaints and its menus open;
// then the charts arrive and are read.
TEST_F(WindowTest, StartsUpAgainstASlowChartServerAndStaysAlive)
{
    charts::ChartServerOptions options;
    options.delayMs = 700;
    charts::ChartServer server(options);
    server.start();
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + std::string(charts::kChartFolder);
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + url + "\n");
    CurlDownloader curl;
    activeDownloader = &curl;
    MainWindow& form = makeWindow();
    form.startUp();
    form.show();
    PaintCounter counter;
    chartCanvas()->installEventFilter(&counter);
    QDeadlineTimer wait(500);
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

    waitForRefresh();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_TRUE(form.state().chartsLoaded());
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    EXPECT_GT(form.state().orders.reading.price, 0);
    form.close();
    EXPECT_THAT(settingsLines(), ::testing::Contains("TIVKA_URL=" + url));
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
