#include "shell/failure_text.h"

#include "acquisition/pair_naming.h"
#include "platform/conversions.h"

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

std::string RefusalMessage(const std::string& settingsPath, const SettingRefusal& refusal)
{
    return "Настройка " + refusal.key + " в " + settingsPath +
           " содержит управляющий символ: эта папка индикаторов не обслуживается";
}

}  // namespace tivka
