// Start-up, shut-down, the refresh and the recalculation.
#include "shell/gui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>

#include "acquisition/download.h"
#include "chart/gui/qt_text_painter.h"
#include "export/gui/picture_saver.h"
#include "history/history_recorder.h"
#include "platform/clock.h"
#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/cursor_readout.h"

namespace tivka {
namespace {

constexpr const char* kDownloadFailedMessage = "Ошибка при загрузке графиков!";

// Marks a refresh as running for as long as it is in scope, also when it ends
// by an error.
class RunningRefresh {
public:
    explicit RunningRefresh(int& depth) : depth_(depth) { ++depth_; }
    ~RunningRefresh() { --depth_; }
    RunningRefresh(const RunningRefresh&) = delete;
    RunningRefresh& operator=(const RunningRefresh&) = delete;

private:
    int& depth_;
};

void setPaneLines(QPlainTextEdit* pane, const std::vector<std::string>& lines)
{
    pane->clear();
    for (const std::string& line : lines)
        pane->appendPlainText(QString::fromStdString(line));
}

}  // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), painter_(std::make_unique<QtTextPainter>())
{
    buildControls();
    autoRefresh_ = new AutoRefresh(
        state_.settings.timers, *services_.messages, *services_.modals, *services_.clock, autoRefreshAction_,
        [this] { refresh(); }, this, [this](const std::function<void()>& handler) { guarded(handler); });
    cursor_ = std::make_unique<CursorReadout>(chartCanvas_->canvas(), *this);
    saver_ = std::make_unique<PictureSaver>(*services_.modals, this);
    connectHandlers();
}

MainWindow::~MainWindow() = default;

void MainWindow::reportError(const std::string& text)
{
    services_.messages->showMessage(text);
}

void MainWindow::processMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void MainWindow::startUp()
{
    guarded([this] {
        state_.settings = LoadSettings(services_.settingsPath, services_.systemSeparator);
        startHistory();
        state_.digits = DigitTemplate::load("ndata.bmp");
        trayHooksInstalled_ = true;
        state_.windowShown = true;
        {
            RunningRefresh running(refreshDepth_);
            fetchDisplayCharts();
            if (stopped())
                return;
            serveIndicators();
        }
        if (stopped())
            return;
        refreshBanner_->hide();
        exportBanner_->hide();
        autoRefresh_->armAtStartup();
    });
    // Shown only now, so that no tray click can bring the window up while
    // start-up is still running.
    if (services_.trayAvailable && !shutDown_)
        trayIcon_->show();
}

// The writer opens (and prunes) the database on its own thread. Its messages
// come from that thread and are shown from the window's.
void MainWindow::startHistory()
{
    if (services_.historyPath.empty() || history_)
        return;
    HistoryRecorderOptions options;
    options.path = services_.historyPath;
    options.keepDays = state_.settings.historyDays;
    options.startedAt = services_.clock->now();
    options.onFailure = [this](const std::string& message) {
        QMetaObject::invokeMethod(
            this, [this, message] { reportError("История не сохраняется: " + message); }, Qt::QueuedConnection);
    };
    options.onStored = [this] { QMetaObject::invokeMethod(this, &MainWindow::historyStored, Qt::QueuedConnection); };
    history_ = std::make_unique<HistoryRecorder>(std::move(options));
}

void MainWindow::recordReading(ChartKind kind, const ChartReading& reading)
{
    if (!history_ || !reading.complete())
        return;
    const bool orders = kind == ChartKind::Orders;
    history_->record({pairBox_->currentText().toStdString(), kind,
                      (orders ? ordersCumulative_ : positionsCumulative_)->isChecked(), services_.clock->now(),
                      reading});
}

void MainWindow::shutDown()
{
    autoRefresh_->disarm();
    // Whatever is still queued is written before the program ends.
    history_.reset();
    trayIcon_->hide();
    state_.digits = DigitTemplate();
    state_.charts.reset();
    SaveSettings(services_.settingsPath, state_.settings);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!shutDown_) {
        shutDown_ = true;
        guarded([this] { shutDown(); });
        emit shutDownFinished();
    }
    event->accept();
}

void MainWindow::refresh()
{
    if (refreshRunning() || stopped())
        return;
    RunningRefresh running(refreshDepth_);
    processMessages();
    if (stopped())
        return;
    refreshBanner_->show();
    refreshBanner_->raise();
    refreshBanner_->repaint();
    processMessages();
    if (stopped())
        return;
    state_.charts.reset();
    processMessages();
    if (stopped())
        return;
    fetchDisplayCharts();
    if (stopped())
        return;
    serveIndicators();
    refreshBanner_->hide();
}

void MainWindow::calculate()
{
    if (refreshRunning())
        return;
    recalculate();
}

void MainWindow::fetchDisplayCharts()
{
    state_.charts.reset();
    calculateButton_->setEnabled(true);
    DisplayChartRequest request;
    request.chartUrl = state_.settings.chartUrl;
    request.pairText = pairBox_->currentText().toStdString();
    request.ordersCumulative = ordersCumulative_->isChecked();
    request.positionsCumulative = positionsCumulative_->isChecked();
    std::optional<DisplayCharts> fetched = FetchDisplayCharts(request, *services_.downloader);
    if (!fetched) {
        services_.messages->showMessage(kDownloadFailedMessage);
        return;
    }
    state_.charts = std::move(fetched);
    recalculate(true);
}

void MainWindow::serveIndicators()
{
    const Settings& settings = state_.settings;
    IndicatorPassConfig config;
    config.chartUrl = settings.chartUrl;
    config.folders = settings.indicatorFolders;
    config.ordersCumulative = ordersCumulative_->isChecked();
    config.positionsCumulative = positionsCumulative_->isChecked();
    config.reading = {settings.decimalSymbol, services_.systemSeparator};
    config.recorder = history_.get();
    config.clock = services_.clock;
    state_.indicators.serve(config, state_.digits, *services_.downloader, *services_.messages);
}

// `record`: the charts were just fetched, so each complete reading goes into
// the history (a recalculation reads the same charts again and keeps nothing).
void MainWindow::recalculate(bool record)
{
    if (!state_.chartsLoaded())
        return;
    for (const ChartKind kind : {ChartKind::Orders, ChartKind::Positions}) {
        const ShownChart shown = showChart(kind);
        shown.reading.throwIfFailed();
        if (record)
            recordReading(kind, shown.reading);
    }
}

DisplayInputs MainWindow::displayInputs(ChartKind kind) const
{
    const bool orders = kind == ChartKind::Orders;
    DisplayInputs inputs;
    inputs.thresholdText = (orders ? ordersFilter_ : positionsFilter_)->text().toStdString();
    inputs.atLeast = (orders ? ordersAtLeast_ : positionsAtLeast_)->isChecked();
    inputs.atMost = (orders ? ordersAtMost_ : positionsAtMost_)->isChecked();
    inputs.pairText = pairBox_->currentText().toStdString();
    inputs.reading = {state_.settings.decimalSymbol, services_.systemSeparator};
    return inputs;
}

// Reads one chart of the charts in memory into its pane and its half of the
// picture. A reading that stops at a text that is not a number leaves the
// pane as far as it got and the picture as it was; the caller reports it.
ShownChart MainWindow::showChart(ChartKind kind)
{
    const bool orders = kind == ChartKind::Orders;
    DisplayCharts& charts = *state_.charts;
    Bitmap& view = orders ? charts.ordersView : charts.positionsView;
    DisplayedChart displayed = ReadForDisplay(kind, orders ? charts.orders : charts.positions, view,
                                              state_.digits, displayInputs(kind), *painter_);
    const ChartReading& reading = displayed.shown.reading;
    setPaneLines(orders ? ordersPane_ : positionsPane_, displayed.paneLines);
    if (orders && !(reading.failure && reading.failure->stage == ReadingFailure::Stage::Price))
        state_.ordersTime = reading.timeText;
    if (reading.complete()) {
        (orders ? state_.orders : state_.positions) = displayed.shown;
        chartCanvas_->drawView(view, orders ? geometry::kOrdersViewLeft : geometry::kPositionsViewLeft, 0);
    }
    return displayed.shown;
}

}  // namespace tivka
