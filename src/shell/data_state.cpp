#include "shell/data_state.h"

#include <algorithm>
#include <cstdio>

namespace tivka {

namespace {

// The lines of a message as one line; a fixed first line that only says
// that something failed is left out when details follow.
std::string oneLine(const std::string& message)
{
    std::string joined;
    std::size_t start = 0;
    while (start <= message.size()) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        const std::string line = message.substr(start, end - start);
        if (!line.empty())
            joined += (joined.empty() ? "" : "; ") + line;
        start = end + 1;
    }
    return joined;
}

std::string withoutHeading(const std::string& message)
{
    const std::size_t lineEnd = message.find('\n');
    return lineEnd == std::string::npos ? message : message.substr(lineEnd + 1);
}

// The pair code that the indicator pass names in its failure's first line.
std::string pairOf(const std::string& message)
{
    const std::string firstLine = message.substr(0, message.find('\n'));
    const std::size_t space = firstLine.rfind(' ');
    return space == std::string::npos ? firstLine : firstLine.substr(space + 1);
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
}

void DataState::chartsShown(LocalTime at)
{
    shownOnce_ = true;
    lastShown_ = at;
    failure_.clear();
}

void DataState::chartsFailed(LocalTime at, const std::string& message)
{
    failure_ = "ошибка в " + ClockText(at) + ": " + oneLine(withoutHeading(message));
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

void DataState::indicatorPairFailed(const std::string& message)
{
    indicatorPairs_.push_back(pairOf(message) + " (" + oneLine(withoutHeading(message)) + ")");
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
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ". ") + part;
    return text;
}

}  // namespace tivka
