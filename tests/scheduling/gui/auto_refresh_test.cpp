#include "scheduling/gui/auto_refresh.h"

#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

    // Opens the dialog; `user` acts on it, then `button` is clicked. Returns
    // how the dialog ended.
    int openDialogAnd(const std::function<void()>& user, const char* button = "okButton")
    {
        int result = -1;
        modal.setNext([&, user](QDialog&) {
            user();
            dialog().findChild<QPushButton*>(button)->click();
            return result = dialog().result();
        });
        autoRefresh.openDialog();
        return result;
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

// The fields stay open while their boxes are ticked; nothing changes before
// "Ok", and "Ok" arms what the dialog says.
TEST_F(AutoRefreshTest, FieldsAreEditedWhileTickedAndOkAppliesThem)
{
    settings = {15, true, 33, false};
    autoRefresh.armAtStartup();
    const int result = openDialogAnd([&] {
        EXPECT_TRUE(box("periodCheck")->isChecked());
        EXPECT_TRUE(edit("periodEdit")->isEnabled()) << "editable while ticked";
        edit("periodEdit")->setText("20");
        edit("minuteEdit")->setText("45");
        box("minuteCheck")->click();
        EXPECT_EQ(periodicTimer()->interval(), 15 * 60000) << "nothing changes before Ok";
        EXPECT_FALSE(minuteTimer()->isActive());
        tick(periodicTimer());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(periodicTimer()->interval(), 20 * 60000);
    EXPECT_TRUE(periodicTimer()->isActive() && minuteTimer()->isActive());
    EXPECT_EQ(minuteTimer()->interval(), 60000);
    EXPECT_EQ((std::vector<int>{settings.periodMinutes, settings.periodicEnabled, settings.hourlyMinute,
                                settings.hourlyEnabled}),
              (std::vector<int>{20, 1, 45, 1}));
    EXPECT_TRUE(mark.isChecked());
    EXPECT_TRUE(messages.shown.empty());
}

// "Отмена" and Escape drop every change; a field takes digits only.
TEST_F(AutoRefreshTest, CancelDropsTheChangesAndFieldsTakeDigitsOnly)
{
    settings = {15, true, 33, false};
    autoRefresh.armAtStartup();
    const auto change = [&] {
        edit("periodEdit")->selectAll();
        QTest::keyClicks(edit("periodEdit"), "4x0");
        EXPECT_EQ(edit("periodEdit")->text(), QStringLiteral("40"));
        box("periodCheck")->click();
        edit("minuteEdit")->setText("45");
        box("minuteCheck")->click();
    };
    EXPECT_EQ(openDialogAnd(change, "cancelButton"), QDialog::Rejected);
    modal.setNext([&](QDialog&) {
        change();
        QTest::keyClick(&dialog(), Qt::Key_Escape);
        return dialog().result();
    });
    autoRefresh.openDialog();
    EXPECT_EQ((std::vector<int>{settings.periodMinutes, settings.periodicEnabled, settings.hourlyMinute,
                                settings.hourlyEnabled}),
              (std::vector<int>{15, 1, 33, 0}));
    EXPECT_TRUE(periodicTimer()->isActive());
    EXPECT_EQ(periodicTimer()->interval(), 15 * 60000);
    EXPECT_FALSE(minuteTimer()->isActive());
    EXPECT_TRUE(messages.shown.empty());
}

// Periods and minutes the timers cannot run with (which ones is the timer
// rules' own table): "Ok" refuses them with the timer's message and unticks
// the box, the dialog stays open; the next "Ok" closes it with that timer
// off and its value not taken.
TEST_F(AutoRefreshTest, PeriodsAndMinutesTheTimersCannotRunWithAreRefused)
{
    settings.hourlyMinute = 33;
    int staysOpen = -1;
    const int result = openDialogAnd([&] {
        edit("periodEdit")->setText("35792");
        box("periodCheck")->click();
        edit("minuteEdit")->setText("60");
        box("minuteCheck")->click();
        dialog().findChild<QPushButton*>("okButton")->click();
        staysOpen = dialog().result();
        EXPECT_FALSE(box("periodCheck")->isChecked() || box("minuteCheck")->isChecked());
    });
    EXPECT_EQ(staysOpen, QDialog::Rejected) << "the refusing Ok does not close the dialog";
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(messages.shown, (std::vector<std::string>{"Таймер №1 незапущен!", "Таймер №2 незапущен!"}));
    EXPECT_FALSE(autoRefresh.periodicEnabled() || periodicTimer()->isActive());
    EXPECT_FALSE(autoRefresh.hourlyEnabled() || minuteTimer()->isActive());
    EXPECT_EQ(settings.hourlyMinute, 33);
    EXPECT_FALSE(mark.isChecked());
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
