// What a trader relies on every day: choices and settings that survive a
// restart, the keys desktop users press, the tray, the small dialogs.
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "chart/png_codec.h"
#include "history/history_store.h"
#include "history/readings.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Choices, the timers and the chart address survive a restart, and the
// window opens where it was left. The address dialog warns while the address
// does not end with "/", and takes it as typed all the same.
TEST_F(WindowTest, ChoicesAndSettingsComeBackAfterARestart)
{
    writeFile(settingsPath(), "[Setting]\nTime1=15\nTimerEn1=1\nTime2=40\n");
    MainWindow& first = startWindow();
    EXPECT_TRUE(action("autoRefreshAction")->isChecked());
    pairBox()->setCurrentText("EUR/JPY");
    ordersFilter()->setText("70");
    find<QRadioButton>("ordersAtMost")->setChecked(true);
    find<QLineEdit>("positionsFilter")->setText("15");
    find<QRadioButton>("positionsCumulative")->setChecked(true);
    modals.setNext([](QDialog& dialog) {
        auto* warning = dialog.findChild<QLabel*>("slashWarning");
        EXPECT_FALSE(warning->isVisibleTo(&dialog)) << "the default address ends with /";
        dialog.findChild<QLineEdit*>("addressEdit")->setText("http://other.example/charts");
        EXPECT_TRUE(warning->isVisibleTo(&dialog));
        dialog.findChild<QPushButton*>("saveButton")->click();
        return dialog.result();
    });
    action("addressAction")->trigger();
    first.move(40, 30);
    first.close();
    EXPECT_EQ(readFile(settingsPath()), "[Setting]\nTime1=15\nTimerEn1=1\nTime2=40\nTimerEn2=0\n"
                                        "TIVKA_URL=http://other.example/charts\nPair=EUR/JPY\nOrdersFilter=70\n"
                                        "OrdersMode=<=\nPositionsFilter=15\nPositionsMode=>=\n"
                                        "OrdersVariant=noncumulative\nPositionsVariant=cumulative\n"
                                        "WindowPosition=40,30\n");

    downloader.urls.clear();
    startWindow();
    EXPECT_EQ(window->pos(), QPoint(40, 30)) << "where it was left";
    EXPECT_EQ(pairBox()->currentText(), QStringLiteral("EUR/JPY"));
    EXPECT_EQ(ordersFilter()->text(), QStringLiteral("70"));
    EXPECT_TRUE(find<QRadioButton>("ordersAtMost")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("positionsAtLeast")->isChecked());
    // The variants chosen are the charts fetched.
    EXPECT_THAT(downloader.urls, ElementsAre("http://other.example/chartsposentryprice_EUR_JPY.png",
                                             "http://other.example/chartsorders_noncumulative_EUR_JPY.png"));
}

// A threshold field takes only a threshold, shows all of it, and a field
// being retyped never stops a refresh: the timer's refreshes go on showing
// and recording the pair with the threshold last held. The history keeps
// every refresh's readings, and start-up prunes those older than HistoryDays.
TEST_F(WindowTest, AThresholdFieldHoldsOnlyAThresholdAndNeverStopsARefresh)
{
    historyPath = (dir / "history.sqlite3").string();
    for (const int days : {8, 6})
        HistoryStore(historyPath).record(KnownReading(clock.instant - days * 86400, 1.2 + days, {}, ChartKind::Orders));
    writeFile(settingsPath(), "[Setting]\nTime1=5\nTimerEn1=1\nHistoryDays=7\n");
    MainWindow& form = startWindow();
    QLineEdit* field = ordersFilter();
    const struct {
        const char* typed;
        const char* held;
    } typing[] = {{"7x", "7"}, {"500", "50"}, {"101", "101"}, {"-5", "5"}, {"1.5", "15"}, {"abc", "15"}};
    for (const auto& t : typing) {
        field->selectAll();
        QTest::keyClicks(field, t.typed);
        EXPECT_EQ(field->text().toStdString(), t.held) << t.typed;
    }
    const int shown = field->fontMetrics().horizontalAdvance(QStringLiteral("101"));
    EXPECT_LE(shown, field->contentsRect().width() - field->textMargins().left() - field->textMargins().right());

    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);  // emptied on the way to another figure
    EXPECT_EQ(field->text(), QString());
    downloader.alterModel = [](charts::ChartModel& model) { model.timeText = "12:35"; };
    clock.setMinute(35);
    periodicTick();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    EXPECT_EQ(state(), "");
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    find<QLineEdit>("positionsFilter")->setFocus();
    EXPECT_EQ(field->text(), QStringLiteral("15")) << "the threshold held comes back";
    form.close();
    EXPECT_THAT(readFile(settingsPath()), HasSubstr("OrdersFilter=15\n"));
    std::vector<std::int64_t> fetched;
    for (const StoredReading& stored : HistoryStore(historyPath).readings({"GBP/USD", ChartKind::Orders, false, 0, clock.instant + 1}))
        fetched.push_back(stored.fetchedAt - clock.instant);
    EXPECT_THAT(fetched, ElementsAre(-6 * 86400 - 300, -300, 0)) << "the timer's reading is in the history";
}

// F5 refreshes; Enter in a filter recalculates without fetching and shows
// the pane, far longer now than it can show, from its first line; a typed
// pair is used but not added to the list; Ctrl+S saves the picture, named
// after the charts on it rather than the pair chosen since; Ctrl+Q quits as
// a close does: a settings file that cannot be written is reported, once,
// and the window still closes.
TEST_F(WindowTest, KeysDoWhatTheirMenusAndButtonsDo)
{
    settingsFile = (dir / "missing-folder" / "tivka.INI").string();
    MainWindow& form = startWindow();
    form.activateWindow();  // shortcuts only reach an active window
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_F5);
    waitForRefresh();
    EXPECT_EQ(downloader.urls.size(), 4u);

    const int lines = ordersPane()->toPlainText().count('\n');
    ordersFilter()->setText("0");
    QTest::keyClick(ordersFilter(), Qt::Key_Return);
    settle();
    EXPECT_EQ(downloader.urls.size(), 4u);
    EXPECT_GT(ordersPane()->toPlainText().count('\n'), lines);
    EXPECT_GT(ordersPane()->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(ordersPane()->verticalScrollBar()->value(), 0);

    pairBox()->setFocus();
    pairBox()->lineEdit()->selectAll();
    QTest::keyClicks(pairBox(), "EUR/AUD");
    QTest::keyClick(pairBox(), Qt::Key_Return);
    EXPECT_EQ(pairBox()->count(), 10);
    EXPECT_EQ(pairBox()->currentText(), QStringLiteral("EUR/AUD"));

    QString proposed;
    modals.setNext([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        proposed = files.selectedFiles().value(0);
        files.selectFile(QString::fromStdString((dir / "picture.png").string()));
        static_cast<QDialog&>(files).accept();
        return files.result();
    });
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(proposed.endsWith("/GBPUSD.png")) << proposed.toStdString();
    const Bitmap picture = DecodePngFile((dir / "picture.png").string());  // the saver's own test checks pixels
    EXPECT_EQ(QSize(picture.width(), picture.height()), chartCanvas()->canvas().size());

    QTest::keyClick(&form, Qt::Key_F5);
    waitForRefresh();
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_noncumulative_EUR_AUD.png"));
    messages.shown.clear();  // the test server has no EUR/AUD charts
    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_THAT(messages.shown, ElementsAre(StartsWith("Unable to write to " + settingsFile + ": ")));
    EXPECT_TRUE(form.isShutDown());
}

// The tray's tooltip tells the pair, price and time. Minimising sends the
// window into the tray; "Показать", the menu's first entry, and a single
// click bring it back; a double click sends the shown window there and
// restores a hidden one (Qt sends the single click first); the tray's refresh
// brings it back before the banner. The icon is shown even without a
// notification area, so that one started later shows it.
TEST_F(WindowTest, TheTrayHidesRestoresRefreshesAndTellsThePrice)
{
    makeWindow(/*trayAvailable=*/false).startUp();
    waitForRefresh();
    EXPECT_TRUE(trayIcon()->isVisible());
    window.reset();

    MainWindow& form = startWindow(/*trayAvailable=*/true);
    const std::string price = ordersPane()->toPlainText().split('\n').value(1).toStdString();
    EXPECT_EQ(trayIcon()->toolTip().toStdString(), "Тивка — GBP/USD " + price + ", 12:30");

    const QList<QAction*> entries = find<QMenu>("trayMenu")->actions();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.front(), action("trayShowAction"));
    EXPECT_EQ(entries.front()->text(), QStringLiteral("Показать"));
    const auto minimise = [&] {
        form.showMinimized();
        settle();
        ASSERT_FALSE(form.isVisible()) << "minimised into the tray";
    };
    const auto click = [&](QSystemTrayIcon::ActivationReason reason) {
        emit trayIcon()->activated(reason);
        settle();
    };
    minimise();
    action("trayShowAction")->trigger();
    EXPECT_TRUE(form.isVisible() && form.state().windowShown);
    minimise();
    click(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(form.isVisible() && !form.isMinimized());
    click(QSystemTrayIcon::Trigger);
    click(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(form.isVisible()) << "a double click on the shown window sends it to the tray";
    click(QSystemTrayIcon::Trigger);
    click(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(form.isVisible() && !form.isMinimized()) << "the double click that restored it leaves it shown";

    minimise();
    downloader.hold();
    action("trayRefreshAction")->trigger();
    ASSERT_TRUE(waitUntilHeld());
    EXPECT_TRUE(form.isVisible() && form.state().windowShown);
    EXPECT_TRUE(refreshBanner()->isVisible());
    downloader.release();
    waitForRefresh();
}

// The auto-refresh dialog opens on the timers as they run, its fields
// editable while ticked and taking digits only; nothing changes before "Ok"
// while the timers go on; "Отмена" and Escape drop every change; "Ok" arms
// what the dialog says, and the minute timer then refreshes once in the set
// minute (the minute rule's own table holds its edge cases). "Ok" refuses
// values the timers cannot run with (which ones is the timer rules' own
// table) with the timer's message and unticks its box; the dialog stays open.
// Qt flips a checkable entry's mark on the click that opens the dialog: the
// mark must show whether a timer is on, however the dialog closes.
TEST_F(WindowTest, TheAutoRefreshDialogArmsWhatItSaysAndTheMarkFollows)
{
    writeFile(settingsPath(), "[Setting]\nTime1=15\nTimerEn1=1\nTime2=33\n");
    MainWindow& form = startWindow();
    QAction* entry = action("autoRefreshAction");
    QTimer* periodic = timer("periodicTimer");
    QTimer* minute = timer("minuteTimer");
    // Opens the dialog from its entry; `user` acts on it, then `button` is
    // clicked (Escape pressed when there is none).
    const auto open = [&](const std::function<void(QDialog&)>& user, const char* button) {
        modals.setNext([&](QDialog& dialog) {
            user(dialog);
            if (button)
                dialog.findChild<QPushButton*>(button)->click();
            else
                QTest::keyClick(&dialog, Qt::Key_Escape);
            return dialog.result();
        });
        entry->trigger();
    };
    const auto change = [&](QDialog& dialog) {
        auto* period = dialog.findChild<QLineEdit*>("periodEdit");
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("periodCheck")->isChecked() && period->isEnabled());
        period->selectAll();
        QTest::keyClicks(period, "2x0");
        EXPECT_EQ(period->text(), QStringLiteral("20"));
        dialog.findChild<QLineEdit*>("minuteEdit")->setText("45");
        dialog.findChild<QCheckBox*>("minuteCheck")->click();
        EXPECT_EQ(periodic->interval(), 15 * 60000) << "nothing changes before Ok";
        EXPECT_FALSE(minute->isActive());
    };
    for (const char* button : {"cancelButton", static_cast<const char*>(nullptr)}) {
        open(change, button);
        EXPECT_EQ(periodic->interval(), 15 * 60000);
        EXPECT_FALSE(minute->isActive());
        EXPECT_TRUE(entry->isChecked()) << "the click that opened the dialog must not clear it";
    }
    downloader.urls.clear();
    open([&](QDialog& dialog) { change(dialog), QMetaObject::invokeMethod(periodic, "timeout"); }, "okButton");
    waitForRefresh();
    EXPECT_EQ(downloader.urls.size(), 2u) << "the tick while the dialog was open";
    EXPECT_EQ(periodic->interval(), 20 * 60000);
    EXPECT_TRUE(periodic->isActive() && minute->isActive() && entry->isChecked());
    const struct {
        int minute;
        std::size_t downloadsAfter;
    } ticks[] = {{44, 2}, {45, 4}, {46, 4}, {47, 4}, {45, 6}};
    for (const auto& t : ticks) {
        clock.setMinute(t.minute);
        QMetaObject::invokeMethod(minute, "timeout");
        waitForRefresh();
        EXPECT_EQ(downloader.urls.size(), t.downloadsAfter) << "minute " << t.minute;
    }

    int staysOpen = -1;
    open(
        [&](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("periodEdit")->setText("35792");
            dialog.findChild<QLineEdit*>("minuteEdit")->setText("60");
            dialog.findChild<QPushButton*>("okButton")->click();
            staysOpen = dialog.result();
            EXPECT_FALSE(dialog.findChild<QCheckBox*>("periodCheck")->isChecked() ||
                         dialog.findChild<QCheckBox*>("minuteCheck")->isChecked());
        },
        "okButton");
    EXPECT_EQ(staysOpen, QDialog::Rejected) << "the refusing Ok does not close the dialog";
    EXPECT_THAT(messages.shown, ElementsAre("Таймер №1 незапущен!", "Таймер №2 незапущен!"));
    EXPECT_FALSE(periodic->isActive() || minute->isActive() || entry->isChecked());
    for (const char* button : {"okButton", "cancelButton"}) {
        open([](QDialog&) {}, button);
        EXPECT_FALSE(entry->isChecked()) << button;
    }
    form.close();
    // The period is kept as typed for next time; a minute the timer cannot run with is not.
    EXPECT_THAT(readFile(settingsPath()), HasSubstr("Time1=35792\nTimerEn1=0\nTime2=45\nTimerEn2=0\n"));
}

}  // namespace
}  // namespace tivka::test
