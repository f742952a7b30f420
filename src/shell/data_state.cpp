#include "shell/data_state.h"

#include "acquisition/pair_naming.h"
#include "shell/failure_text.h"

#include <cstdio>

namespace tivka {

namespace {

std::string joined(const std::vector<std::string>& texts, const char* separator)
{
    std::string text;
    for (const std::string& part : texts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

}  // namespace

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
    folderNotes_.clear();
}

void DataState::chartsShown(LocalTime at, const std::string& pairText)
{
    shownOnce_ = true;
    lastShown_ = at;
    shownPair_ = pairText;
    failure_.clear();
    reasons_.clear();
}

void DataState::pairChosen(const std::string& pairText)
{
    chosenPair_ = pairText;
}

void DataState::chartsFailed(LocalTime at, std::vector<std::string> reasons)
{
    failure_ = "ошибка в " + ClockText(at);
    reasons_ = std::move(reasons);
}

void DataState::cancelled(LocalTime at)
{
    failure_ = "обновление прервано в " + ClockText(at);
    reasons_.clear();
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

void DataState::indicatorFolderMissing(const IndicatorFolderMissing& missing)
{
    folderNotes_.push_back(FolderMissingText(missing));
}

void DataState::indicatorFlagsIgnored(const IndicatorFlagsIgnored& ignored)
{
    folderNotes_.push_back(FlagsIgnoredText(ignored));
}

// The charts of another pair than the one chosen say whose they are: after a
// pair that failed, the charts of the one before stay.
std::vector<std::string> DataState::parts(bool lineEach) const
{
    const char* listStart = lineEach ? ":\n" : ": ";
    const bool otherPair = shownOnce_ && !chosenPair_.empty() && chosenPair_ != shownPair_;
    std::vector<std::string> parts;
    if (!failure_.empty()) {
        const std::string shown =
            shownOnce_ ? "Данные " + (otherPair ? shownPair_ + " " : "") + "от " + ClockText(lastShown_)
                       : std::string("Нет данных");
        std::string part = shown + ", " + failure_;
        if (!reasons_.empty())
            part += listStart + joined(reasons_, lineEach ? "\n" : "; ");
        parts.push_back(part);
    } else if (otherPair) {
        parts.push_back("На графиках " + shownPair_ + " от " + ClockText(lastShown_));
    }
    if (!layout_.empty())
        parts.push_back(layout_);
    if (!indicatorPairs_.empty())
        parts.push_back("Индикаторы не обновлены" + std::string(listStart) +
                        joined(indicatorPairs_, lineEach ? "\n" : ", "));
    if (!refusedFiles_.empty())
        parts.push_back("Оставлены без изменений" + std::string(listStart) +
                        joined(refusedFiles_, lineEach ? "\n" : ", "));
    parts.insert(parts.end(), folderNotes_.begin(), folderNotes_.end());
    return parts;
}

std::string DataState::line() const
{
    return joined(parts(false), ". ");
}

std::string DataState::details() const
{
    return joined(parts(true), "\n");
}

}  // namespace tivka
