// Menus, the tray icon, minimising to the tray and the small dialogs.
#include <QAction>
#include <QComboBox>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "export/gui/picture_saver.h"
#include "export/workbook/workbook_cells.h"
#include "export/workbook/xlsx_writer.h"
#include "history/gui/history_window.h"
#include "platform/gui/modal_runner.h"
#include "platform/paths.h"
#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/address_dialog.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/cursor_readout.h"
#include "shell/gui/main_window.h"
#include "shell/gui/state_line.h"
#include "shell/gui/threshold_field.h"

#include <utility>

namespace tivka {

void MainWindow::connectHandlers()
{
    auto bind = [this](auto* sender, auto signal, void (MainWindow::*handler)()) {
        connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    bind(refreshButton_, &QPushButton::clicked, &MainWindow::refresh);
    bind(calculateButton_, &QPushButton::clicked, &MainWindow::calculate);
    bind(saveAction_, &QAction::triggered, &MainWindow::savePicture);
    connect(exitAction_, &QAction::triggered, this, &MainWindow::close);
    bind(autoRefreshAction_, &QAction::triggered, &MainWindow::openAutoRefresh);
    bind(addressAction_, &QAction::triggered, &MainWindow::editChartAddress);
    bind(exportAction_, &QAction::triggered, &MainWindow::exportToSpreadsheet);
    bind(aboutAction_, &QAction::triggered, &MainWindow::showAbout);
    bind(historyAction_, &QAction::triggered, &MainWindow::openHistory);
    bind(trayShowAction_, &QAction::triggered, &MainWindow::bringToFront);
    bind(trayRefreshAction_, &QAction::triggered, &MainWindow::refreshFromTray);
    connect(trayExitAction_, &QAction::triggered, this, &MainWindow::close);
    connect(trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            guarded([this] { trayIconClicked(); });
        else if (reason == QSystemTrayIcon::DoubleClick)
            guarded([this] { trayIconDoubleClicked(); });
    });
    connect(stateLine_, &StateLine::detailsAsked, this, [this] { guarded([this] { showStateDetails(); }); });
    connect(pairBox_, &QComboBox::currentTextChanged, this, [this] { guarded([this] { updateStateLine(); }); });
    for (ChartKind kind : kChartKinds)
        connect(controls_[kind].filter, &QLineEdit::returnPressed, this, [this] { guarded([this] { calculate(); }); });
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    f5->setObjectName("refreshShortcut");
    connect(f5, &QShortcut::activated, this, [this] { guarded([this] { refresh(); }); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName("cancelRefreshShortcut");
    connect(escape, &QShortcut::activated, this, &MainWindow::cancelRefresh);
    connect(chartCanvas_, &ChartCanvas::mouseMoved, this,
            [this](int x, int y) { guarded([this, x, y] { pointerMovedOverChart(x, y); }); });
    // Leaving the window or any control placed on it resets the pointer.
    centralWidget()->installEventFilter(this);
    for (QObject* child : centralWidget()->children())
        if (child->isWidgetType())
            child->installEventFilter(this);
    installEventFilter(this);
    menuBar()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Leave)
        guarded([this] { pointerLeft(); });
    // A menu closed with Escape leaves the menu bar holding the keyboard, and
    // it takes the next Escape for itself: that one gives the refresh up too.
    if (watched == menuBar() && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        cancelRefresh();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !trayHooksInstalled_ || shutDown_)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (windowState() & Qt::WindowMinimized)
        guarded([this] { minimiseToTray(); });
    else if (change->oldState() & Qt::WindowMinimized)
        state_.windowShown = true;
}

void MainWindow::minimiseToTray()
{
    state_.windowShown = false;
    // Without a notification area the window stays in the task bar: hiding it
    // would leave the user no way back.
    if (!services_.trayAvailable())
        return;
    QTimer::singleShot(0, this, [this] {
        if (!state_.windowShown)
            hide();
    });
}

void MainWindow::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
    state_.windowShown = true;
}

// A double click's first click arrives as a click: when that one restored
// the window, the double click leaves it shown rather than sending it back.
void MainWindow::trayIconClicked()
{
    restoredByClick_ = false;
    if (state_.windowShown)
        return;
    bringToFront();
    restoredByClick_ = true;
    QTimer::singleShot(QApplication::doubleClickInterval(), this, [this] { restoredByClick_ = false; });
}

void MainWindow::trayIconDoubleClicked()
{
    if (std::exchange(restoredByClick_, false))
        return;
    if (state_.windowShown)
        showMinimized();
    else
        bringToFront();
}

void MainWindow::refreshFromTray()
{
    bringToFront();
    refresh();
}

void MainWindow::createDialogs()
{
    if (!aboutDialog_)
        aboutDialog_ = new AboutDialog(this);
    if (!addressDialog_)
        addressDialog_ = new ChartAddressDialog(this);
}

void MainWindow::showAbout()
{
    createDialogs();
    services_.modals->exec(*aboutDialog_);
}

void MainWindow::openHistory()
{
    if (services_.historyPath.empty()) {
        services_.messages->showMessage("История не ведётся");
        return;
    }
    HistoryView view{services_.historyPath, pairBox_->currentText().toStdString(),
                     controls_[ChartKind::Orders].cumulative->isChecked(),
                     controls_[ChartKind::Positions].cumulative->isChecked()};
    auto* window = new HistoryWindow(std::move(view), *services_.clock, this);
    connect(this, &MainWindow::historyStored, window, &HistoryWindow::reloadIfChanged);
    window->show();
}

void MainWindow::editChartAddress()
{
    createDialogs();
    EditChartAddress(*addressDialog_, *services_.modals, state_.settings.chartUrl);
}

void MainWindow::savePicture()
{
    // Named after the charts on the picture, not a pair chosen since.
    const std::string pair = state_.shownPair.empty() ? pairBox_->currentText().toStdString() : state_.shownPair;
    saver_->save(chartCanvas_->canvas(), pair);
}

void MainWindow::openAutoRefresh()
{
    autoRefresh_->openDialog();
}

// The workbook holds what the panes show: both charts are read again with
// the filters as they stand, under a banner. A chart that cannot be read
// ends the export with its error, after the workbook has been written with
// what was read so far.
void MainWindow::exportToSpreadsheet()
{
    if (refreshRunning())
        return;
    pumpEvents();
    const std::string ordersTime = state_.ordersTime;
    exportBanner_->show();
    exportBanner_->raise();
    pumpEvents();
    std::vector<WorkbookChart> charts;
    std::exception_ptr failure;
    try {
        if (state_.chartsLoaded() && !shutDown_) {
            for (ChartKind kind : kChartKinds) {
                charts.push_back({kind, showChart(kind)});
                charts.back().shown.reading.throwIfFailed();
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    exportBanner_->hide();
    const Worksheet sheet = ChartsWorksheet(ordersTime, charts, services_.systemSeparator);
    if (!failure) {
        writeWorkbook(sheet);
        return;
    }
    try {
        writeWorkbook(sheet);
    } catch (...) {
        // The first error is the one the user needs to see.
    }
    std::rethrow_exception(failure);
}

void MainWindow::writeWorkbook(const Worksheet& sheet)
{
    const std::string path = WriteXlsxFileNoOverwrite(sheet, DocumentsFolder());
    if (!services_.openWorkbook || !services_.openWorkbook(path))
        reportError("Книга записана, но открыть её нечем: " + path);
}

void MainWindow::pointerMovedOverChart(int x, int y)
{
    const PerChart<Bitmap>* views = state_.charts ? &state_.charts->views : nullptr;
    if (cursor_->pointerMoved(x, y, views, state_.shown, services_.systemSeparator))
        chartCanvas_->update();
}

void MainWindow::pointerLeft()
{
    cursor_->pointerLeft();
}

}  // namespace tivka
