#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/gui/modal_runner.h"
#include "platform/user_messages.h"
#include "scheduling/clock.h"
#include "scheduling/gui/auto_refresh_dialog.h"
#include "shell/settings.h"

namespace tivka {

// The two refresh timers and the "Автообновление" dialog.
//
// Timer1 refreshes every Time1 minutes, Timer2 ticks once a minute and
// refreshes by the minute rule at minute Time2. "Enabled" is the state the
// user set: Timer1 can be enabled with a period it cannot run with (0 from
// the settings file, negative, or too long for 32-bit milliseconds); it then
// counts as on (menu check mark) but never ticks.
//
// Handlers that Qt signals call (the check boxes, "Ok", the ticks) run
// through `guard`, the window's general error report, so that no exception
// escapes into Qt; `guard` must not be empty. N7Click is called by the window and lets its errors
// (a non-numeric Edit1 when the dialog closes) through to the caller.
class AutoRefresh final : public QObject {
    Q_OBJECT
public:
    using Guard = std::function<void(std::function<void()>)>;

    AutoRefresh(Settings& settings, std::int32_t& minuteFired, UserMessages& messages, ModalRunner& modal,
                const Clock& clock, QAction* n7, std::function<void()> refresh, QWidget* dialogParent,
                Guard guard);
    ~AutoRefresh() override;
    AutoRefresh(const AutoRefresh&) = delete;
    AutoRefresh& operator=(const AutoRefresh&) = delete;

    TForm2& form2() { return *form2_; }
    QTimer& timer1() { return timer1_; }
    QTimer& timer2() { return timer2_; }
    bool timer1Enabled() const { return timer1Enabled_; }
    bool timer2Enabled() const { return timer2Enabled_; }

    // Start-up: Timer1 from Time1 and TimerEn1, Timer2 from TimerEn2; the
    // menu entry is checked when either is enabled.
    void armAtStartup();
    // Both timers off (the menu check mark is left alone).
    void disarm();

    // Menu "Параметры" -> "Автообновление": prepares the dialog from the
    // settings, shows it through the modal runner (timers keep running) and
    // reads Time1, TimerEn1 and TimerEn2 back. Throws ConversionError when
    // Edit1 is not a whole number; the settings then keep their values.
    void N7Click();

    void CheckBox1Click();
    void CheckBox2Click();
    void Button1Click();  // "Ok" of the dialog
    void Timer1Timer();
    void Timer2Timer();

    // What a tick of each timer does, guarded, without waiting for it.
    void timer1Tick();
    void timer2Tick();

private:
    void setTimer1Period(std::int32_t minutes);
    void setTimer1Enabled(bool enabled);
    void setTimer2Enabled(bool enabled);
    void updateCheckMark();

    Settings& settings_;
    std::int32_t& minuteFired_;
    UserMessages& messages_;
    ModalRunner& modal_;
    const Clock& clock_;
    QAction* n7_;
    std::function<void()> refresh_;
    Guard guard_;
    // Owned here, but a child of the dialog parent: whichever goes first
    // takes it along, and the pointer then knows.
    QPointer<TForm2> form2_;
    QTimer timer1_;
    QTimer timer2_;
    std::optional<std::int32_t> timer1Interval_;
    bool timer1Enabled_ = false;
    bool timer2Enabled_ = false;
};

}  // namespace tivka
