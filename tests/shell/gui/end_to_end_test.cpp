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
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n");
    HttpDownloader curl;
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
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n");
    HttpDownloader curl;
    activeDownloader = &curl;
    MainWindow& form = startWindow();
    form.show();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    const QString orders = ordersPane()->toPlainText();
    action("exportAction")->trigger();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_EQ(openedWorkbooks.size(), 1u);
    const std::string book = openedWorkbooks[0];
    EXPECT_EQ(fs::path(book).parent_path(), books);
    EXPECT_TRUE(fs::path(book).filename().string().starts_with("Tivka "));
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_FALSE(find<QLabel>("exportBanner")->isVisible());

    // Without a program for workbooks the user is told where the file is.
    workbooksOpen = false;
    action("exportAction")->trigger();
    EXPECT_THAT(messages.shown, ::testing::ElementsAre("Книга записана, но открыть её нечем: " +
                                                       book.substr(0, book.size() - 5) + " (2).xlsx"));
    form.close();
    EXPECT_THAT(readFile(settingsPath()), HasSubstr("TIVKA_URL=" + serverUrl(server) + "\n"));
}

}  // namespace
}  // namespace tivka::test
