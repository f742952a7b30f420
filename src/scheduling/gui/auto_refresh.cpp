#include "scheduling/gui/auto_refresh.h"

#include <stdexcept>
#include <string>

#include "platform/conversions.h"
#include "scheduling/timer_period.h"

namespace tivka {
namespace {

// The number in a field, or nothing for an empty one (the fields take digits
// only).
std::optional<std::int32_t> editValue(const QLineEdit& edit)
{
    std::int32_t value = 0;
    if (!TryParseInteger(edit.text().toStdString(), value))
        return std::nullopt;
    return value;
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
    connect(dialog_->okButton(), &QPushButton::clicked, this, [this] { guard_([this] { okClicked(); }); });
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
    dialog.periodEdit()->setText(QString::number(settings_.periodMinutes));
    dialog.periodCheck()->setChecked(periodicEnabled_);
    dialog.minuteEdit()->setText(QString::number(settings_.hourlyMinute));
    dialog.minuteCheck()->setChecked(hourlyEnabled_);
    dialog.setResult(QDialog::Rejected);
    if (modal_.exec(dialog) == QDialog::Accepted)
        apply();
}

// A ticked timer that cannot run with its field is refused with its message
// and unticked; the dialog then stays open for the user to see and mend it.
void AutoRefresh::okClicked()
{
    AutoRefreshDialog& dialog = *dialog_;
    bool refused = false;
    if (dialog.periodCheck()->isChecked()) {
        const std::optional<std::int32_t> period = editValue(*dialog.periodEdit());
        if (!period || !PeriodInterval(*period)) {
            messages_.showMessage("Таймер №1 незапущен!");
            dialog.periodCheck()->setChecked(false);
            refused = true;
        }
    }
    if (dialog.minuteCheck()->isChecked()) {
        const std::optional<std::int32_t> minute = editValue(*dialog.minuteEdit());
        if (!minute || !IsArmableMinute(*minute)) {
            messages_.showMessage("Таймер №2 незапущен!");
            dialog.minuteCheck()->setChecked(false);
            refused = true;
        }
    }
    if (!refused)
        dialog.accept();
}

// What the dialog holds once accepted: a period that is a number is kept
// (ticked or not), a minute the hourly timer can run with too; an empty
// field keeps the value before.
void AutoRefresh::apply()
{
    const AutoRefreshDialog& dialog = *dialog_;
    if (const std::optional<std::int32_t> period = editValue(*dialog.periodEdit()))
        settings_.periodMinutes = *period;
    if (const std::optional<std::int32_t> minute = editValue(*dialog.minuteEdit()); minute && IsArmableMinute(*minute))
        settings_.hourlyMinute = *minute;
    settings_.periodicEnabled = dialog.periodCheck()->isChecked();
    settings_.hourlyEnabled = dialog.minuteCheck()->isChecked();
    setPeriod(settings_.periodMinutes);
    setPeriodicEnabled(settings_.periodicEnabled);
    setHourlyEnabled(settings_.hourlyEnabled);
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
