// What a trader uses every day: choices remembered across a restart, the
// keys desktop users press, panes that show their top, the tray's tooltip.
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "scheduling/gui/auto_refresh_dialog.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

using ::testing::HasSubstr;

// Shortcuts only reach an active window.
void activate(MainWindow& form)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TEST_F(WindowTest, ChoicesComeBackAfterARestart)
{
    writeTemplate();
    startWindow();
    pairBox()->setCurrentText("EUR/JPY");
    ordersFilter()->setText("70");
    find<QRadioButton>("ordersAtMost")->setChecked(true);
    find<QLineEdit>("positionsFilter")->setText("15");
    find<QRadioButton>("positionsCumulative")->setChecked(true);
    window->close();
    window.reset();

    startWindow();
    EXPECT_EQ(pairBox()->currentText(), QStringLiteral("EUR/JPY"));
    EXPECT_EQ(ordersFilter()->text(), QStringLiteral("70"));
    EXPECT_TRUE(find<QRadioButton>("ordersAtMost")->isChecked());
    EXPECT_EQ(find<QLineEdit>("positionsFilter")->text(), QStringLiteral("15"));
    EXPECT_TRUE(find<QRadioButton>("positionsAtLeast")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("positionsCumulative")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("ordersNonCumulative")->isChecked());
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_noncumulative_EUR_JPY.png"))
        << "the first refresh fetches the pair chosen last time";
    EXPECT_THAT(downloader.urls[downloader.urls.size() - 2], HasSubstr("posentryprice_EUR_JPY.png"));
}

TEST_F(WindowTest, KeysDoWhatTheirMenusAndButtonsDo)
{
    writeTemplate();
    MainWindow& form = startWindow();
    activate(form);
    EXPECT_EQ(action("saveAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(action("saveAction")->text(), QStringLiteral("Сохранить"));

    QTest::keyClick(&form, Qt::Key_F5);
    waitForRefresh();
    EXPECT_EQ(downloader.urls.size(), 4u);

    QString proposed;
    modals.setNext([&](QDialog& dialog) {
        proposed = dynamic_cast<QFileDialog&>(dialog).selectedFiles().value(0);
        return int(QDialog::Rejected);
    });
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(modals.count, 1);
    EXPECT_TRUE(proposed.endsWith("/GBPUSD.png")) << proposed.toStdString();

    const int lines = ordersPane()->toPlainText().split('\n').size();
    ordersFilter()->setText("90");
    QTest::keyClick(ordersFilter(), Qt::Key_Return);
    EXPECT_LT(ordersPane()->toPlainText().split('\n').size(), lines) << "Enter in a filter recalculates";
    EXPECT_EQ(downloader.urls.size(), 4u);

    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(form.isShutDown());
}

TEST_F(WindowTest, PanesAreReadOnlyAndShowTheirFirstLine)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    ordersFilter()->setText("0");  // every level listed: far more lines than fit
    refreshButton()->click();
    waitForRefresh();
    settle();
    for (QPlainTextEdit* pane : {ordersPane(), positionsPane()}) {
        EXPECT_TRUE(pane->isReadOnly());
        EXPECT_EQ(pane->verticalScrollBar()->value(), 0);
        EXPECT_EQ(pane->cursorForPosition(QPoint(2, 2)).block().text(), QStringLiteral("--- Now Price ----"));
    }
    EXPECT_GT(ordersPane()->verticalScrollBar()->maximum(), 0) << "the pane must be long enough to scroll";
}

TEST_F(WindowTest, TheTrayTooltipTellsThePairPriceAndTime)
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
}

// The picture is named after the charts on it, not a pair chosen since.
TEST_F(WindowTest, ThePictureIsNamedAfterTheChartsShown)
{
    writeTemplate();
    MainWindow& form = startWindow();
    pairBox()->setCurrentText("USD/JPY");
    QString proposed;
    modals.setNext([&](QDialog& dialog) {
        proposed = dynamic_cast<QFileDialog&>(dialog).selectedFiles().value(0);
        return int(QDialog::Rejected);
    });
    form.savePicture();
    EXPECT_TRUE(proposed.endsWith("/GBPUSD.png")) << proposed.toStdString();
}

TEST_F(WindowTest, ATypedPairIsUsedButNotAddedToTheList)
{
    writeTemplate();
    MainWindow& form = startWindow();
    activate(form);
    pairBox()->setFocus();
    pairBox()->lineEdit()->selectAll();
    QTest::keyClicks(pairBox(), "EUR/AUD");
    QTest::keyClick(pairBox(), Qt::Key_Return);
    EXPECT_EQ(pairBox()->count(), 10);
    EXPECT_EQ(pairBox()->currentText(), QStringLiteral("EUR/AUD"));
    refreshButton()->click();
    waitForRefresh();
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_noncumulative_EUR_AUD.png"));
}

// Qt flips a checkable entry's mark on the click that opens the dialog; the
// mark must show whether a timer is on, however the dialog closes.
TEST_F(WindowTest, TheAutoRefreshMarkFollowsTheTimersHoweverTheDialogCloses)
{
    writeTemplate();
    startWindow();
    QAction* entry = action("autoRefreshAction");
    for (const bool withOk : {false, true}) {
        SCOPED_TRACE(withOk ? "closed with Ok" : "closed otherwise");
        modals.setNext([withOk](QDialog& dialog) {
            if (withOk)
                dialog.findChild<QPushButton*>("okButton")->click();
            return dialog.result();
        });
        entry->trigger();
        EXPECT_FALSE(entry->isChecked());
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

}  // namespace
}  // namespace tivka::test
