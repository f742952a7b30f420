#include "shell/data_state.h"

#include "acquisition/pair_naming.h"
#include "shell/failure_text.h"

#include <cstdio>

namespace tivka {

std::string ClockText(LocalTime time)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour % 24, time.minute % 60);
    return text;
}

void DataState::refreshStarted()
{
    layout_.clear();
    indicatorPairs_.clear();
    refusedFiles_.clear();
}

void DataState::chartsShown(LocalTime at)
{
    shownOnce_ = true;
    lastShown_ = at;
    failure_.clear();
}

void DataState::chartsFailed(LocalTime at, const std::string& reason)
{
    failure_ = "ошибка в " + ClockText(at) + ": " + reason;
}

void DataState::cancelled(LocalTime at)
{
    failure_ = "обновление прервано в " + ClockText(at);
}

void DataState::layoutChanged(const std::string& warning)
{
    if (layout_.empty())
        layout_ = warning;
}

void DataState::indicatorPairFailed(const std::string& pairText, const ChartFailures& failures)
{
    indicatorPairs_.push_back(PairCode(pairText) + " (" + FailuresLine(failures) + ")");
}

void DataState::fileRefused(const Status& refusal)
{
    refusedFiles_.push_back(refusal.text());
}

std::string DataState::line() const
{
    std::vector<std::string> parts;
    if (!failure_.empty())
        parts.push_back((shownOnce_ ? "Данные от " + ClockText(lastShown_) : std::string("Нет данных")) + ", " +
                        failure_);
    if (!layout_.empty())
        parts.push_back(layout_);
    if (!indicatorPairs_.empty()) {
        std::string pairs = "Индикаторы не обновлены: ";
        for (std::size_t i = 0; i < indicatorPairs_.size(); ++i)
            pairs += (i ? ", " : "") + indicatorPairs_[i];
        parts.push_back(pairs);
    }
    if (!refusedFiles_.empty()) {
        std::string files = "Оставлены без изменений: ";
        for (std::size_t i = 0; i < refusedFiles_.size(); ++i)
            files += (i ? ", " : "") + refusedFiles_[i];
        parts.push_back(files);
    }
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ". ") + part;
    return text;
}

}  // namespace tivka
