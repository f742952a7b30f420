#include "scheduling/gui/auto_refresh.h"

#include <gtest/gtest.h>

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

TEST_F(AutoRefreshTest, TheCheckBoxesArmTheTimersAndOkKeepsThem)
{
    openDialogAndOk([&] {
        edit("periodEdit")->setText("15");
        box("periodCheck")->click();
        EXPECT_TRUE(periodicTimer()->isActive());
        EXPECT_EQ(periodicTimer()->interval(), 900000);
        EXPECT_FALSE(mark.isChecked()) << "the check boxes alone leave the menu mark";
        tick(periodicTimer());
        edit("minuteEdit")->setText("45");
        box("minuteCheck")->click();
        EXPECT_EQ(settings.hourlyMinute, 45) << "the minute is kept at once";
        EXPECT_TRUE(minuteTimer()->isActive());
        EXPECT_EQ(minuteTimer()->interval(), 60000);
        box("minuteCheck")->click();
        EXPECT_FALSE(minuteTimer()->isActive());
    });
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(settings.periodMinutes, 15);
    EXPECT_TRUE(settings.periodicEnabled);
    EXPECT_FALSE(settings.hourlyEnabled);
    EXPECT_TRUE(mark.isChecked());
    EXPECT_TRUE(messages.shown.empty());
}

// Periods and minutes the timers cannot run with (which ones is the timer
// rules' own table): refused with the timer's message, the box unticked, the
// edit left open, nothing stored.
TEST_F(AutoRefreshTest, PeriodsAndMinutesTheTimersCannotRunWithAreRefused)
{
    settings.hourlyMinute = 33;
    edit("periodEdit")->setText("35792");
    box("periodCheck")->click();
    edit("minuteEdit")->setText("60");
    box("minuteCheck")->click();
    EXPECT_EQ(messages.shown, (std::vector<std::string>{"Таймер №1 незапущен!", "Таймер №2 незапущен!"}));
    EXPECT_FALSE(box("periodCheck")->isChecked() || autoRefresh.periodicEnabled() || periodicTimer()->isActive());
    EXPECT_FALSE(box("minuteCheck")->isChecked() || autoRefresh.hourlyEnabled() || minuteTimer()->isActive());
    EXPECT_TRUE(edit("periodEdit")->isEnabled() && edit("minuteEdit")->isEnabled());
    EXPECT_EQ(settings.hourlyMinute, 33);
}

TEST_F(AutoRefreshTest, NonNumericPeriodIsReportedAndKeepsTheSettings)
{
    settings.periodMinutes = 7;
    const auto user = [&] {
        edit("periodEdit")->setText("abc");
        box("periodCheck")->click();
        EXPECT_EQ(messages.shown, std::vector<std::string>{"'abc' is not a valid integer value"});
        EXPECT_FALSE(periodicTimer()->isActive());
    };
    // Reading the period back after "Ok" fails too; the window reports that error.
    EXPECT_THROW(openDialogAndOk(user), ConversionError);
    EXPECT_EQ(settings.periodMinutes, 7);
    EXPECT_FALSE(settings.periodicEnabled);
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

}  // namespace
}  // namespace tivka
