// Start-up, shut-down, the refresh and the recalculation.
#include "shell/gui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <algorithm>
#include <iostream>
#include <utility>

#include "acquisition/download.h"
#include "acquisition/pair_naming.h"
#include "chart/gui/qt_text_painter.h"
#include "export/gui/picture_saver.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "history/history_recorder.h"
#include "reading/layout_check.h"
#include "reading/layout_warning.h"
#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/chart_canvas.h"
#include "shell/failure_text.h"
#include "shell/working_template.h"
#include "shell/gui/cursor_readout.h"
#include "shell/gui/state_line.h"
#include "shell/gui/threshold_field.h"

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
    showPendingMessages();
}

// One box at a time: a message that comes while a box is open waits for it.
// Once a signal closes the window, what is left goes to the console.
void MainWindow::showPendingMessages()
{
    if (showingMessages_ && !signalled_)
        return;
    showingMessages_ = true;
    while (!pendingMessages_.empty()) {
        const std::string text = pendingMessages_.front();
        pendingMessages_.pop_front();
        if (signalled_)
            reportOnConsole(text);
        else
            services_.messages->showMessage(text);
    }
    showingMessages_ = false;
}

void MainWindow::reportOnConsole(const std::string& text)
{
    if (services_.consoleReport)
        services_.consoleReport(text);
    else
        std::cerr << "tivka: " << text << std::endl;
}

void MainWindow::pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void MainWindow::startUp()
{
    state_.settings = services_.settings.settings;
    applyChoices(state_.settings.choices);
    for (const SettingRefusal& refused : services_.settings.refused)
        reportError(RefusalMessage(services_.settingsPath, refused));
    for (const std::string& notice : services_.notices)
        reportError(notice);
    guarded([this] {
        startHistory();
        state_.digits = LoadWorkingTemplate();
        trayHooksInstalled_ = true;
        state_.windowShown = true;
        // Armed whatever the first refresh brings: a server that is down at
        // start-up must not leave the timers off for the session.
        autoRefresh_->armAtStartup();
        startRefresh(RefreshOrigin::StartUp);
    });
    // Shown only now, so that no tray click can bring the window up while
    // start-up is still running; shown even where no notification area is
    // there yet, so that the icon appears in one started later.
    if (!shutDown_)
        trayIcon_->show();
}

// The writer opens (and prunes) the database on its own thread. Its messages
// come from that thread and are shown from the window's.
void MainWindow::startHistory()
{
    if (recorder_)
        return;
    if (services_.historyPath.empty()) {
        recorder_ = std::make_unique<RecorderTee>(nullptr, services_.alsoRecord);
        return;
    }
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
    recorder_ = std::make_unique<RecorderTee>(history_.get(), services_.alsoRecord);
}

// A reading of the charts the running refresh fetched, under the pair and
// variants it fetched them for (the window's selectors may have moved since).
void MainWindow::recordReading(ChartKind kind, const ChartReading& reading)
{
    if (!recorder_ || !reading.complete())
        return;
    const PairSource& fetched = refreshRequest_.display;
    recorder_->record({fetched.pairText, kind, fetched.cumulative[kind], services_.clock->now(), reading,
                       LayoutChecks::failedIn(LayoutProblems(state_.charts->charts[kind], reading))});
}

void MainWindow::shutDown()
{
    autoRefresh_->disarm();
    trayIcon_->hide();
    cancelRefresh();
    joinWorker();
    // Whatever is still queued is written before the program ends.
    recorder_.reset();
    history_.reset();
    state_.digits = DigitTemplate();
    state_.charts.reset();
    state_.settings.choices = currentChoices();
    SaveSettings(services_.settingsPath, state_.settings);
}

void MainWindow::closeForSignal()
{
    signalled_ = true;
    if (!shutDown_)
        close();
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
    RefreshRequest request;
    request.display.chartUrl = state_.settings.chartUrl;
    request.display.pairText = pairBox_->currentText().toStdString();
    for (ChartKind kind : kChartKinds)
        request.display.cumulative[kind] = controls_[kind].cumulative->isChecked();
    request.indicators = IndicatorPassConfigFor(state_.settings, services_.systemSeparator);
    request.indicators.cumulative = request.display.cumulative;
    request.indicators.recorder = recorder_.get();
    request.indicators.clock = services_.clock;
    return request;
}

// What the worker finds reaches the window as events queued on its thread;
// the window outlives the worker, since it waits for it before it goes.
void MainWindow::startRefresh(RefreshOrigin origin)
{
    if (refreshRunning() || stopped() || !templateReady(origin))
        return;
    ++refreshDepth_;
    refreshOrigin_ = origin;
    refreshRequest_ = refreshRequest();
    refreshFailures_ = {};
    chartsFetched_ = chartsToFetch_ = 0;
    dataState_.refreshStarted();
    calculateButton_->setEnabled(true);
    refreshBanner_->setText(QString::fromUtf8(kBannerText));
    refreshBanner_->show();
    refreshBanner_->raise();
    services_.downloader->resume();
    worker_ = std::thread([this, request = refreshRequest_] {
        RunRefresh(request, state_.digits, *services_.downloader, state_.indicators, [this](RefreshEvent event) {
            auto shared = std::make_shared<RefreshEvent>(std::move(event));
            QMetaObject::invokeMethod(
                this, [this, shared] { guarded([&] { handle(std::move(*shared)); }); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this, [this] { guarded([this] { refreshFinished(); }); }, Qt::QueuedConnection);
    });
}

// Without a digit template no chart can be read: rather than a failure for
// every chart, a refresh looks for the template again (it may have been put
// there since start-up) and, still without one, says that alone.
bool MainWindow::templateReady(RefreshOrigin origin)
{
    if (!state_.digits.empty())
        return true;
    try {
        state_.digits = LoadWorkingTemplate();
        return true;
    } catch (const std::runtime_error& error) {
        std::string reason = error.what();
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        dataState_.chartsFailed(services_.clock->localTime(services_.clock->now()), {reason});
        updateStateLine();
        if (origin != RefreshOrigin::Timer)
            reportError(error.what());
        return false;
    }
}

void MainWindow::joinWorker()
{
    if (worker_.joinable())
        worker_.join();
}

void MainWindow::handle(RefreshEvent event)
{
    if (services_.listener)
        services_.listener(event);
    std::visit(EventHandlers{
                   [this](const ChartsPlanned& planned) {
                       chartsToFetch_ = chartsFetched_ + planned.charts;
                       showProgress();
                   },
                   [this](const ChartFetched&) {
                       ++chartsFetched_;
                       showProgress();
                   },
                   [this](DisplayFetched& fetched) { displayFetched(std::move(fetched)); },
                   [this](const PairRead& read) {
                       dataState_.layoutChanged(PairLayoutWarning(PairCode(read.pairText) + " ", read.layout));
                   },
                   [this](const PairFailed& failed) { indicatorPairFailed(failed); },
                   [this](const FileRefused& refused) { dataState_.fileRefused(refused.refusal); },
                   [](const PassStarted&) {},
                   [](const PassEnded&) {},
                   [this](const IndicatorFolderMissing& missing) { dataState_.indicatorFolderMissing(missing); },
                   [this](const IndicatorFlagsIgnored& ignored) { dataState_.indicatorFlagsIgnored(ignored); },
               },
               event);
}

void MainWindow::showProgress()
{
    refreshBanner_->setText(QString::fromUtf8(kBannerText) +
                            QStringLiteral(" %1/%2").arg(chartsFetched_).arg(chartsToFetch_));
}

void MainWindow::displayFetched(DisplayFetched fetched)
{
    if (stopped())
        return;
    const LocalTime now = services_.clock->localTime(services_.clock->now());
    if (fetched.fetched.cancelled) {
        dataState_.cancelled(now);
        return;
    }
    if (!fetched.fetched.charts) {
        refreshFailures_.display = fetched.fetched.failures;
        std::vector<std::string> reasons;
        for (const ChartFailure& failure : fetched.fetched.failures)
            reasons.push_back(FailureText(failure));
        dataState_.chartsFailed(now, std::move(reasons));
        return;
    }
    state_.charts = DisplayCharts{std::move(*fetched.fetched.charts), std::move(*fetched.views)};
    state_.shownPair = fetched.source.pairText;
    if (const std::optional<ChartFailure> failure = showCharts(true)) {
        refreshFailures_.display = {*failure};
        dataState_.chartsFailed(now, {FailureText(*failure)});
        return;
    }
    dataState_.chartsShown(now, state_.shownPair);
    updateTrayTip();
    PerChart<std::vector<LayoutProblem>> layout;
    for (ChartKind kind : kChartKinds)
        layout[kind] = LayoutProblems(state_.charts->charts[kind], state_.shown[kind].reading);
    dataState_.layoutChanged(PairLayoutWarning("", layout));
}

void MainWindow::indicatorPairFailed(const PairFailed& failed)
{
    if (stopped())
        return;
    dataState_.indicatorPairFailed(failed.pairText, failed.failures);
    refreshFailures_.indicatorPairs.push_back(failed.failures);
}

void MainWindow::refreshFinished()
{
    joinWorker();
    --refreshDepth_;
    if (stopped())
        return;
    refreshBanner_->hide();
    updateStateLine();
    reportRefreshFailures();
}

// A refresh the user started shows what failed in one box, once it is over;
// a timer's says so in the tray when the window sits there, where nobody
// sees the state line. A change of the charts' layout is told there once,
// not after every refresh while it lasts.
void MainWindow::reportRefreshFailures()
{
    const RefreshFailures failures = std::exchange(refreshFailures_, {});
    const std::string& layout = dataState_.layoutWarning();
    const bool layoutChanged = std::exchange(layoutTold_, layout) != layout && !layout.empty();
    if (refreshOrigin_ != RefreshOrigin::Timer) {
        if (!failures.empty())
            reportError(RefreshFailureMessage(failures));
        return;
    }
    std::string notice = failures.empty() ? std::string() : RefreshFailureNotice(failures);
    if (layoutChanged)
        notice += (notice.empty() ? "" : "\n") + layout;
    if (notice.empty() || state_.windowShown || !services_.trayAvailable())
        return;
    if (services_.trayNotice)
        services_.trayNotice(notice);
    else
        trayIcon_->showMessage(QStringLiteral("Тивка"), QString::fromStdString(notice), QSystemTrayIcon::Warning);
}

void MainWindow::updateStateLine()
{
    dataState_.pairChosen(pairBox_->currentText().toStdString());
    stateLine_->setState(QString::fromStdString(dataState_.line()), QString::fromStdString(dataState_.details()));
}

void MainWindow::showStateDetails()
{
    const std::string details = dataState_.details();
    if (!details.empty())
        services_.messages->showMessage(details);
}

void MainWindow::updateTrayTip()
{
    const ChartReading& orders = state_.shown[ChartKind::Orders].reading;
    trayIcon_->setToolTip(QString::fromStdString("Тивка — " + state_.shownPair + " " + orders.priceText + ", " +
                                                 orders.timeText));
}

void MainWindow::applyChoices(const WindowChoices& choices)
{
    // Where it was left, unless no screen shows that place any more.
    const QStringList corner = QString::fromStdString(choices.position).split(u',');
    const QPoint place = corner.size() == 2 ? QPoint(corner[0].toInt(), corner[1].toInt()) : QPoint();
    if (corner.size() == 2 && QGuiApplication::screenAt(place + QPoint(40, 20)))
        move(place);
    pairBox_->setCurrentText(QString::fromStdString(choices.pairText));
    for (ChartKind kind : kChartKinds) {
        const ChartControls& side = controls_[kind];
        side.filter->setText(QString::fromStdString(choices.threshold[kind]));
        (choices.atLeast[kind] ? side.atLeast : side.atMost)->setChecked(true);
        (choices.cumulative[kind] ? side.cumulative : side.nonCumulative)->setChecked(true);
    }
}

WindowChoices MainWindow::currentChoices() const
{
    WindowChoices choices;
    choices.pairText = pairBox_->currentText().toStdString();
    choices.position = std::to_string(pos().x()) + "," + std::to_string(pos().y());
    for (ChartKind kind : kChartKinds) {
        const ChartControls& side = controls_[kind];
        choices.threshold[kind] = std::to_string(side.filter->value());
        choices.atLeast[kind] = side.atLeast->isChecked();
        choices.cumulative[kind] = side.cumulative->isChecked();
    }
    return choices;
}

// "Расчет": a chart that cannot be read ends it with its message.
void MainWindow::recalculate()
{
    if (const std::optional<ChartFailure> failure = showCharts(false))
        throw std::runtime_error(FailureText(*failure));
}

// Shows both charts in memory; the first that stops at a text that is not a
// number ends it, as a failure of the pair shown. `record`: the charts were
// just fetched, so each complete reading goes into the history (a
// recalculation reads the same charts again and keeps nothing).
std::optional<ChartFailure> MainWindow::showCharts(bool record)
{
    if (!state_.chartsLoaded())
        return std::nullopt;
    for (const ChartKind kind : kChartKinds) {
        const ShownChart shown = showChart(kind);
        if (const std::optional<ReadingFailure>& failure = shown.reading.failure)
            return ChartFailure{ChartFailure::What::NotANumber, state_.shownPair, kind, failure->text, "", ""};
        if (record)
            recordReading(kind, shown.reading);
    }
    return std::nullopt;
}

PaneInputs MainWindow::paneInputs(ChartKind kind) const
{
    PaneInputs inputs;
    inputs.thresholdText = std::to_string(controls_[kind].filter->value());
    inputs.atLeast = controls_[kind].atLeast->isChecked();
    inputs.pairText = pairBox_->currentText().toStdString();
    inputs.reading = {state_.settings.decimalSymbol, services_.systemSeparator};
    return inputs;
}

// Reads one chart of the charts in memory into its pane and its half of the
// picture. A reading that stops at a text that is not a number leaves the
// pane as far as it got and the picture as it was; the caller reports it.
ShownChart MainWindow::showChart(ChartKind kind)
{
    DisplayCharts& charts = *state_.charts;
    Bitmap& view = charts.views[kind];
    PaneReading pane = ReadForPane(kind, charts.charts[kind], view, state_.digits, paneInputs(kind), *painter_);
    const ChartReading& reading = pane.shown.reading;
    setPaneLines(controls_[kind].pane, pane.paneLines);
    const bool orders = kind == ChartKind::Orders;
    if (orders && !(reading.failure && reading.failure->stage == ReadingFailure::Stage::Price))
        state_.ordersTime = reading.timeText;
    if (reading.complete()) {
        state_.shown[kind] = pane.shown;
        chartCanvas_->drawView(view, orders ? geometry::kOrdersViewLeft : geometry::kPositionsViewLeft, 0);
    }
    return pane.shown;
}

}  // namespace tivka
