// What a trader relies on every day: choices and settings that survive a
// restart, the keys desktop users press, the tray, the small dialogs.
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFontMetrics>
#include <QTest>
#include <QTextDocument>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "chart/png_codec.h"
#include "platform/gui/instance_beacon.h"
#include "scheduling/gui/auto_refresh.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Shortcuts only reach an active window.
void activate(MainWindow& form)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TEST_F(WindowTest, ChoicesAndSettingsComeBackAfterARestart)
{
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTime1=15\nTimerEn1=1\nTime2=40\n");
    MainWindow& first = startWindow();
    EXPECT_TRUE(first.autoRefresh().periodicEnabled());
    EXPECT_EQ(timer("periodicTimer")->interval(), 15 * 60 * 1000);
    EXPECT_TRUE(action("autoRefreshAction")->isChecked());
    pairBox()->setCurrentText("EUR/JPY");
    ordersFilter()->setText("70");
    find<QRadioButton>("ordersAtMost")->setChecked(true);
    find<QLineEdit>("positionsFilter")->setText("15");
    find<QRadioButton>("positionsCumulative")->setChecked(true);
    const auto typeAddress = [&](const char* text, const char* button) {
        modals.setNext([=](QDialog& dialog) {
            dialog.findChild<QLineEdit*>("addressEdit")->setText(text);
            dialog.findChild<QPushButton*>(button)->click();
            return dialog.result();
        });
        action("addressAction")->trigger();
    };
    typeAddress("http://elsewhere.example/", "cancelButton");
    EXPECT_EQ(first.state().settings.chartUrl, kDefaultChartUrl);
    typeAddress("http://other.example/charts", "saveButton");  // no trailing "/": taken as typed
    first.close();
    EXPECT_THAT(settingsLines(), ElementsAre("Time1=15", "TimerEn1=1", "Time2=40", "TimerEn2=0",
                                             "TIVKA_URL=http://other.example/charts", "Pair=EUR/JPY",
                                             "OrdersFilter=70", "OrdersMode=<=", "PositionsFilter=15",
                                             "PositionsMode=>=", "OrdersVariant=noncumulative",
                                             "PositionsVariant=cumulative"));

    downloader.urls.clear();
    startWindow();
    EXPECT_EQ(pairBox()->currentText(), QStringLiteral("EUR/JPY"));
    EXPECT_EQ(ordersFilter()->text(), QStringLiteral("70"));
    EXPECT_TRUE(find<QRadioButton>("ordersAtMost")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("positionsAtLeast")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("positionsCumulative")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("ordersNonCumulative")->isChecked());
    EXPECT_THAT(downloader.urls, ElementsAre("http://other.example/chartsposentryprice_EUR_JPY.png",
                                             "http://other.example/chartsorders_noncumulative_EUR_JPY.png"));
}

// Sets the immutable attribute for its lifetime: the only way to make a file
// unwritable for the superuser. Unavailable on some file systems.
class Immutable {
public:
    explicit Immutable(const fs::path& path) : path_(path)
    {
        set_ = std::system(("chattr +i '" + path_.string() + "' 2>/dev/null").c_str()) == 0;
    }
    ~Immutable()
    {
        if (set_)
            std::system(("chattr -i '" + path_.string() + "'").c_str());
    }
    bool set() const { return set_; }

private:
    fs::path path_;
    bool set_ = false;
};

TEST_F(WindowTest, SettingsThatCannotBeWrittenAreReportedAtCloseAndLeftIntact)
{
    writeTemplate();
    const std::string content = "[Setting]\r\nTime1=7\r\n";
    writeFile(settingsPath(), content);
    Immutable locked(settingsPath());
    for (const bool missingFolder : {true, false}) {
        if (!missingFolder && !locked.set())
            GTEST_SKIP() << "chattr +i is not available here";
        settingsFile = missingFolder ? (dir / "missing-folder" / "tivka.INI").string() : settingsPath().string();
        MainWindow& form = startWindow();
        messages.shown.clear();
        form.close();
        EXPECT_THAT(messages.shown, ElementsAre(StartsWith("Unable to write to " + settingsFile + ": ")));
        EXPECT_TRUE(form.isShutDown());
        EXPECT_EQ(readFile(settingsPath()), content);
    }
}

TEST_F(WindowTest, KeysDoWhatTheirMenusAndButtonsDo)
{
    writeTemplate();
    MainWindow& form = startWindow();
    activate(form);
    QTest::keyClick(&form, Qt::Key_F5);
    waitForRefresh();
    EXPECT_EQ(downloader.urls.size(), 4u);

    // Enter in a filter recalculates without fetching.
    const int lines = ordersPane()->toPlainText().count('\n');
    ordersFilter()->setText("90");
    QTest::keyClick(ordersFilter(), Qt::Key_Return);
    EXPECT_LT(ordersPane()->toPlainText().count('\n'), lines);

    // A typed pair is used but not added to the list.
    pairBox()->setFocus();
    pairBox()->lineEdit()->selectAll();
    QTest::keyClicks(pairBox(), "EUR/AUD");
    QTest::keyClick(pairBox(), Qt::Key_Return);
    EXPECT_EQ(pairBox()->count(), 10);
    EXPECT_EQ(pairBox()->currentText(), QStringLiteral("EUR/AUD"));

    // Ctrl+S saves the picture, named after the charts on it rather than the
    // pair chosen since.
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
    const Bitmap picture = DecodePngFile((dir / "picture.png").string());
    const QImage canvas = chartCanvas()->canvas();
    ASSERT_EQ(picture.width(), canvas.width());
    ASSERT_EQ(picture.height(), canvas.height());
    for (int y = 0; y < canvas.height(); y += 7)
        for (int x = 0; x < canvas.width(); x += 5)
            ASSERT_EQ(picture.pixel(x, y), canvas.pixel(x, y) & 0xFFFFFFu) << x << "," << y;

    QTest::keyClick(&form, Qt::Key_F5);
    waitForRefresh();
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_noncumulative_EUR_AUD.png"));
    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(form.isShutDown());
}

// Double clicks on the icon hide and restore the window; the tray's refresh
// brings it back before the banner; the tooltip tells the pair, price and
// time. Without a tray a minimised window stays reachable.
TEST_F(WindowTest, TheTrayHidesRestoresRefreshesAndTellsThePrice)
{
    writeTemplate();
    downloader.hold();
    MainWindow& form = makeWindow(/*trayAvailable=*/true);
    form.startUp();
    EXPECT_EQ(trayIcon()->toolTip(), QStringLiteral("Тивка"));
    downloader.release();
    waitForRefresh();
    const std::string price = ordersPane()->toPlainText().split('\n').value(1).toStdString();
    EXPECT_EQ(trayIcon()->toolTip().toStdString(), "Тивка — GBP/USD " + price + ", 12:30");

    form.show();
    form.trayIconDoubleClicked();
    settle();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.state().windowShown);
    downloader.hold();
    action("trayRefreshAction")->trigger();
    ASSERT_TRUE(waitUntilHeld());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(refreshBanner()->isVisible());
    downloader.release();
    waitForRefresh();
    EXPECT_TRUE(form.state().windowShown);
    form.trayIconDoubleClicked();
    form.trayIconDoubleClicked();
    settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());

    MainWindow& trayless = startWindow(/*trayAvailable=*/false);
    trayless.show();
    trayless.showMinimized();
    settle();
    EXPECT_TRUE(trayless.isVisible());
    EXPECT_FALSE(trayless.state().windowShown);
}

// Qt flips a checkable entry's mark on the click that opens the dialog; the
// mark must show whether a timer is on, however the dialog closes.
TEST_F(WindowTest, TheAutoRefreshMarkFollowsTheTimersHoweverTheDialogCloses)
{
    writeTemplate();
    startWindow();
    QAction* entry = action("autoRefreshAction");
    for (const bool withOk : {false, true}) {
        modals.setNext([withOk](QDialog& dialog) {
            if (withOk)
                dialog.findChild<QPushButton*>("okButton")->click();
            return dialog.result();
        });
        entry->trigger();
        EXPECT_FALSE(entry->isChecked()) << withOk;
    }
    modals.setNext([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("minuteEdit")->setText("20");
        dialog.findChild<QCheckBox*>("minuteCheck")->click();
        return int(QDialog::Rejected);  // closed without Ok
    });
    entry->trigger();
    EXPECT_TRUE(entry->isChecked());
    modals.setNext([](QDialog&) { return int(QDialog::Rejected); });
    entry->trigger();
    EXPECT_TRUE(entry->isChecked()) << "the click that opened the dialog must not clear it";
}

// Every line of the description fits whole in its field.
TEST_F(WindowTest, AboutShowsEveryDescriptionLineWhole)
{
    makeWindow();
    int lines = 0;
    modals.setNext([&](QDialog& dialog) {
        auto* description = dialog.findChild<QPlainTextEdit*>("descriptionText");
        dialog.show();
        settle();
        const QFontMetrics metrics(description->font());
        const int room = description->viewport()->width() - 2 * int(description->document()->documentMargin());
        for (const QString& line : description->toPlainText().split('\n')) {
            EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
            ++lines;
        }
        return int(QDialog::Accepted);
    });
    action("aboutAction")->trigger();
    EXPECT_EQ(lines, 6);
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
