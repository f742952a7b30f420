#include "scheduling/gui/auto_refresh.h"

#include <QSignalBlocker>
#include <stdexcept>
#include <string>

#include "platform/conversions.h"
#include "scheduling/minute_rule.h"
#include "scheduling/timer_period.h"

namespace tivka {
namespace {

std::int32_t editValue(const QLineEdit& edit)
{
    return StrToInt(edit.text().toStdString());
}

// Sets the box and runs its handler only when the state changes, as a click
// would; the handler runs here, unguarded, so its errors reach the caller.
void setChecked(QCheckBox& box, bool checked, const std::function<void()>& handler)
{
    if (box.isChecked() == checked)
        return;
    {
        const QSignalBlocker blocker(box);
        box.setChecked(checked);
    }
    handler();
}

AutoRefresh::Guard requireGuard(AutoRefresh::Guard guard)
{
    if (!guard)
        throw std::invalid_argument("AutoRefresh needs an error report to run its handlers through");
    return guard;
}

}  // namespace

AutoRefresh::AutoRefresh(Settings& settings, std::int32_t& minuteFired, UserMessages& messages,
                         ModalRunner& modal, const Clock& clock, QAction* n7, std::function<void()> refresh,
                         QWidget* dialogParent, Guard guard)
    : settings_(settings), minuteFired_(minuteFired), messages_(messages), modal_(modal), clock_(clock), n7_(n7),
      refresh_(std::move(refresh)), guard_(requireGuard(std::move(guard))), form2_(new TForm2(dialogParent))
{
    timer2_.setInterval(kMinuteTimerIntervalMs);
    connect(form2_->CheckBox1, &QCheckBox::toggled, this, [this] { guard_([this] { CheckBox1Click(); }); });
    connect(form2_->CheckBox2, &QCheckBox::toggled, this, [this] { guard_([this] { CheckBox2Click(); }); });
    connect(form2_->Button1, &QPushButton::clicked, this, [this] { guard_([this] { Button1Click(); }); });
    connect(&timer1_, &QTimer::timeout, this, &AutoRefresh::timer1Tick);
    connect(&timer2_, &QTimer::timeout, this, &AutoRefresh::timer2Tick);
}

AutoRefresh::~AutoRefresh()
{
    delete form2_.data();
}

void AutoRefresh::armAtStartup()
{
    setTimer1Period(settings_.Time1);
    setTimer1Enabled(settings_.TimerEn1);
    setTimer2Enabled(settings_.TimerEn2);
    if (timer1Enabled_ || timer2Enabled_)
        n7_->setChecked(true);
}

void AutoRefresh::disarm()
{
    setTimer1Enabled(false);
    setTimer2Enabled(false);
}

void AutoRefresh::N7Click()
{
    setTimer1Period(settings_.Time1);
    form2_->Edit1->setText(QString::number(settings_.Time1));
    setTimer1Enabled(settings_.TimerEn1);
    setChecked(*form2_->CheckBox1, settings_.TimerEn1, [this] { CheckBox1Click(); });
    form2_->Edit1->setEnabled(!settings_.TimerEn1);

    form2_->Edit2->setText(QString::number(settings_.Time2));
    setTimer2Enabled(settings_.TimerEn2);
    setChecked(*form2_->CheckBox2, settings_.TimerEn2, [this] { CheckBox2Click(); });
    form2_->Edit2->setEnabled(!settings_.TimerEn2);

    modal_.exec(*form2_);

    const std::int32_t time1 = editValue(*form2_->Edit1);
    settings_.Time1 = time1;
    settings_.TimerEn1 = form2_->CheckBox1->isChecked();
    settings_.TimerEn2 = form2_->CheckBox2->isChecked();
}

void AutoRefresh::CheckBox1Click()
{
    setTimer1Enabled(false);
    form2_->Edit1->setEnabled(true);
    if (!form2_->CheckBox1->isChecked())
        return;
    const std::int32_t minutes = editValue(*form2_->Edit1);
    if (PeriodInterval(minutes)) {
        setTimer1Period(minutes);
        setTimer1Enabled(true);
        form2_->Edit1->setEnabled(false);
    } else {
        messages_.showMessage("Таймер №1 незапущен!");
        form2_->CheckBox1->setChecked(false);
    }
}

void AutoRefresh::CheckBox2Click()
{
    setTimer2Enabled(false);
    form2_->Edit2->setEnabled(true);
    if (!form2_->CheckBox2->isChecked())
        return;
    const std::int32_t minute = editValue(*form2_->Edit2);
    if (IsArmableMinute(minute)) {
        settings_.Time2 = minute;
        setTimer2Enabled(true);
        form2_->Edit2->setEnabled(false);
    } else {
        messages_.showMessage("Таймер №2 незапущен!");
        form2_->CheckBox2->setChecked(false);
    }
}

void AutoRefresh::Button1Click()
{
    n7_->setChecked(false);
    updateCheckMark();
    form2_->accept();
}

void AutoRefresh::Timer1Timer()
{
    refresh_();
}

void AutoRefresh::Timer2Timer()
{
    const MinuteRuleOutcome outcome = ApplyMinuteRule(clock_.currentMinute(), settings_.Time2, minuteFired_);
    minuteFired_ = outcome.minuteFired;
    if (outcome.fire)
        refresh_();
}

void AutoRefresh::timer1Tick()
{
    guard_([this] { Timer1Timer(); });
}

void AutoRefresh::timer2Tick()
{
    guard_([this] { Timer2Timer(); });
}

void AutoRefresh::setTimer1Period(std::int32_t minutes)
{
    timer1Interval_ = PeriodInterval(minutes);
    if (timer1Interval_)
        timer1_.setInterval(*timer1Interval_);
    setTimer1Enabled(timer1Enabled_);
}

void AutoRefresh::setTimer1Enabled(bool enabled)
{
    timer1Enabled_ = enabled;
    // A zero interval would make the timer fire continuously: a period the
    // timer cannot run with leaves it stopped while it still counts as on.
    if (enabled && timer1Interval_)
        timer1_.start();
    else
        timer1_.stop();
}

void AutoRefresh::setTimer2Enabled(bool enabled)
{
    timer2Enabled_ = enabled;
    if (enabled)
        timer2_.start();
    else
        timer2_.stop();
}

void AutoRefresh::updateCheckMark()
{
    if (timer1Enabled_ || timer2Enabled_)
        n7_->setChecked(true);
}

}  // namespace tivka
