#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QThread>
#include <cstdlib>

#include "window_fixture.h"

namespace tivka::test {
namespace {

// Needs an X server with a notification area (tests/shell/gui/with_tray.sh
// starts one); skipped on other displays, failed there when the tray is
// required but does not come up.
class RealTrayTest : public WindowTest {
protected:
    static bool trayComesUp()
    {
        if (QGuiApplication::platformName() == "offscreen")
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!QSystemTrayIcon::isSystemTrayAvailable() && waited.elapsed() < 5000) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        return QSystemTrayIcon::isSystemTrayAvailable();
    }

    template <typename Condition>
    static bool settlesTo(Condition condition)
    {
        QElapsedTimer waited;
        waited.start();
        while (!condition() && waited.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return condition();
    }
};

TEST_F(RealTrayTest, MinimisingHidesTheWindowAndADoubleClickOnTheIconBringsItBack)
{
    if (!trayComesUp()) {
        if (std::getenv("TIVKA_REQUIRE_TRAY"))
            FAIL() << "the notification area did not come up";
        GTEST_SKIP() << "this display has no notification area";
    }
    writeTemplate();
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    form.show();
    ASSERT_TRUE(settlesTo([&] { return trayIcon()->isVisible() && form.isVisible(); }));

    form.showMinimized();
    EXPECT_TRUE(settlesTo([&] { return !form.isVisible(); }));
    EXPECT_FALSE(form.state().windowShown);

    emit trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(settlesTo([&] { return form.isVisible() && !form.isMinimized(); }));
    EXPECT_TRUE(form.state().windowShown);
}

}  // namespace
}  // namespace tivka::test
