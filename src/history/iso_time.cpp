#include "history/iso_time.h"

#include <cstdio>

namespace tivka {

namespace {

constexpr std::int64_t kDay = 86400;

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
std::int64_t daysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    std::int64_t year;
    int month;
    int day;
};

CivilDate civilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    return {yearOfEra + era * 400 + (month <= 2), month, day};
}

// The number written in text[at, at + digits), or -1.
int digitsAt(std::string_view text, std::size_t at, std::size_t digits)
{
    if (text.size() < at + digits)
        return -1;
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool charAt(std::string_view text, std::size_t at, std::string_view allowed)
{
    return at < text.size() && allowed.find(text[at]) != std::string_view::npos;
}

// Seconds into the day of "HH:MM" or "HH:MM:SS" at text[11...], or -1; `end`
// is where it stopped.
int timeOfDay(std::string_view text, std::size_t& end)
{
    const int hour = digitsAt(text, 11, 2);
    const int minute = charAt(text, 13, ":") ? digitsAt(text, 14, 2) : -1;
    int second = 0;
    end = 16;
    if (charAt(text, 16, ":")) {
        second = digitsAt(text, 17, 2);
        end = 19;
    }
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return -1;
    return (hour * 60 + minute) * 60 + second;
}

}  // namespace

std::string IsoUtcText(std::int64_t instant)
{
    const std::int64_t days = instant >= 0 ? instant / kDay : (instant - kDay + 1) / kDay;
    const std::int64_t seconds = instant - days * kDay;
    const CivilDate date = civilFromDays(days);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ", static_cast<long long>(date.year),
                  date.month, date.day, int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    return text;
}

std::optional<std::int64_t> ParseIsoUtc(std::string_view text)
{
    if (!text.empty() && text.back() == 'Z')
        text.remove_suffix(1);
    const int year = digitsAt(text, 0, 4);
    const int month = charAt(text, 4, "-") ? digitsAt(text, 5, 2) : -1;
    const int day = charAt(text, 7, "-") ? digitsAt(text, 8, 2) : -1;
    if (year < 0 || month < 1 || month > 12 || day < 1)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(year, month, day);
    if (civilFromDays(days).day != day)
        return std::nullopt;  // 31 April, 29 February of a common year
    if (text.size() == 10)
        return days * kDay;
    std::size_t end = 0;
    const int seconds = charAt(text, 10, "T ") ? timeOfDay(text, end) : -1;
    if (seconds < 0 || end != text.size())
        return std::nullopt;
    return days * kDay + seconds;
}

}  // namespace tivka
