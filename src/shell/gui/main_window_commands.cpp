// Menus, the tray icon, minimising to the tray and the small dialogs.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include "export/gui/picture_saver.h"
#include "export/spreadsheet_transfer.h"
#include "platform/gui/modal_runner.h"
#include "reading/gui/cursor_readout.h"
#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/address_dialog.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/main_window.h"

namespace tivka {

void TForm1::connectHandlers()
{
    auto bind = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    bind(Button1, &QPushButton::clicked, &TForm1::Button1Click);
    bind(Button3, &QPushButton::clicked, &TForm1::Button3Click);
    bind(N9, &QAction::triggered, &TForm1::N9Click);
    bind(N4, &QAction::triggered, &TForm1::N1Click);
    bind(N7, &QAction::triggered, &TForm1::N7Click);
    bind(URL1, &QAction::triggered, &TForm1::URL1Click);
    bind(Exel1, &QAction::triggered, &TForm1::Exel1Click);
    bind(N8, &QAction::triggered, &TForm1::N8Click);
    bind(N5, &QAction::triggered, &TForm1::N5Click);
    bind(N1, &QAction::triggered, &TForm1::N1Click);
    connect(CoolTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            guarded([this] { CoolTrayIcon1DblClick(); });
    });
    connect(Image1, &ChartCanvas::mouseMoved, this,
            [this](int x, int y) { guarded([this, x, y] { Image1MouseMove(x, y); }); });
    // Leaving the window or any control placed on it resets the pointer.
    centralWidget()->installEventFilter(this);
    for (QObject* child : centralWidget()->children())
        if (child->isWidgetType())
            child->installEventFilter(this);
    installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Leave)
        guarded([this] { CMMouseLeave(); });
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !hooksInstalled_ || shutDown_)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (windowState() & Qt::WindowMinimized)
        guarded([this] { AppMinimize(); });
    else if (change->oldState() & Qt::WindowMinimized)
        state_.WindowShown = true;
}

void TForm1::AppMinimize()
{
    state_.WindowShown = false;
    // Without a notification area the window stays in the task bar: hiding it
    // would leave the user no way back.
    if (!services_.trayAvailable)
        return;
    QTimer::singleShot(0, this, [this] {
        if (!state_.WindowShown)
            hide();
    });
}

void TForm1::AppRestore()
{
    showNormal();
    raise();
    activateWindow();
    state_.WindowShown = true;
}

void TForm1::CoolTrayIcon1DblClick()
{
    if (state_.WindowShown)
        showMinimized();
    else
        AppRestore();
}

void TForm1::N5Click()
{
    AppRestore();
    Button1Click();
}

void TForm1::N1Click()
{
    close();
}

void TForm1::createForms()
{
    if (!Form3)
        Form3 = new TForm3(this);
    if (!Form4)
        Form4 = new TForm4(this);
}

void TForm1::N8Click()
{
    createForms();
    services_.modals->exec(*Form3);
}

void TForm1::URL1Click()
{
    createForms();
    EditChartAddress(*Form4, *services_.modals, state_.settings.ChartURL);
}

void TForm1::N9Click()
{
    Button2Click();
}

void TForm1::Button2Click()
{
    saver_->Button2Click(Image1->canvas(), ComboBox1->currentText().toStdString());
}

void TForm1::N7Click()
{
    autoRefresh_->N7Click();
}

void TForm1::Exel1Click()
{
    if (refreshRunning())
        return;
    SpreadsheetTransferHooks hooks;
    hooks.processEvents = [this] { processMessages(); };
    hooks.showBanner = [this](bool shown) {
        Panel2->setVisible(shown);
        if (shown)
            Panel2->raise();
    };
    hooks.imagesLoaded = [this] { return state_.ImagesLoaded() && !shutDown_; };
    hooks.ordersTime = [this] { return state_.orders.Now.Time; };
    hooks.runReaders = [this](SpreadsheetChannel&) {
        Orders();
        Position();
    };
    RunSpreadsheetTransfer(state_.spreadsheet, hooks);
}

void TForm1::Image1MouseMove(int x, int y)
{
    static const Bitmap none;
    const auto& images = state_.images;
    const bool drew = cursor_->Image1MouseMove(x, y, images.has_value(), images ? images->OrdersView : none,
                                               images ? images->PositionsView : none, state_.orders,
                                               state_.positions, services_.systemSeparator);
    if (drew)
        Image1->update();
}

void TForm1::CMMouseLeave()
{
    cursor_->CMMouseLeave();
}

void TForm1::armTimers()
{
    autoRefresh_->armAtStartup();
}

void TForm1::disarmTimers()
{
    autoRefresh_->disarm();
}

}  // namespace tivka
