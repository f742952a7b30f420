#include <QTimer>
#include <filesystem>

#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/chart_canvas.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char* const kLoadFailed = "Ошибка при загрузке графиков!";

bool hasChartFiles(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".png")
            return true;
    return false;
}

TEST_F(WindowTest, StartUpRefreshesOnceBeforeTheWindowIsShown)
{
    writeTemplate();
    bool shownDuringRefresh = true;
    downloader.onDownload = [&](const std::string&) { shownDuringRefresh = window->isVisible(); };
    TForm1& form = startWindow();

    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_EQ(downloader.urls.size(), 2u);
    EXPECT_THAT(downloader.urls[0], HasSubstr("posentryprice_noncumulative_GBP_USD.png"));
    EXPECT_THAT(downloader.urls[1], HasSubstr("orders_noncumulative_GBP_USD.png"));
    EXPECT_FALSE(shownDuringRefresh);
    EXPECT_TRUE(form.state().ImagesLoaded());
    EXPECT_FALSE(form.Memo1->toPlainText().isEmpty());
    EXPECT_FALSE(form.Memo2->toPlainText().isEmpty());
    EXPECT_TRUE(form.Button3->isEnabled());
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_FALSE(form.N7->isChecked());
    EXPECT_FALSE(form.autoRefresh().timer1Enabled());
    EXPECT_FALSE(form.autoRefresh().timer2Enabled());
    EXPECT_TRUE(form.hooksInstalled());
    EXPECT_FALSE(hasChartFiles(dir.path()));
    // Both charts are on the picture: their white backgrounds replaced parts
    // of the blank canvas with chart ink.
    const QImage& canvas = form.Image1->canvas();
    EXPECT_NE(canvas.copy(0, 0, 256, 532), QImage(256, 532, canvas.format()));
}

TEST_F(WindowTest, StartUpArmsTheTimersTheSettingsAskFor)
{
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTime1=15\nTimerEn1=1\nTime2=40\nTimerEn2=0\n");
    TForm1& form = startWindow();
    EXPECT_TRUE(form.autoRefresh().timer1Enabled());
    EXPECT_EQ(form.autoRefresh().timer1().interval(), 15 * 60 * 1000);
    EXPECT_FALSE(form.autoRefresh().timer2Enabled());
    EXPECT_TRUE(form.N7->isChecked());
}

TEST_F(WindowTest, MissingTemplateIsReportedAndTheWindowStillOpens)
{
    writeFile(settingsPath(), "[Setting]\nTime1=15\nTimerEn1=1\n");
    TForm1& form = startWindow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(messages.shown[0], HasSubstr("ndata.bmp"));
    EXPECT_TRUE(downloader.urls.empty());
    EXPECT_FALSE(form.Button3->isEnabled());
    EXPECT_FALSE(form.hooksInstalled());
    EXPECT_FALSE(form.autoRefresh().timer1Enabled());
    EXPECT_FALSE(form.N7->isChecked());
    form.show();
    EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowTest, UnreachableServerLeavesEmptyPanesAndCalculateDoesNothing)
{
    writeTemplate();
    downloader.reachable = false;
    TForm1& form = startWindow();
    EXPECT_THAT(messages.shown, ElementsAre(kLoadFailed));
    EXPECT_EQ(downloader.urls.size(), 2u);  // both fetches tried, one message
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(form.Memo2->toPlainText().isEmpty());
    EXPECT_TRUE(form.Button3->isEnabled());
    EXPECT_FALSE(form.state().ImagesLoaded());

    form.Button3->click();
    EXPECT_TRUE(form.Memo1->toPlainText().isEmpty());
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(WindowTest, AnErrorInTheFirstRefreshEndsStartUpWithTimersOff)
{
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTime2=40\nTimerEn2=1\n");
    downloader.servePages = true;
    TForm1& form = startWindow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0], kLoadFailed);  // the decoder's own message
    EXPECT_FALSE(form.state().ImagesLoaded());
    EXPECT_FALSE(form.autoRefresh().timer2Enabled());
    EXPECT_FALSE(form.N7->isChecked());
}

TEST_F(WindowTest, ClosingWritesExactlyTheFiveKeysEvenWithoutADownload)
{
    writeTemplate();
    downloader.reachable = false;
    TForm1& form = startWindow();
    form.show();
    form.close();
    EXPECT_TRUE(form.isShutDown());
    EXPECT_THAT(settingsLines(), ElementsAre("Time1=0", "Time2=33", "TimerEn1=0", "TimerEn2=0",
                                             std::string("TIVKA_URL=") + kDefaultChartUrl));
    EXPECT_FALSE(form.state().ImagesLoaded());
}

TEST_F(WindowTest, UnwritableSettingsFileIsReported)
{
    settingsFile = (dir / "missing-folder" / "tivka.INI").string();
    TForm1& form = startWindow();
    messages.shown.clear();
    form.close();
    EXPECT_THAT(messages.shown, ElementsAre("Unable to write to " + settingsFile));
    EXPECT_TRUE(form.isShutDown());
}

TEST_F(WindowTest, CalculateAppliesANewFilterWithoutFetching)
{
    writeTemplate();
    TForm1& form = startWindow();
    const QString before = form.Memo1->toPlainText();
    const QString positionsBefore = form.Memo2->toPlainText();
    form.Eproc->setText("70");
    form.Button3->click();
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_TRUE(form.state().ImagesLoaded());
    EXPECT_LT(form.Memo1->toPlainText().split('\n').size(), before.split('\n').size());
    EXPECT_EQ(form.Memo2->toPlainText(), positionsBefore);

    form.Eproc->setText("50");
    form.Button3->click();
    EXPECT_EQ(form.Memo1->toPlainText(), before);
}

TEST_F(WindowTest, ANewPairTakesEffectOnlyAtTheNextRefresh)
{
    writeTemplate();
    TForm1& form = startWindow();
    const QString orders = form.Memo1->toPlainText();
    form.ComboBox1->setCurrentText("USD/JPY");
    settle();
    EXPECT_EQ(form.Memo1->toPlainText(), orders);
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_EQ(form.state().orders.Digits, 4);

    form.Button1->click();
    ASSERT_EQ(downloader.urls.size(), 4u);
    EXPECT_THAT(downloader.urls[3], HasSubstr("orders_noncumulative_USD_JPY.png"));
    EXPECT_EQ(form.state().orders.Digits, 2);
}

TEST_F(WindowTest, TheBannerStaysUpOnlyAfterAFailedRefresh)
{
    writeTemplate();
    TForm1& form = startWindow();
    form.show();
    const QString orders = form.Memo1->toPlainText();
    std::vector<bool> bannerShown;
    downloader.onDownload = [&](const std::string&) { bannerShown.push_back(form.Panel1->isVisible()); };
    downloader.servePages = true;
    form.Button1->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(form.state().ImagesLoaded());
    EXPECT_TRUE(form.Panel1->isVisible());
    EXPECT_EQ(form.Memo1->toPlainText(), orders);  // the readout keeps the last result

    downloader.servePages = false;
    form.RB_cum->setChecked(true);
    form.Button1->click();
    EXPECT_THAT(bannerShown, ElementsAre(true, true, true, true));
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_GBP_USD.png"));
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_TRUE(form.state().ImagesLoaded());
}

// Requests that arrive while a refresh lets messages through are dropped:
// a second cycle, a recalculation, a spreadsheet transfer or a timer tick.
TEST_F(WindowTest, RequestsDuringARefreshAreSkipped)
{
    writeTemplate();
    TForm1& form = startWindow();
    form.show();
    int ordersChanged = 0;
    QObject::connect(form.Memo1, &QPlainTextEdit::textChanged, [&] { ++ordersChanged; });
    int changesBeforeFetch = -1;
    downloader.onDownload = [&](const std::string&) {
        if (changesBeforeFetch < 0)
            changesBeforeFetch = ordersChanged;
    };
    // Queued now, delivered at the cycle's first message-processing step.
    QMetaObject::invokeMethod(form.Button1, "click", Qt::QueuedConnection);
    QMetaObject::invokeMethod(form.Button3, "click", Qt::QueuedConnection);
    QMetaObject::invokeMethod(form.Exel1, "trigger", Qt::QueuedConnection);
    QTimer::singleShot(0, &form, [&] { form.autoRefresh().timer1Tick(); });
    form.Button1Click();
    settle();
    EXPECT_EQ(downloader.urls.size(), 4u);  // start-up and exactly one cycle
    EXPECT_EQ(changesBeforeFetch, 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(form.refreshRunning());

    // After the cycle the same requests run again.
    form.Button1->click();
    EXPECT_EQ(downloader.urls.size(), 6u);
}

TEST_F(WindowTest, ATimerTickWhileTheFailureMessageIsOpenIsSkipped)
{
    writeTemplate();
    TForm1& form = startWindow();
    downloader.reachable = false;
    messages.onShow = [&](const std::string&) { form.Button1Click(); };
    form.Button1Click();
    EXPECT_THAT(messages.shown, ElementsAre(kLoadFailed));
    EXPECT_EQ(downloader.urls.size(), 4u);
    EXPECT_FALSE(form.state().ImagesLoaded());
}

TEST_F(WindowTest, ClosingDuringARefreshStopsItAtTheNextMessageStep)
{
    writeTemplate();
    TForm1& form = startWindow();
    form.show();
    QTimer::singleShot(0, &form, [&] { form.close(); });
    form.Button1Click();
    EXPECT_TRUE(form.isShutDown());
    EXPECT_EQ(downloader.urls.size(), 2u);  // no fetch after the window closed
    EXPECT_FALSE(form.state().ImagesLoaded());
    EXPECT_EQ(settingsLines().size(), 5u);
}

TEST_F(WindowTest, CursorReadoutDrawsOnlyOverLoadedCharts)
{
    writeTemplate();
    downloader.reachable = false;
    TForm1& form = startWindow();
    const QImage blank = form.Image1->canvas();
    form.Image1MouseMove(100, 275);
    EXPECT_EQ(form.Image1->canvas(), blank);

    downloader.reachable = true;
    form.Button1Click();
    const QImage charts = form.Image1->canvas();
    form.Image1MouseMove(100, 275);
    EXPECT_NE(form.Image1->canvas(), charts);
}

}  // namespace
}  // namespace tivka::test
