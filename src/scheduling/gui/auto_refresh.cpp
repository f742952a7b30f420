#include "scheduling/gui/auto_refresh.h"

#include <QSignalBlocker>
#include <stdexcept>
#include <string>

#include "platform/conversions.h"
#include "scheduling/timer_period.h"

namespace tivka {
namespace {

std::int32_t editValue(const QLineEdit& edit)
{
    return ParseInteger(edit.text().toStdString());
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

QTimer* namedTimer(QObject* parent, const char* name)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(name);
    return timer;
}

}  // namespace

AutoRefresh::AutoRefresh(TimerSettings& settings, UserMessages& messages, ModalRunner& modal, const Clock& clock,
                         QAction* checkMark, std::function<void()> refresh, QWidget* parent, Guard guard)
    : QObject(parent), settings_(settings), messages_(messages), modal_(modal), clock_(clock),
      checkMark_(checkMark), refresh_(std::move(refresh)), guard_(requireGuard(std::move(guard))),
      dialog_(new AutoRefreshDialog(parent)), periodicTimer_(namedTimer(this, "periodicTimer")),
      minuteTimer_(namedTimer(this, "minuteTimer"))
{
    minuteTimer_->setInterval(kMinuteTimerIntervalMs);
    connect(dialog_->periodCheck(), &QCheckBox::toggled, this, [this] { guard_([this] { periodicCheckChanged(); }); });
    connect(dialog_->minuteCheck(), &QCheckBox::toggled, this, [this] { guard_([this] { hourlyCheckChanged(); }); });
    connect(dialog_->okButton(), &QPushButton::clicked, dialog_.data(), &QDialog::accept);
    connect(periodicTimer_, &QTimer::timeout, this, [this] { guard_([this] { periodicTick(); }); });
    connect(minuteTimer_, &QTimer::timeout, this, [this] { guard_([this] { minuteTick(); }); });
}

AutoRefresh::~AutoRefresh()
{
    delete dialog_.data();
}

void AutoRefresh::armAtStartup()
{
    setPeriod(settings_.periodMinutes);
    setPeriodicEnabled(settings_.periodicEnabled);
    setHourlyEnabled(settings_.hourlyEnabled);
    if (periodicEnabled_ || hourlyEnabled_)
        checkMark_->setChecked(true);
}

void AutoRefresh::disarm()
{
    setPeriodicEnabled(false);
    setHourlyEnabled(false);
}

void AutoRefresh::openDialog()
{
    // The menu entry's mark shows whether a timer is on, however the dialog
    // closes: Qt flips it on the click that opens the dialog.
    struct MarkFollowsTimers {
        AutoRefresh& refresh;
        ~MarkFollowsTimers() { refresh.checkMark_->setChecked(refresh.periodicEnabled_ || refresh.hourlyEnabled_); }
    } mark{*this};
    checkMark_->setChecked(periodicEnabled_ || hourlyEnabled_);
    AutoRefreshDialog& dialog = *dialog_;
    setPeriod(settings_.periodMinutes);
    dialog.periodEdit()->setText(QString::number(settings_.periodMinutes));
    setPeriodicEnabled(settings_.periodicEnabled);
    setChecked(*dialog.periodCheck(), settings_.periodicEnabled, [this] { periodicCheckChanged(); });
    dialog.periodEdit()->setEnabled(!settings_.periodicEnabled);

    dialog.minuteEdit()->setText(QString::number(settings_.hourlyMinute));
    setHourlyEnabled(settings_.hourlyEnabled);
    setChecked(*dialog.minuteCheck(), settings_.hourlyEnabled, [this] { hourlyCheckChanged(); });
    dialog.minuteEdit()->setEnabled(!settings_.hourlyEnabled);

    modal_.exec(dialog);

    const std::int32_t period = editValue(*dialog.periodEdit());
    settings_.periodMinutes = period;
    settings_.periodicEnabled = dialog.periodCheck()->isChecked();
    settings_.hourlyEnabled = dialog.minuteCheck()->isChecked();
}

void AutoRefresh::periodicCheckChanged()
{
    setPeriodicEnabled(false);
    dialog_->periodEdit()->setEnabled(true);
    if (!dialog_->periodCheck()->isChecked())
        return;
    const std::int32_t minutes = editValue(*dialog_->periodEdit());
    if (PeriodInterval(minutes)) {
        setPeriod(minutes);
        setPeriodicEnabled(true);
        dialog_->periodEdit()->setEnabled(false);
    } else {
        messages_.showMessage("Таймер №1 незапущен!");
        dialog_->periodCheck()->setChecked(false);
    }
}

void AutoRefresh::hourlyCheckChanged()
{
    setHourlyEnabled(false);
    dialog_->minuteEdit()->setEnabled(true);
    if (!dialog_->minuteCheck()->isChecked())
        return;
    const std::int32_t minute = editValue(*dialog_->minuteEdit());
    if (IsArmableMinute(minute)) {
        settings_.hourlyMinute = minute;
        setHourlyEnabled(true);
        dialog_->minuteEdit()->setEnabled(false);
    } else {
        messages_.showMessage("Таймер №2 незапущен!");
        dialog_->minuteCheck()->setChecked(false);
    }
}

void AutoRefresh::periodicTick()
{
    refresh_();
}

void AutoRefresh::minuteTick()
{
    if (trigger_.tick(clock_.currentMinute(), settings_.hourlyMinute))
        refresh_();
}

void AutoRefresh::setPeriod(std::int32_t minutes)
{
    periodInterval_ = PeriodInterval(minutes);
    if (periodInterval_)
        periodicTimer_->setInterval(*periodInterval_);
}

void AutoRefresh::setPeriodicEnabled(bool enabled)
{
    periodicEnabled_ = enabled;
    // A zero interval would make the timer fire continuously: a period the
    // timer cannot run with leaves it stopped while it still counts as on.
    if (enabled && periodInterval_)
        periodicTimer_->start();
    else
        periodicTimer_->stop();
}

void AutoRefresh::setHourlyEnabled(bool enabled)
{
    hourlyEnabled_ = enabled;
    if (enabled)
        minuteTimer_->start();
    else
        minuteTimer_->stop();
}

}  // namespace tivka
