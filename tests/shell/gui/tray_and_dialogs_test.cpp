#include <QStatusBar>
#include <QFontMetrics>
#include <QMenuBar>
#include <QTextDocument>

#include <QDeadlineTimer>
#include <thread>
#include <unistd.h>

#include "platform/gui/instance_beacon.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/address_dialog.h"
#include "shell/gui/chart_canvas.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

using ::testing::ElementsAre;

TEST_F(WindowTest, TrayDoubleClickMinimisesThenRestores)
{
    writeTemplate();
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    form.show();
    form.trayIconDoubleClicked();
    settle();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.state().windowShown);

    form.trayIconDoubleClicked();
    settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(form.state().windowShown);
}

TEST_F(WindowTest, TrayRefreshBringsTheWindowBackBeforeTheBanner)
{
    writeTemplate();
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    form.show();
    form.showMinimized();
    settle();
    ASSERT_FALSE(form.isVisible());
    downloader.hold();
    action("trayRefreshAction")->trigger();
    ASSERT_TRUE(downloader.waitUntilHeld());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(refreshBanner()->isVisible());
    downloader.release();
    waitForRefresh();
    EXPECT_TRUE(form.state().windowShown);
    EXPECT_FALSE(refreshBanner()->isVisible());
}

TEST_F(WindowTest, WithoutATrayMinimisingKeepsTheWindowReachable)
{
    writeTemplate();
    MainWindow& form = startWindow(/*trayAvailable=*/false);
    form.show();
    form.showMinimized();
    settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.state().windowShown);
}

TEST_F(WindowTest, AddressDialogCancelKeepsAndSaveReplacesTheAddress)
{
    writeTemplate();
    downloader.reachable = false;
    MainWindow& form = startWindow();
    auto typeAndPress = [&](const QString& text, bool save) {
        modals.setNext([text, save](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("addressEdit")->setText(text);
            dialog.findChild<QPushButton*>(save ? "saveButton" : "cancelButton")->click();
            return dialog.result();
        });
        action("addressAction")->trigger();
    };
    typeAndPress("http://other.example/charts/", false);
    EXPECT_EQ(form.state().settings.chartUrl, kDefaultChartUrl);
    modals.setNext([](QDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>("addressEdit")->text().toStdString(), kDefaultChartUrl);
        return int(QDialog::Rejected);  // the close button
    });
    action("addressAction")->trigger();
    EXPECT_EQ(form.state().settings.chartUrl, kDefaultChartUrl);

    typeAndPress("http://other.example/charts", true);  // no trailing "/": taken as typed
    EXPECT_EQ(form.state().settings.chartUrl, "http://other.example/charts");
    form.close();
    EXPECT_THAT(settingsLines(), ::testing::Contains("TIVKA_URL=http://other.example/charts"));
    EXPECT_EQ(modals.count, 3);
}

TEST_F(WindowTest, AboutShowsTheDescriptionLinesWithTheirBlanks)
{
    MainWindow& form = makeWindow();
    QStringList lines;
    modals.setNext([&](QDialog& dialog) {
        auto* description = dialog.findChild<QPlainTextEdit*>("descriptionText");
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("О программе"));
        EXPECT_TRUE(description->isReadOnly());
        lines = description->toPlainText().split('\n');
        // Every line fits whole in the field, none is cut at its right edge.
        dialog.show();
        QCoreApplication::processEvents();
        const QFontMetrics metrics(description->font());
        const int room = description->viewport()->width() - 2 * int(description->document()->documentMargin());
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
        dialog.findChild<QPushButton*>("okButton")->click();
        return dialog.result();
    });
    action("aboutAction")->trigger();
    EXPECT_EQ(modals.count, 1);
    EXPECT_EQ(lines, QStringList({
                         QStringLiteral("            Программа \"Тивка 2.6.0.1\""),
                         QStringLiteral(" "),
                         QStringLiteral("  Распознает цены и объемы позиций и"),
                         QStringLiteral("  ордеров на графиках полученых с "),
                         QStringLiteral(" сайта Тивки и передает  данные в "),
                         QStringLiteral(" индикатор Тивка МТ4."),
                     }));
}

TEST_F(WindowTest, WindowSizeAndMenus)
{
    MainWindow& form = makeWindow();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Тивка v2.6"));
    EXPECT_EQ(form.centralWidget()->size(), QSize(817, 598));
    EXPECT_EQ(form.height(), 598 + form.menuBar()->sizeHint().height() + form.statusBar()->sizeHint().height());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(pairBox()->count(), 10);
    EXPECT_EQ(pairBox()->currentText(), QStringLiteral("GBP/USD"));
    EXPECT_TRUE(pairBox()->isEditable());
    EXPECT_FALSE(calculateButton()->isEnabled());
    QStringList menu;
    for (QAction* action : form.menuBar()->actions())
        menu << action->text();
    EXPECT_EQ(menu, QStringList({"Файл", "Параметры", "Exel", "История", "О программе"}));
    QStringList tray;
    for (QAction* action : find<QMenu>("trayMenu")->actions())
        tray << (action->isSeparator() ? QString("-") : action->text());
    EXPECT_EQ(tray, QStringList({"Обновить", "-", "Выход"}));
    EXPECT_EQ(trayIcon()->contextMenu(), find<QMenu>("trayMenu"));
}

// A second start in the same folder reaches the first through its beacon;
// another folder's beacon is another name.
TEST(InstanceBeacon, ACallFromASecondStartReachesTheFirst)
{
    const QString name = BeaconName("/tmp/tivka-beacon-test-" + std::to_string(::getpid()));
    EXPECT_NE(name, BeaconName("/tmp/elsewhere"));
    EXPECT_FALSE(InstanceBeacon::CallRunning(name)) << "nobody listens yet";
    InstanceBeacon beacon(name);
    int calls = 0;
    QObject::connect(&beacon, &InstanceBeacon::called, [&] { ++calls; });
    std::thread second([&] { EXPECT_TRUE(InstanceBeacon::CallRunning(name)); });
    QDeadlineTimer deadline(5000);
    while (calls == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    second.join();
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tivka::test
