#include "shell/failure_text.h"

#include "acquisition/pair_naming.h"
#include "platform/conversions.h"

#include <algorithm>

namespace tivka {

namespace {

std::string joined(const ChartFailures& failures, const char* separator)
{
    std::string text;
    for (const ChartFailure& failure : failures)
        text += (text.empty() ? "" : separator) + FailureText(failure);
    return text;
}

bool isDownload(const ChartFailure& failure)
{
    return failure.what == ChartFailure::What::ServerAnswered || failure.what == ChartFailure::What::Unreachable;
}

constexpr std::size_t kNamesShown = 5;

}  // namespace

std::string FailureText(const ChartFailure& failure)
{
    switch (failure.what) {
    case ChartFailure::What::ServerAnswered:
        return "Сервер ответил " + failure.detail + ": " + failure.address;
    case ChartFailure::What::Unreachable:
        return "Сервер недоступен: " + failure.address + (failure.detail.empty() ? "" : " (" + failure.detail + ")");
    case ChartFailure::What::NotAPicture:
        // Without a file the detail already names what could not be read.
        return failure.file.empty() ? failure.detail
                                    : failure.file + " from " + failure.address + ": " + failure.detail;
    case ChartFailure::What::NotANumber:
        return NotANumberMessage(failure.detail);
    }
    return failure.detail;
}

std::string FailuresLine(const ChartFailures& failures)
{
    return joined(failures, "; ");
}

std::string DisplayFailureMessage(const ChartFailures& failures)
{
    if (!failures.empty() && isDownload(failures.front()))
        return "Ошибка при загрузке графиков!\n" + joined(failures, "\n");
    return joined(failures, "\n");
}

std::string IndicatorFailureMessage(const std::string& pairText, const ChartFailures& failures)
{
    return "Ошибка при обновлении графиков для " + PairCode(pairText) + "\n" + joined(failures, "\n");
}

std::string ShortFailureText(const ChartFailures& failures)
{
    std::vector<std::string> reasons;
    for (const ChartFailure& failure : failures) {
        std::string reason;
        switch (failure.what) {
        case ChartFailure::What::ServerAnswered: reason = "сервер ответил " + failure.detail; break;
        case ChartFailure::What::Unreachable: reason = "сервер недоступен"; break;
        case ChartFailure::What::NotAPicture: reason = "график повреждён или не PNG"; break;
        case ChartFailure::What::NotANumber: reason = "текст на графике не число ('" + failure.detail + "')"; break;
        }
        if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end())
            reasons.push_back(reason);
    }
    std::string text;
    for (const std::string& reason : reasons)
        text += (text.empty() ? "" : ", ") + reason;
    return text;
}

std::string RefreshFailureMessage(const RefreshFailures& failures)
{
    std::string text = failures.display.empty() ? "" : DisplayFailureMessage(failures.display);
    for (const ChartFailures& pair : failures.indicatorPairs) {
        if (pair.empty())
            continue;
        text += (text.empty() ? "" : "\n") + std::string("Ошибка при обновлении графиков для ") +
                PairCode(pair.front().pair) + ": " + ShortFailureText(pair);
    }
    return text;
}

// A pair the display and the indicators both missed is one line.
std::string RefreshFailureNotice(const RefreshFailures& failures)
{
    std::vector<std::pair<std::string, ChartFailures>> pairs;
    auto add = [&pairs](const ChartFailures& more) {
        if (more.empty())
            return;
        const std::string code = PairCode(more.front().pair);
        auto found = std::find_if(pairs.begin(), pairs.end(), [&](const auto& pair) { return pair.first == code; });
        if (found == pairs.end())
            found = pairs.insert(pairs.end(), {code, {}});
        found->second.insert(found->second.end(), more.begin(), more.end());
    };
    add(failures.display);
    for (const ChartFailures& pair : failures.indicatorPairs)
        add(pair);
    std::string text;
    for (const auto& [code, pairFailures] : pairs)
        text += (text.empty() ? "" : "\n") + code + ": " + ShortFailureText(pairFailures);
    return text;
}

std::string RefusalMessage(const std::string& settingsPath, const SettingRefusal& refusal)
{
    return "Настройка " + refusal.key + " в " + settingsPath +
           " содержит управляющий символ: эта папка индикаторов не обслуживается";
}

std::string FolderMissingText(const IndicatorFolderMissing& missing)
{
    return "Папка индикаторов " + std::to_string(missing.folder) + " не найдена: " + missing.path;
}

std::string FlagsIgnoredText(const IndicatorFlagsIgnored& ignored)
{
    std::string text = "Папка индикаторов " + std::to_string(ignored.folder) + ": флаги пар не из списка не обслуживаются: ";
    for (std::size_t i = 0; i < ignored.names.size() && i < kNamesShown; ++i)
        text += (i ? ", " : "") + ignored.names[i];
    if (ignored.names.size() > kNamesShown)
        text += " и ещё " + std::to_string(ignored.names.size() - kNamesShown);
    return text;
}

}  // namespace tivka
