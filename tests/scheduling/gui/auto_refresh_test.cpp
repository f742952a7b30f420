#include "scheduling/gui/auto_refresh.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/conversions.h"

#include "support/recorded_messages.h"

namespace tivka {
namespace {

class AutoRefreshTest : public ::testing::Test {
protected:
    AutoRefreshTest() { n7.setCheckable(true); }

    // The window's general error report: the error's own message, shown.
    AutoRefresh::Guard report = [this](std::function<void()> handler) {
        try {
            handler();
        } catch (const std::exception& error) {
            messages.showMessage(error.what());
        }
    };

    // Opens the dialog; `user` acts on it, then "Ok" is clicked.
    void openDialogAndOk(const std::function<void(TForm2&)>& user)
    {
        modal.setNext([&, user](QDialog&) {
            user(autoRefresh.form2());
            autoRefresh.form2().Button1->click();
            return autoRefresh.form2().result();
        });
        autoRefresh.N7Click();
    }

    Settings settings;
    std::int32_t minuteFired = 0;
    test::RecordedMessages messages;
    ScriptedModalRunner modal;
    ManualClock clock;
    QAction n7{QStringLiteral("Автообновление")};
    int refreshes = 0;
    AutoRefresh autoRefresh{settings, minuteFired, messages, modal, clock, &n7, [this] { ++refreshes; }, nullptr, report};
};

TEST_F(AutoRefreshTest, DialogTextsAndStartValues)
{
    TForm2& form = autoRefresh.form2();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Автообновление"));
    EXPECT_FALSE(form.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Обновлять каждые                    минут"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Обновлять в                     минут"));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("00"));
    EXPECT_EQ(form.Edit2->text(), QStringLiteral("00"));
    EXPECT_FALSE(form.CheckBox1->isChecked() || form.CheckBox2->isChecked());
}

// Each line's words must stand clear of the edit field laid over its blanks
// and of the check box, whatever the toolkit's font.
TEST_F(AutoRefreshTest, LineWordsStandClearOfTheEditAndTheCheckBox)
{
    TForm2& form = autoRefresh.form2();
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
    check(form.Label1, form.Edit1, form.CheckBox1, QStringLiteral("Обновлять каждые"));
    check(form.Label2, form.Edit2, form.CheckBox2, QStringLiteral("Обновлять в"));
}

TEST_F(AutoRefreshTest, PeriodArmsTimer1AndOkKeepsItInTheSettings)
{
    openDialogAndOk([&](TForm2& form) {
        form.Edit1->setText("15");
        form.CheckBox1->click();
        EXPECT_TRUE(autoRefresh.timer1().isActive());
        EXPECT_EQ(autoRefresh.timer1().interval(), 900000);
        EXPECT_FALSE(form.Edit1->isEnabled());
        EXPECT_FALSE(n7.isChecked()) << "the check boxes alone leave the menu mark";
    });
    EXPECT_EQ(settings.Time1, 15);
    EXPECT_TRUE(settings.TimerEn1);
    EXPECT_FALSE(settings.TimerEn2);
    EXPECT_TRUE(n7.isChecked());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AutoRefreshTest, MinuteArmsTimer2AndSetsTime2AtOnce)
{
    TForm2& form = autoRefresh.form2();
    form.Edit2->setText("45");
    form.CheckBox2->click();
    EXPECT_EQ(settings.Time2, 45);
    EXPECT_TRUE(autoRefresh.timer2Enabled());
    EXPECT_TRUE(autoRefresh.timer2().isActive());
    EXPECT_EQ(autoRefresh.timer2().interval(), 60000);
    EXPECT_FALSE(form.Edit2->isEnabled());

    form.CheckBox2->click();
    EXPECT_FALSE(autoRefresh.timer2().isActive());
    EXPECT_TRUE(form.Edit2->isEnabled());
    EXPECT_EQ(settings.Time2, 45);
}

// Periods and minutes the timers cannot run with: refused with the timer's
// message, the box unticked, the edit left open, nothing stored.
TEST_F(AutoRefreshTest, PeriodsAndMinutesTheTimersCannotRunWithAreRefused)
{
    TForm2& form = autoRefresh.form2();
    settings.Time2 = 33;
    for (const char* text : {"0", "00", "-5", "35792", "2147483647"}) {
        messages.shown.clear();
        form.Edit1->setText(text);
        form.CheckBox1->click();
        EXPECT_EQ(messages.shown, std::vector<std::string>{"Таймер №1 незапущен!"}) << text;
        EXPECT_FALSE(form.CheckBox1->isChecked() || autoRefresh.timer1Enabled() || autoRefresh.timer1().isActive()) << text;
        EXPECT_TRUE(form.Edit1->isEnabled()) << text;
    }
    for (const char* text : {"0", "-1", "60", "2147483647"}) {
        messages.shown.clear();
        form.Edit2->setText(text);
        form.CheckBox2->click();
        EXPECT_EQ(messages.shown, std::vector<std::string>{"Таймер №2 незапущен!"}) << text;
        EXPECT_FALSE(form.CheckBox2->isChecked() || autoRefresh.timer2Enabled() || autoRefresh.timer2().isActive()) << text;
        EXPECT_EQ(settings.Time2, 33) << text;
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
        n7.setChecked(false);
        settings.Time1 = c.time1;
        settings.TimerEn1 = c.en1;
        settings.TimerEn2 = c.en2;
        autoRefresh.armAtStartup();
        const std::string label = std::to_string(c.time1) + (c.en1 ? " en1" : "") + (c.en2 ? " en2" : "");
        EXPECT_EQ(autoRefresh.timer1Enabled(), c.en1) << label;
        EXPECT_EQ(autoRefresh.timer1().isActive(), c.timer1Runs) << label;
        EXPECT_EQ(autoRefresh.timer2Enabled(), c.en2) << label;
        EXPECT_EQ(autoRefresh.timer2().isActive(), c.en2) << label;
        EXPECT_EQ(n7.isChecked(), c.checkMark) << label;
        if (c.timer1Runs) {
            EXPECT_EQ(autoRefresh.timer1().interval(), c.time1 * 60000) << label;
        }
    }
    autoRefresh.disarm();
    EXPECT_FALSE(autoRefresh.timer1().isActive());
    EXPECT_FALSE(autoRefresh.timer2().isActive());
}

TEST_F(AutoRefreshTest, OpeningTheDialogRearmsTimer1FromEdit1)
{
    settings.Time1 = 20;
    settings.TimerEn1 = true;
    openDialogAndOk([&](TForm2& form) {
        EXPECT_TRUE(form.CheckBox1->isChecked());
        EXPECT_EQ(form.Edit1->text(), QStringLiteral("20"));
        EXPECT_FALSE(form.Edit1->isEnabled());
        EXPECT_TRUE(form.Edit2->isEnabled());
        EXPECT_EQ(form.Edit2->text(), QStringLiteral("33"));
        EXPECT_TRUE(autoRefresh.timer1().isActive());
        EXPECT_EQ(autoRefresh.timer1().interval(), 1200000);
    });
    EXPECT_EQ(settings.Time1, 20);
    EXPECT_TRUE(settings.TimerEn1);
    EXPECT_TRUE(n7.isChecked());
    EXPECT_EQ(modal.count, 1);
}

TEST_F(AutoRefreshTest, OpeningWithAPeriodOfZeroSwitchesTimer1Off)
{
    settings.Time1 = 0;
    settings.TimerEn1 = true;
    autoRefresh.armAtStartup();
    ASSERT_TRUE(n7.isChecked());
    openDialogAndOk([&](TForm2& form) { EXPECT_FALSE(form.CheckBox1->isChecked()); });
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Таймер №1 незапущен!"});
    EXPECT_FALSE(settings.TimerEn1);
    EXPECT_FALSE(autoRefresh.timer1Enabled());
    EXPECT_FALSE(n7.isChecked());
}

TEST_F(AutoRefreshTest, OkRemovesTheCheckMarkWhenBothTimersAreOff)
{
    settings.TimerEn2 = true;
    autoRefresh.armAtStartup();
    ASSERT_TRUE(n7.isChecked());
    openDialogAndOk([&](TForm2& form) { form.CheckBox2->click(); });
    EXPECT_FALSE(settings.TimerEn2);
    EXPECT_FALSE(autoRefresh.timer2().isActive());
    EXPECT_FALSE(n7.isChecked());
}

TEST_F(AutoRefreshTest, NonNumericPeriodIsReportedAndKeepsTheSettings)
{
    settings.Time1 = 7;
    const auto user = [&](TForm2& form) {
        form.Edit1->setText("abc");
        form.CheckBox1->click();
        EXPECT_EQ(messages.shown, std::vector<std::string>{"'abc' is not a valid integer value"});
        EXPECT_TRUE(form.CheckBox1->isChecked());
        EXPECT_FALSE(autoRefresh.timer1().isActive());
        EXPECT_TRUE(form.Edit1->isEnabled());
        form.Edit2->setText("12");
        form.CheckBox2->click();
    };
    // Reading Edit1 back after "Ok" fails too; the window reports that error.
    EXPECT_THROW(openDialogAndOk(user), ConversionError);
    EXPECT_EQ(settings.Time1, 7);
    EXPECT_FALSE(settings.TimerEn1);
    EXPECT_FALSE(settings.TimerEn2);
    // The timers keep what the check boxes gave them.
    EXPECT_TRUE(autoRefresh.timer2().isActive());
    EXPECT_EQ(settings.Time2, 12);
}

TEST_F(AutoRefreshTest, EscapeDoesNotCloseTheDialog)
{
    TForm2& form = autoRefresh.form2();
    form.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &escape);
    EXPECT_TRUE(form.isVisible());
    form.Button1->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(AutoRefreshTest, MinuteTicksRefreshOnceInTheSetMinute)
{
    settings.Time2 = 33;
    settings.TimerEn2 = true;
    autoRefresh.armAtStartup();
    const struct {
        int minute;
        int refreshesAfter;
        std::int32_t minuteFiredAfter;
    } ticks[] = {{32, 0, 0}, {33, 1, 1}, {34, 1, 1}, {35, 1, 0}, {36, 1, 0}};
    for (const auto& tick : ticks) {
        clock.minute = tick.minute;
        autoRefresh.timer2Tick();
        EXPECT_EQ(refreshes, tick.refreshesAfter) << "minute " << tick.minute;
        EXPECT_EQ(minuteFired, tick.minuteFiredAfter) << "minute " << tick.minute;
    }
}

TEST_F(AutoRefreshTest, FailingRefreshIsReportedAndTheTimerStaysArmed)
{
    int attempts = 0;
    const auto fail = [&] {
        ++attempts;
        throw std::runtime_error("Ошибка при загрузке графиков!");
    };
    AutoRefresh failing(settings, minuteFired, messages, modal, clock, &n7, fail, nullptr, report);
    settings.Time1 = 5;
    settings.TimerEn1 = true;
    failing.armAtStartup();
    failing.timer1Tick();
    failing.timer1Tick();
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown.front(), "Ошибка при загрузке графиков!");
    EXPECT_TRUE(failing.timer1().isActive());
}

TEST_F(AutoRefreshTest, TicksWhileTheDialogIsOpenStillRefresh)
{
    settings.Time1 = 5;
    settings.TimerEn1 = true;
    autoRefresh.armAtStartup();
    openDialogAndOk([&](TForm2&) {
        EXPECT_TRUE(autoRefresh.timer1().isActive());
        autoRefresh.timer1Tick();
    });
    EXPECT_EQ(refreshes, 1);
}

TEST(AutoRefreshLifetime, DialogParentMayGoFirst)
{
    Settings settings;
    std::int32_t minuteFired = 0;
    test::RecordedMessages messages;
    ScriptedModalRunner modal;
    ManualClock clock;
    QAction n7;
    auto parent = std::make_unique<QWidget>();
    AutoRefresh autoRefresh(settings, minuteFired, messages, modal, clock, &n7, [] {}, parent.get(),
                            [](std::function<void()> handler) { handler(); });
    EXPECT_EQ(autoRefresh.form2().parentWidget(), parent.get());
    parent.reset();  // takes the dialog along; the destructor must not delete it again
}

}  // namespace
}  // namespace tivka
