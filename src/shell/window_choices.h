#pragma once

#include <cstdint>
#include <string>

#include "chart/chart_kind.h"
#include "platform/conversions.h"

namespace tivka {

// What the window's selectors held when it last closed, so that a trader
// finds them as they left them: the pair, each pane's filter and each
// chart's variant.
struct WindowChoices {
    std::string pairText = "GBP/USD";
    PerChart<std::string> threshold{{"50", "50"}};
    PerChart<bool> atLeast{{true, true}};  // ">=", else "<="
    PerChart<bool> cumulative{{false, false}};
    // Where the window's top left corner was on the desktop, "x,y"; empty:
    // the window opens in the middle of the screen.
    std::string position = {};
};

// One remembered choice: its key in the settings file, how its text is taken
// (a text the window could not hold leaves the default in place, so a file of
// an older Tivka loads as it is) and how it is written back.
struct ChoiceKey {
    const char* name;
    void (*parse)(WindowChoices& choices, const std::string& text);
    std::string (*format)(const WindowChoices& choices);
};

// The largest threshold a pane filter takes: a bar filling its whole side
// reads 101 %.
constexpr std::int32_t kHighestThreshold = 101;

namespace choice_keys {

template <ChartKind Kind>
ChoiceKey threshold(const char* name)
{
    return {name,
            [](WindowChoices& c, const std::string& text) {
                // Only what the field can hold: a whole number, 0 to 101.
                std::int32_t threshold = 0;
                if (TryParseInteger(text, threshold) && threshold >= 0 && threshold <= kHighestThreshold)
                    c.threshold[Kind] = std::to_string(threshold);
            },
            [](const WindowChoices& c) { return c.threshold[Kind]; }};
}

template <ChartKind Kind>
ChoiceKey mode(const char* name)
{
    return {name,
            [](WindowChoices& c, const std::string& text) {
                if (text == ">=" || text == "<=")
                    c.atLeast[Kind] = text == ">=";
            },
            [](const WindowChoices& c) { return std::string(c.atLeast[Kind] ? ">=" : "<="); }};
}

template <ChartKind Kind>
ChoiceKey variant(const char* name)
{
    return {name,
            [](WindowChoices& c, const std::string& text) {
                if (text == "cumulative" || text == "noncumulative")
                    c.cumulative[Kind] = text == "cumulative";
            },
            [](const WindowChoices& c) { return std::string(c.cumulative[Kind] ? "cumulative" : "noncumulative"); }};
}

}  // namespace choice_keys

// Every remembered choice, in the order its key is added to a file that
// lacks it.
inline const ChoiceKey kChoiceKeys[] = {
    {"Pair",
     [](WindowChoices& c, const std::string& text) {
         if (!text.empty())
             c.pairText = text;
     },
     [](const WindowChoices& c) { return c.pairText; }},
    choice_keys::threshold<ChartKind::Orders>("OrdersFilter"),
    choice_keys::mode<ChartKind::Orders>("OrdersMode"),
    choice_keys::threshold<ChartKind::Positions>("PositionsFilter"),
    choice_keys::mode<ChartKind::Positions>("PositionsMode"),
    choice_keys::variant<ChartKind::Orders>("OrdersVariant"),
    choice_keys::variant<ChartKind::Positions>("PositionsVariant"),
    {"WindowPosition",
     [](WindowChoices& c, const std::string& text) {
         const std::size_t comma = text.find(',');
         std::int32_t x = 0, y = 0;
         if (comma != std::string::npos && TryParseInteger(text.substr(0, comma), x) &&
             TryParseInteger(text.substr(comma + 1), y))
             c.position = std::to_string(x) + "," + std::to_string(y);
     },
     [](const WindowChoices& c) { return c.position; }},
};

}  // namespace tivka
