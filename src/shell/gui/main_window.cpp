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
#include <QScrollBar>
#include <QSystemTrayIcon>

#include "acquisition/download.h"
#include "chart/gui/qt_text_painter.h"
#include "export/gui/picture_saver.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "reading/layout_check.h"
#include "history/history_recorder.h"
#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/cursor_readout.h"

namespace tivka {
namespace {

constexpr const char* kBannerText = "Обновление данных";

// Fills a pane and shows its top: the current price and the time come first.
void setPaneLines(QPlainTextEdit* pane, const std::vector<std::string>& lines)
{
    pane->clear();
    for (const std::string& line : lines)
        pane->appendPlainText(QString::fromStdString(line));
    pane->moveCursor(QTextCursor::Start);
    pane->verticalScrollBar()->setValue(0);
}

// What to do without a usable digit template, after what is wrong with it.
std::string templateAdvice(const std::string& folder)
{
    return "Нужен шаблон цифр ndata.bmp в рабочей папке " + folder +
           ": для демонстрационных графиков его пишет tivka-chart-server --write-template ndata.bmp, "
           "для графиков брокера его делает tivka-template из сохранённых графиков (см. README).";
}

DigitTemplate loadTemplate()
{
    const std::string folder = CurrentFolder();
    try {
        return DigitTemplate::load(folder + "/ndata.bmp");
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(std::string(error.what()) + "\n" + templateAdvice(folder));
    }
}

// Hands what the worker finds to the window, as calls queued on the window's
// thread. The window outlives the worker: it waits for it before it goes.
class QueuedObserver final : public RefreshObserver {
public:
    using Post = std::function<void(std::function<void()>)>;
    struct Handlers {
        std::function<void(int, int)> progress;
        std::function<void(DisplayFetch)> displayFetched;
        std::function<void(std::string)> pairFailed;
        std::function<void(std::string)> layoutChanged;
    };
    QueuedObserver(Post post, Handlers handlers) : post_(std::move(post)), handlers_(std::move(handlers)) {}

    void progress(int done, int total) override
    {
        post_([h = handlers_.progress, done, total] { h(done, total); });
    }
    void displayFetched(DisplayFetch fetch) override
    {
        auto shared = std::make_shared<DisplayFetch>(std::move(fetch));
        post_([h = handlers_.displayFetched, shared] { h(std::move(*shared)); });
    }
    void pairFailed(const std::string& message) override
    {
        post_([h = handlers_.pairFailed, message] { h(message); });
    }
    void pairRead(const std::string& code, const ChartReading& orders, const ChartReading& positions) override
    {
        const std::string warning = PairLayoutWarning(code + " ", orders, positions);
        if (!warning.empty())
            post_([h = handlers_.layoutChanged, warning] { h(warning); });
    }

private:
    Post post_;
    Handlers handlers_;
};

}  // namespace

MainWindow::MainWindow(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), painter_(std::make_unique<QtTextPainter>())
{
    buildControls();
    autoRefresh_ = new AutoRefresh(
        state_.settings.timers, *services_.messages, *services_.modals, *services_.clock, autoRefreshAction_,
        [this] { refreshFromTimer(); }, this, [this](const std::function<void()>& handler) { guarded(handler); });
    cursor_ = std::make_unique<CursorReadout>(chartCanvas_->canvas(), *this);
    saver_ = std::make_unique<PictureSaver>(*services_.modals, this);
    connectHandlers();
}

MainWindow::~MainWindow()
{
    if (services_.downloader)
        services_.downloader->cancel();
    joinWorker();
}

void MainWindow::reportError(const std::string& text)
{
    pendingMessages_.push_back(text);
    showMessages();
}

// One box at a time: a message that comes while a box is open waits for it.
void MainWindow::showMessages()
{
    if (showingMessages_)
        return;
    showingMessages_ = true;
    while (!pendingMessages_.empty()) {
        const std::string text = pendingMessages_.front();
        pendingMessages_.pop_front();
        services_.messages->showMessage(text);
    }
    showingMessages_ = false;
}

void MainWindow::processMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void MainWindow::startUp()
{
    guarded([this] {
        state_.settings = LoadSettings(services_.settingsPath, services_.systemSeparator);
        applyChoices(state_.settings.choices);
        startHistory();
        state_.digits = loadTemplate();
        trayHooksInstalled_ = true;
        state_.windowShown = true;
        // Armed whatever the first refresh brings: a server that is down at
        // start-up must not leave the timers off for the session.
        autoRefresh_->armAtStartup();
        startRefresh(RefreshOrigin::StartUp);
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

// A reading of the charts the running refresh fetched, under the pair and
// variants it fetched them for (the window's selectors may have moved since).
void MainWindow::recordReading(ChartKind kind, const ChartReading& reading)
{
    if (!history_ || !reading.complete())
        return;
    const DisplayChartRequest& fetched = refreshRequest_.display;
    const bool orders = kind == ChartKind::Orders;
    history_->record({fetched.pairText, kind, orders ? fetched.ordersCumulative : fetched.positionsCumulative,
                      services_.clock->now(), reading});
}

void MainWindow::shutDown()
{
    autoRefresh_->disarm();
    trayIcon_->hide();
    cancelRefresh();
    joinWorker();
    // Whatever is still queued is written before the program ends.
    history_.reset();
    state_.digits = DigitTemplate();
    state_.charts.reset();
    state_.settings.choices = currentChoices();
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
    startRefresh(RefreshOrigin::User);
}

void MainWindow::refreshFromTimer()
{
    startRefresh(RefreshOrigin::Timer);
}

void MainWindow::cancelRefresh()
{
    if (refreshRunning())
        services_.downloader->cancel();
}

void MainWindow::calculate()
{
    if (refreshRunning())
        return;
    recalculate();
}

RefreshRequest MainWindow::refreshRequest() const
{
    const Settings& settings = state_.settings;
    RefreshRequest request;
    request.display.chartUrl = settings.chartUrl;
    request.display.pairText = pairBox_->currentText().toStdString();
    request.display.ordersCumulative = ordersCumulative_->isChecked();
    request.display.positionsCumulative = positionsCumulative_->isChecked();
    request.indicators.chartUrl = settings.chartUrl;
    request.indicators.folders = settings.indicatorFolders;
    request.indicators.ordersCumulative = request.display.ordersCumulative;
    request.indicators.positionsCumulative = request.display.positionsCumulative;
    request.indicators.reading = {settings.decimalSymbol, services_.systemSeparator};
    request.indicators.recorder = history_.get();
    request.indicators.clock = services_.clock;
    return request;
}

void MainWindow::startRefresh(RefreshOrigin origin)
{
    if (refreshRunning() || stopped())
        return;
    ++refreshDepth_;
    refreshOrigin_ = origin;
    refreshRequest_ = refreshRequest();
    dataState_.refreshStarted();
    calculateButton_->setEnabled(true);
    refreshBanner_->setText(QString::fromUtf8(kBannerText));
    refreshBanner_->show();
    refreshBanner_->raise();
    auto post = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, [this, call] { guarded(call); }, Qt::QueuedConnection);
    };
    QueuedObserver::Handlers handlers{
        [this](int done, int total) {
            refreshBanner_->setText(QString::fromUtf8(kBannerText) + QStringLiteral(" %1/%2").arg(done).arg(total));
        },
        [this](DisplayFetch fetch) { displayFetched(std::move(fetch)); },
        [this](const std::string& message) { indicatorPairFailed(message); },
        [this](const std::string& warning) { dataState_.layoutChanged(warning); },
    };
    services_.downloader->resume();
    worker_ = std::thread([this, post, handlers, request = refreshRequest_] {
        QueuedObserver observer(post, handlers);
        RunRefresh(request, state_.digits, *services_.downloader, state_.indicators, observer);
        post([this] { refreshFinished(); });
    });
}

void MainWindow::joinWorker()
{
    if (worker_.joinable())
        worker_.join();
}

void MainWindow::displayFetched(DisplayFetch fetch)
{
    if (stopped())
        return;
    const LocalTime now = services_.clock->localTime(services_.clock->now());
    if (fetch.cancelled) {
        dataState_.cancelled(now);
        return;
    }
    if (!fetch.charts) {
        dataState_.chartsFailed(now, fetch.failure);
        reportRefreshProblem(fetch.failure);
        return;
    }
    state_.charts = std::move(fetch.charts);
    state_.shownPair = refreshRequest_.display.pairText;
    try {
        recalculate(true);
        dataState_.chartsShown(now);
        updateTrayTip();
        dataState_.layoutChanged(PairLayoutWarning("", state_.orders.reading, state_.positions.reading));
    } catch (const std::exception& error) {
        dataState_.chartsFailed(now, error.what());
        reportRefreshProblem(error.what());
    }
}

void MainWindow::indicatorPairFailed(const std::string& message)
{
    if (stopped())
        return;
    dataState_.indicatorPairFailed(message);
    reportRefreshProblem(message);
}

void MainWindow::reportRefreshProblem(const std::string& text)
{
    if (refreshOrigin_ != RefreshOrigin::Timer)
        reportError(text);
}

void MainWindow::refreshFinished()
{
    joinWorker();
    --refreshDepth_;
    if (stopped())
        return;
    refreshBanner_->hide();
    updateStateLine();
    const std::string line = stateLine_->text().toStdString();
    // In the tray nobody sees the window: a timer's failure is told there.
    if (refreshOrigin_ != RefreshOrigin::Timer || line.empty() || state_.windowShown || !services_.trayAvailable)
        return;
    if (services_.trayNotice)
        services_.trayNotice(line);
    else
        trayIcon_->showMessage(QStringLiteral("Тивка"), QString::fromStdString(line), QSystemTrayIcon::Warning);
}

void MainWindow::updateStateLine()
{
    stateLine_->setText(QString::fromStdString(dataState_.line()));
}

void MainWindow::updateTrayTip()
{
    const ChartReading& orders = state_.orders.reading;
    trayIcon_->setToolTip(QString::fromStdString("Тивка — " + state_.shownPair + " " + orders.priceText + ", " +
                                                 orders.timeText));
}

void MainWindow::applyChoices(const WindowChoices& choices)
{
    pairBox_->setCurrentText(QString::fromStdString(choices.pairText));
    ordersFilter_->setText(QString::fromStdString(choices.ordersThreshold));
    (choices.ordersAtLeast ? ordersAtLeast_ : ordersAtMost_)->setChecked(true);
    positionsFilter_->setText(QString::fromStdString(choices.positionsThreshold));
    (choices.positionsAtLeast ? positionsAtLeast_ : positionsAtMost_)->setChecked(true);
    (choices.ordersCumulative ? ordersCumulative_ : ordersNonCumulative_)->setChecked(true);
    (choices.positionsCumulative ? positionsCumulative_ : positionsNonCumulative_)->setChecked(true);
}

WindowChoices MainWindow::currentChoices() const
{
    WindowChoices choices;
    choices.pairText = pairBox_->currentText().toStdString();
    choices.ordersThreshold = ordersFilter_->text().toStdString();
    choices.ordersAtLeast = ordersAtLeast_->isChecked();
    choices.positionsThreshold = positionsFilter_->text().toStdString();
    choices.positionsAtLeast = positionsAtLeast_->isChecked();
    choices.ordersCumulative = ordersCumulative_->isChecked();
    choices.positionsCumulative = positionsCumulative_->isChecked();
    return choices;
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
