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

// The dialog opens on the timers as they run, its fields editable while
// ticked and taking digits only; nothing changes before "Ok" while the timers
// go on; "Отмена" and Escape drop every change; "Ok" arms what the dialog
// says, and the minute timer then refreshes once in the set minute.
TEST_F(AutoRefreshTest, OkAppliesWhatTheDialogSaysAndOnlyWhatTheTimersCanRunWith)
{
    settings = {15, true, 33, false};
    autoRefresh.armAtStartup();
    const auto timerSettings = [&] {
        return std::vector<int>{settings.periodMinutes, settings.periodicEnabled, settings.hourlyMinute,
                                settings.hourlyEnabled};
    };
    const auto change = [&] {
        EXPECT_TRUE(box("periodCheck")->isChecked() && edit("periodEdit")->isEnabled());
        edit("periodEdit")->selectAll();
        QTest::keyClicks(edit("periodEdit"), "2x0");
        EXPECT_EQ(edit("periodEdit")->text(), QStringLiteral("20"));
        edit("minuteEdit")->setText("45");
        box("minuteCheck")->click();
        EXPECT_EQ(periodicTimer()->interval(), 15 * 60000) << "nothing changes before Ok";
        EXPECT_FALSE(minuteTimer()->isActive());
    };
    EXPECT_EQ(openDialogAnd(change, "cancelButton"), QDialog::Rejected);
    modal.setNext([&](QDialog&) {
        change();
        QTest::keyClick(&dialog(), Qt::Key_Escape);
        return dialog().result();
    });
    autoRefresh.openDialog();
    EXPECT_EQ(timerSettings(), (std::vector<int>{15, 1, 33, 0}));

    const int result = openDialogAnd([&] {
        change();
        tick(periodicTimer());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(refreshes, 1) << "the tick while the dialog was open";
    EXPECT_EQ(timerSettings(), (std::vector<int>{20, 1, 45, 1}));
    EXPECT_EQ(periodicTimer()->interval(), 20 * 60000);
    EXPECT_TRUE(periodicTimer()->isActive() && minuteTimer()->isActive());
    EXPECT_TRUE(mark.isChecked());
    EXPECT_TRUE(messages.shown.empty());
    // The minute rule's own table holds its edge cases.
    const struct {
        int minute;
        int refreshesAfter;
    } ticks[] = {{44, 1}, {45, 2}, {46, 2}, {47, 2}, {45, 3}};
    for (const auto& t : ticks) {
        clock.setMinute(t.minute);
        tick(minuteTimer());
        EXPECT_EQ(refreshes, t.refreshesAfter) << "minute " << t.minute;
    }

    // Periods and minutes the timers cannot run with (which ones is the timer
    // rules' own table): "Ok" refuses them with the timer's message and
    // unticks the box, the dialog stays open; the next "Ok" closes it with
    // both timers off, the period kept as typed but the minute not taken.
    int staysOpen = -1;
    const int closed = openDialogAnd([&] {
        edit("periodEdit")->setText("35792");
        edit("minuteEdit")->setText("60");
        dialog().findChild<QPushButton*>("okButton")->click();
        staysOpen = dialog().result();
        EXPECT_FALSE(box("periodCheck")->isChecked() || box("minuteCheck")->isChecked());
    });
    EXPECT_EQ(staysOpen, QDialog::Rejected) << "the refusing Ok does not close the dialog";
    EXPECT_EQ(closed, QDialog::Accepted);
    EXPECT_EQ(messages.shown, (std::vector<std::string>{"Таймер №1 незапущен!", "Таймер №2 незапущен!"}));
    EXPECT_FALSE(periodicTimer()->isActive() || minuteTimer()->isActive());
    EXPECT_EQ(timerSettings(), (std::vector<int>{35792, 0, 45, 0}));
    EXPECT_FALSE(mark.isChecked());
}

}  // namespace
}  // namespace tivka
