#include "scheduling/gui/auto_refresh.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/conversions.h"
#include "support/manual_clock.h"
#include "support/recorded_messages.h"
#include "support/scripted_modals.h"

namespace tivka {
namespace {

using test::ManualClock;
using test::ScriptedModalRunner;

// The tick of a timer, as its timeout delivers it.
void tick(QTimer* timer)
{
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

class AutoRefreshTest : public ::testing::Test {
protected:
    AutoRefreshTest() { mark.setCheckable(true); }

    AutoRefreshDialog& dialog() { return *host.findChild<AutoRefreshDialog*>("autoRefreshDialog"); }
    QLineEdit* edit(const char* name) { return dialog().findChild<QLineEdit*>(name); }
    QCheckBox* box(const char* name) { return dialog().findChild<QCheckBox*>(name); }
    QTimer* periodicTimer() { return autoRefresh.findChild<QTimer*>("periodicTimer"); }
    QTimer* minuteTimer() { return autoRefresh.findChild<QTimer*>("minuteTimer"); }

    // The window's general error report: the error's own message, shown.
    AutoRefresh::Guard report = [this](std::function<void()> handler) {
        try {
            handler();
        } catch (const std::exception& error) {
            messages.showMessage(error.what());
        }
    };

    // Opens the dialog; `user` acts on it, then "Ok" is clicked.
    void openDialogAndOk(const std::function<void()>& user)
    {
        modal.setNext([&, user](QDialog&) {
            user();
            dialog().findChild<QPushButton*>("okButton")->click();
            return dialog().result();
        });
        autoRefresh.openDialog();
    }

    TimerSettings settings;
    test::RecordedMessages messages;
    ScriptedModalRunner modal;
    ManualClock clock;
    QAction mark{QStringLiteral("Автообновление")};
    QWidget host;
    int refreshes = 0;
    AutoRefresh autoRefresh{settings, messages, modal, clock, &mark, [this] { ++refreshes; }, &host, report};
};

// Each line's words must stand clear of the edit field laid over its blanks
// and of the check box, whatever the toolkit's font.
TEST_F(AutoRefreshTest, LineWordsStandClearOfTheEditAndTheCheckBox)
{
    const auto check = [](QLabel* label, QLineEdit* edit, QCheckBox* box, const QString& words) {
        const QFontMetrics metrics(label->font());
        const QString text = label->text();
        const int wordsEnd = label->x() + metrics.horizontalAdvance(words);
        const int lastStart = label->x() + metrics.horizontalAdvance(text.left(text.size() - 5));
        const int lastEnd = label->x() + metrics.horizontalAdvance(text);
        EXPECT_LT(wordsEnd, edit->x()) << text.toStdString();
        EXPECT_GT(lastStart, edit->geometry().right()) << text.toStdString();
        EXPECT_LT(lastEnd, box->x()) << text.toStdString();
        EXPECT_GE(label->font().pointSizeF(), 6);
        EXPECT_LE(label->font().pointSizeF(), 10);
    };
    check(dialog().findChild<QLabel*>("periodLabel"), edit("periodEdit"), box("periodCheck"),
          QStringLiteral("Обновлять каждые"));
    check(dialog().findChild<QLabel*>("minuteLabel"), edit("minuteEdit"), box("minuteCheck"),
          QStringLiteral("Обновлять в"));
}

// The check boxes arm their timers at once (a tick meanwhile refreshes);
// "Ok" keeps the period in the settings and sets the menu mark.
TEST_F(AutoRefreshTest, TheCheckBoxesArmTheTimersAndOkKeepsThem)
{
    openDialogAndOk([&] {
        edit("periodEdit")->setText("15");
        box("periodCheck")->click();
        EXPECT_TRUE(periodicTimer()->isActive());
        EXPECT_EQ(periodicTimer()->interval(), 900000);
        EXPECT_FALSE(edit("periodEdit")->isEnabled());
        EXPECT_FALSE(mark.isChecked()) << "the check boxes alone leave the menu mark";
        tick(periodicTimer());
        edit("minuteEdit")->setText("45");
        box("minuteCheck")->click();
        EXPECT_EQ(settings.hourlyMinute, 45) << "the minute is kept at once";
        EXPECT_TRUE(minuteTimer()->isActive());
        EXPECT_EQ(minuteTimer()->interval(), 60000);
        box("minuteCheck")->click();
        EXPECT_FALSE(minuteTimer()->isActive());
        EXPECT_TRUE(edit("minuteEdit")->isEnabled());
    });
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(settings.periodMinutes, 15);
    EXPECT_TRUE(settings.periodicEnabled);
    EXPECT_FALSE(settings.hourlyEnabled);
    EXPECT_EQ(settings.hourlyMinute, 45);
    EXPECT_TRUE(mark.isChecked());
    EXPECT_TRUE(messages.shown.empty());
}

// Periods and minutes the timers cannot run with: refused with the timer's
// message, the box unticked, the edit left open, nothing stored.
TEST_F(AutoRefreshTest, PeriodsAndMinutesTheTimersCannotRunWithAreRefused)
{
    settings.hourlyMinute = 33;
    for (const char* text : {"0", "00", "-5", "35792", "2147483647"}) {
        messages.shown.clear();
        edit("periodEdit")->setText(text);
        box("periodCheck")->click();
        EXPECT_EQ(messages.shown, std::vector<std::string>{"Таймер №1 незапущен!"}) << text;
        EXPECT_FALSE(box("periodCheck")->isChecked() || autoRefresh.periodicEnabled() || periodicTimer()->isActive()) << text;
        EXPECT_TRUE(edit("periodEdit")->isEnabled()) << text;
    }
    for (const char* text : {"0", "-1", "60", "2147483647"}) {
        messages.shown.clear();
        edit("minuteEdit")->setText(text);
        box("minuteCheck")->click();
        EXPECT_EQ(messages.shown, std::vector<std::string>{"Таймер №2 незапущен!"}) << text;
        EXPECT_FALSE(box("minuteCheck")->isChecked() || autoRefresh.hourlyEnabled() || minuteTimer()->isActive()) << text;
        EXPECT_EQ(settings.hourlyMinute, 33) << text;
    }
}

TEST_F(AutoRefreshTest, StartUpArmsFromTheSettings)
{
    const struct {
        std::int32_t time1;
        bool en1;
        bool en2;
        bool timer1Runs;
        bool checkMark;
    } cases[] = {
        {0, false, false, false, false},
        {10, true, false, true, true},
        {0, true, false, false, true},   // counts as on but never ticks
        {-3, true, false, false, true},  // likewise for a period out of range
        {10, false, true, false, true},
    };
    for (const auto& c : cases) {
        autoRefresh.disarm();
        mark.setChecked(false);
        settings.periodMinutes = c.time1;
        settings.periodicEnabled = c.en1;
        settings.hourlyEnabled = c.en2;
        autoRefresh.armAtStartup();
        const std::string label = std::to_string(c.time1) + (c.en1 ? " en1" : "") + (c.en2 ? " en2" : "");
        EXPECT_EQ(autoRefresh.periodicEnabled(), c.en1) << label;
        EXPECT_EQ(periodicTimer()->isActive(), c.timer1Runs) << label;
        EXPECT_EQ(autoRefresh.hourlyEnabled(), c.en2) << label;
        EXPECT_EQ(minuteTimer()->isActive(), c.en2) << label;
        EXPECT_EQ(mark.isChecked(), c.checkMark) << label;
        if (c.timer1Runs) {
            EXPECT_EQ(periodicTimer()->interval(), c.time1 * 60000) << label;
        }
    }
    autoRefresh.disarm();
    EXPECT_FALSE(periodicTimer()->isActive());
    EXPECT_FALSE(minuteTimer()->isActive());
}

TEST_F(AutoRefreshTest, OpeningTheDialogRearmsTimer1FromEdit1)
{
    settings.periodMinutes = 20;
    settings.periodicEnabled = true;
    openDialogAndOk([&] {
        EXPECT_TRUE(box("periodCheck")->isChecked());
        EXPECT_EQ(edit("periodEdit")->text(), QStringLiteral("20"));
        EXPECT_FALSE(edit("periodEdit")->isEnabled());
        EXPECT_TRUE(edit("minuteEdit")->isEnabled());
        EXPECT_EQ(edit("minuteEdit")->text(), QStringLiteral("33"));
        EXPECT_TRUE(periodicTimer()->isActive());
        EXPECT_EQ(periodicTimer()->interval(), 1200000);
    });
    EXPECT_EQ(settings.periodMinutes, 20);
    EXPECT_TRUE(settings.periodicEnabled);
    EXPECT_TRUE(mark.isChecked());
    EXPECT_EQ(modal.count, 1);
}

TEST_F(AutoRefreshTest, OpeningWithAPeriodOfZeroSwitchesTimer1Off)
{
    settings.periodMinutes = 0;
    settings.periodicEnabled = true;
    autoRefresh.armAtStartup();
    ASSERT_TRUE(mark.isChecked());
    openDialogAndOk([&] { EXPECT_FALSE(box("periodCheck")->isChecked()); });
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Таймер №1 незапущен!"});
    EXPECT_FALSE(settings.periodicEnabled);
    EXPECT_FALSE(autoRefresh.periodicEnabled());
    EXPECT_FALSE(mark.isChecked());
}

TEST_F(AutoRefreshTest, NonNumericPeriodIsReportedAndKeepsTheSettings)
{
    settings.periodMinutes = 7;
    const auto user = [&] {
        edit("periodEdit")->setText("abc");
        box("periodCheck")->click();
        EXPECT_EQ(messages.shown, std::vector<std::string>{"'abc' is not a valid integer value"});
        EXPECT_TRUE(box("periodCheck")->isChecked());
        EXPECT_FALSE(periodicTimer()->isActive());
        EXPECT_TRUE(edit("periodEdit")->isEnabled());
        edit("minuteEdit")->setText("12");
        box("minuteCheck")->click();
    };
    // Reading the period back after "Ok" fails too; the window reports that error.
    EXPECT_THROW(openDialogAndOk(user), ConversionError);
    EXPECT_EQ(settings.periodMinutes, 7);
    EXPECT_FALSE(settings.periodicEnabled);
    EXPECT_FALSE(settings.hourlyEnabled);
    // The timers keep what the check boxes gave them.
    EXPECT_TRUE(minuteTimer()->isActive());
    EXPECT_EQ(settings.hourlyMinute, 12);
}

TEST_F(AutoRefreshTest, MinuteTicksRefreshOnceInTheSetMinute)
{
    settings.hourlyMinute = 33;
    settings.hourlyEnabled = true;
    autoRefresh.armAtStartup();
    const struct {
        int minute;
        int refreshesAfter;
    } ticks[] = {{32, 0}, {33, 1}, {34, 1}, {35, 1}, {36, 1}, {33, 2}, {34, 2}};
    for (const auto& t : ticks) {
        clock.setMinute(t.minute);
        tick(minuteTimer());
        EXPECT_EQ(refreshes, t.refreshesAfter) << "minute " << t.minute;
    }
}

TEST_F(AutoRefreshTest, FailingRefreshIsReportedAndTheTimerStaysArmed)
{
    int attempts = 0;
    const auto fail = [&] {
        ++attempts;
        throw std::runtime_error("Ошибка при загрузке графиков!");
    };
    AutoRefresh failing(settings, messages, modal, clock, &mark, fail, nullptr, report);
    settings.periodMinutes = 5;
    settings.periodicEnabled = true;
    failing.armAtStartup();
    QTimer* timer = failing.findChild<QTimer*>("periodicTimer");
    tick(timer);
    tick(timer);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown.front(), "Ошибка при загрузке графиков!");
    EXPECT_TRUE(timer->isActive());
}

}  // namespace
}  // namespace tivka
