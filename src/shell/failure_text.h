#pragma once

#include <string>
#include <vector>

#include "chart/chart_failure.h"
#include "export/refresh_events.h"
#include "shell/settings.h"

namespace tivka {

// The words the window, the feed and the tools use for a failure, made from
// its fields and never taken apart again.

// One failure in one line:
//   "Сервер ответил 404 Not Found: <address>"
//   "Сервер недоступен: <address> (<reason>)"
//   "<file> from <address>: <the decoder's reason>"
//   "'<text>' is not a valid floating point value"
std::string FailureText(const ChartFailure& failure);

// Several failures in one line, joined by "; ".
std::string FailuresLine(const ChartFailures& failures);

// What a message box says of a display fetch that failed: "Ошибка при
// загрузке графиков!" and a line per failed download, or the decoder's
// message alone.
std::string DisplayFailureMessage(const ChartFailures& failures);

// What a message box says of a requested pair the indicators did not get:
// "Ошибка при обновлении графиков для <CODE>" and a line per failure.
std::string IndicatorFailureMessage(const std::string& pairText, const ChartFailures& failures);

// The reasons of one pair's failures, short and in Russian, each told once:
// "сервер ответил 404 Not Found", "сервер недоступен", "график повреждён или
// не PNG", "текст на графике не число ('1.2x')".
std::string ShortFailureText(const ChartFailures& failures);

// Every failure of one refresh: the display's (its fetch, or a chart that
// could not be read) and each requested pair the indicators did not get.
struct RefreshFailures {
    ChartFailures display;
    std::vector<ChartFailures> indicatorPairs;  // one entry per pair
    bool empty() const { return display.empty() && indicatorPairs.empty(); }
};

// The one message box of a refresh the user started: the display's message
// (DisplayFailureMessage), then a line per requested pair, "Ошибка при
// обновлении графиков для EURUSD: сервер недоступен".
std::string RefreshFailureMessage(const RefreshFailures& failures);

// A tray notification: one short line per pair, the display's first,
// "XYZABC: сервер ответил 404 Not Found", no addresses.
std::string RefreshFailureNotice(const RefreshFailures& failures);

// What the window and the feed say of a folder setting that was refused:
// "Настройка Mt4_Path2 в <file> содержит управляющий символ: эта папка
// индикаторов не обслуживается".
std::string RefusalMessage(const std::string& settingsPath, const SettingRefusal& refusal);

// What the window and the feed say of what the indicator pass found in its
// folders:
//   "Папка индикаторов 2 не найдена: /home/u/.wine/.../MQL4/Files/Tivka/"
//   "Папка индикаторов 1: флаги пар не из списка не обслуживаются:
//    irgbpusd.dat, irXAUUSD.dat" (at most five names, then how many more)
std::string FolderMissingText(const IndicatorFolderMissing& missing);
std::string FlagsIgnoredText(const IndicatorFlagsIgnored& ignored);

}  // namespace tivka
