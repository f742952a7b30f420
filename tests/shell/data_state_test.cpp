#include "shell/data_state.h"

#include <functional>

#include "shell/failure_text.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

// What the line under the window says after a sequence of events.
TEST(DataState, TheLineTellsWhatTheTraderMustKnowAboutTheDataShown)
{
    const LocalTime at1220{12, 20};
    const LocalTime at1240{12, 40};
    using What = ChartFailure::What;
    const ChartFailures eurFailed = {{What::NotAPicture, "EUR/USD", ChartKind::Positions, "not a PNG", "U", "MTp.png"},
                                     {What::NotANumber, "EUR/USD", ChartKind::Orders, "cut", "", ""}};
    const ChartFailures stalled = {{What::Unreachable, "USD/JPY", ChartKind::Orders, "stalled", "S", ""}};
    const struct {
        const char* what;
        std::function<void(DataState&)> events;
        std::string line;
        std::string details = {};  // when not the line itself
    } cases[] = {
        {"all well", [&](DataState& s) { s.chartsShown(at1220, "GBP/USD"), s.pairChosen("GBP/USD"); }, ""},
        {"never shown", [&](DataState& s) { s.chartsFailed(at1240, {"A", "B"}); },
         "Нет данных, ошибка в 12:40: A; B", "Нет данных, ошибка в 12:40:\nA\nB"},
        {"stale", [&](DataState& s) { s.chartsShown(at1220, "GBP/USD"), s.chartsFailed(at1240, {"on.png: not a PNG"}); },
         "Данные от 12:20, ошибка в 12:40: on.png: not a PNG", "Данные от 12:20, ошибка в 12:40:\non.png: not a PNG"},
        {"another pair chosen", [&](DataState& s) { s.chartsShown(at1220, "GBP/USD"), s.pairChosen("EUR/JPY"); },
         "На графиках GBP/USD от 12:20"},
        {"another pair failed",
         [&](DataState& s) { s.chartsShown(at1220, "GBP/USD"), s.pairChosen("XYZ"), s.chartsFailed(at1240, {"x"}); },
         "Данные GBP/USD от 12:20, ошибка в 12:40: x", "Данные GBP/USD от 12:20, ошибка в 12:40:\nx"},
        {"cancelled", [&](DataState& s) { s.chartsShown(at1220, "GBP/USD"), s.chartsFailed(at1220, {"x"}), s.cancelled(at1240); },
         "Данные от 12:20, обновление прервано в 12:40"},
        {"mended", [&](DataState& s) { s.chartsFailed(at1220, {"x"}), s.chartsShown(at1240, "GBP/USD"); }, ""},
        {"a new refresh keeps the failure until it ends",
         [&](DataState& s) { s.chartsShown(at1220, "GBP/USD"), s.chartsFailed(at1240, {"x"}), s.refreshStarted(); },
         "Данные от 12:20, ошибка в 12:40: x", "Данные от 12:20, ошибка в 12:40:\nx"},
        {"layout: the first warning of a refresh",
         [&](DataState& s) { s.layoutChanged("Разметка: a"), s.layoutChanged("Разметка: b"); }, "Разметка: a"},
        {"indicator pairs",
         [&](DataState& s) { s.indicatorPairFailed("EUR/USD", eurFailed), s.indicatorPairFailed("USD/JPY", stalled); },
         "Индикаторы не обновлены: EURUSD (MTp.png from U: not a PNG; 'cut' is not a valid floating point value), "
         "USDJPY (Сервер недоступен: S (stalled))",
         "Индикаторы не обновлены:\nEURUSD (MTp.png from U: not a PNG; 'cut' is not a valid floating point value)\n"
         "USDJPY (Сервер недоступен: S (stalled))"},
        {"everything at once",
         [&](DataState& s) {
             s.chartsFailed(at1240, {"x"}), s.layoutChanged("L"), s.indicatorPairFailed("GBP/USD", stalled);
         },
         "Нет данных, ошибка в 12:40: x. L. Индикаторы не обновлены: GBPUSD (Сервер недоступен: S (stalled))",
         "Нет данных, ошибка в 12:40:\nx\nL\nИндикаторы не обновлены:\nGBPUSD (Сервер недоступен: S (stalled))"},
        {"files left alone",
         [&](DataState& s) {
             s.fileRefused(Status(Status::Code::NotAFile, "F/irGBPUSD.dat", "is a symbolic link")),
                 s.fileRefused(Status(Status::Code::NotAFile, "F/GBPUSD.csv", "is a folder"));
         },
         "Оставлены без изменений: F/irGBPUSD.dat: is a symbolic link, F/GBPUSD.csv: is a folder",
         "Оставлены без изменений:\nF/irGBPUSD.dat: is a symbolic link\nF/GBPUSD.csv: is a folder"},
        {"what the pass found in its folders",
         [&](DataState& s) {
             s.indicatorFolderMissing({2, "/mt4/MQL4/Files/Tivka/"});
             s.indicatorFlagsIgnored({1, "/d/", {"irA.dat", "irB.dat", "irC.dat", "irD.dat", "irE.dat", "irF.dat", "irG.dat"}});
         },
         "Папка индикаторов 2 не найдена: /mt4/MQL4/Files/Tivka/. Папка индикаторов 1: флаги пар не из списка не "
         "обслуживаются: irA.dat, irB.dat, irC.dat, irD.dat, irE.dat и ещё 2",
         "Папка индикаторов 2 не найдена: /mt4/MQL4/Files/Tivka/\nПапка индикаторов 1: флаги пар не из списка не "
         "обслуживаются: irA.dat, irB.dat, irC.dat, irD.dat, irE.dat и ещё 2"},
        {"a new refresh forgets layout, pairs and folders",
         [&](DataState& s) {
             s.layoutChanged("L"), s.indicatorPairFailed("GBP/USD", stalled), s.indicatorFolderMissing({1, "/x/"});
             s.fileRefused({});
             s.refreshStarted();
         },
         "", ""},
    };
    for (const auto& c : cases) {
        DataState state;
        c.events(state);
        EXPECT_EQ(state.line(), c.line) << c.what;
        EXPECT_EQ(state.details(), c.details.empty() ? c.line : c.details) << c.what;
    }
    EXPECT_EQ(ClockText({9, 5}), "09:05");
}

}  // namespace
}  // namespace tivka
