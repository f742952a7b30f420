#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/clock.h"
#include "platform/gui/modal_runner.h"
#include "platform/user_messages.h"
#include "scheduling/gui/auto_refresh_dialog.h"
#include "scheduling/minute_rule.h"
#include "scheduling/timer_settings.h"

namespace tivka {

// The two refresh timers and the "Автообновление" dialog.
//
// The periodic timer refreshes every periodMinutes minutes; the minute timer
// ticks once a minute and refreshes by the minute rule at hourlyMinute.
// "Enabled" is the state the user set: the periodic timer can be enabled with
// a period it cannot run with (0 from the settings file, negative, or too
// long for 32-bit milliseconds); it then counts as on (menu check mark) but
// never ticks.
//
// The dialog changes nothing until "Ok": then a ticked timer whose field it
// cannot run with is refused with "Таймер №1 незапущен!" / "Таймер №2
// незапущен!" and unticked, the dialog staying open; otherwise the dialog
// closes and the timers run as it says. "Отмена" drops every change.
//
// Handlers that Qt signals call ("Ok", the ticks) run through `guard`, the
// window's general error report, so that no exception escapes into Qt;
// `guard` must not be empty. The object is a child of `parent`; its timers
// are its children ("periodicTimer", "minuteTimer").
class AutoRefresh final : public QObject {
    Q_OBJECT
public:
    using Guard = std::function<void(std::function<void()>)>;

    AutoRefresh(TimerSettings& settings, UserMessages& messages, ModalRunner& modal, const Clock& clock,
                QAction* checkMark, std::function<void()> refresh, QWidget* parent, Guard guard);
    ~AutoRefresh() override;
    AutoRefresh(const AutoRefresh&) = delete;
    AutoRefresh& operator=(const AutoRefresh&) = delete;

    bool periodicEnabled() const { return periodicEnabled_; }
    bool hourlyEnabled() const { return hourlyEnabled_; }

    // Start-up: the periodic timer from periodMinutes and periodicEnabled, the
    // minute timer from hourlyEnabled; the menu entry is checked when either
    // is enabled.
    void armAtStartup();
    // Both timers off (the menu check mark is left alone).
    void disarm();

    // Menu "Параметры" -> "Автообновление": prepares the dialog from the
    // settings and the timers, shows it through the modal runner (timers keep
    // running) and, when it was accepted, takes the period, the minute and
    // both switches from it.
    void openDialog();

private:
    void okClicked();
    void apply();
    void periodicTick();
    void minuteTick();
    void setPeriod(std::int32_t minutes);
    void setPeriodicEnabled(bool enabled);
    void setHourlyEnabled(bool enabled);

    TimerSettings& settings_;
    UserMessages& messages_;
    ModalRunner& modal_;
    const Clock& clock_;
    QAction* checkMark_;
    std::function<void()> refresh_;
    Guard guard_;
    HourlyTrigger trigger_;
    // Owned here, but a child of the dialog parent: whichever goes first
    // takes it along, and the pointer then knows.
    QPointer<AutoRefreshDialog> dialog_;
    QTimer* periodicTimer_;
    QTimer* minuteTimer_;
    std::optional<std::int32_t> periodInterval_;
    bool periodicEnabled_ = false;
    bool hourlyEnabled_ = false;
};

}  // namespace tivka
