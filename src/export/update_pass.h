#pragma once

#include <array>
#include <string>
#include <vector>

#include "acquisition/download.h"
#include "platform/user_messages.h"
#include "reading/digit_template.h"
#include "reading/level_records.h"

namespace tivka {

// The pair list of ComboBox1, in list order.
extern const std::array<const char*, 10> kPairList;

struct UpdatePassConfig {
    std::string chartUrl;                // ChartURL
    std::array<std::string, 3> mt4Dirs;  // Mt4Dir1..3, as the settings give them
    bool ordersCumulative = false;       // RB_cum
    bool positionsCumulative = false;    // RB_cum2
    std::string decimalSymbol = ".";
    std::string systemSeparator = ".";
};

// What the indicator pass keeps between passes (Mt4Now, Mt4Scale, Mt4Levels,
// Mt4Digits per chart, Mt4ImagesLoaded).
struct IndicatorState {
    std::array<ChartResults, 2> charts;  // [0] orders, [1] positions
    int Mt4Digits = 4;
    bool Mt4ImagesLoaded = false;
    GlyphWindows windowSet2;
};

// SaveData: serves every pair of the pair list that a request flag file asks
// for in one of the three folders. Failed fetches show
// "Ошибка при обновлении графиков для " + code through `messages`; decoder
// and conversion errors end the pass by exception.
void SaveData(const UpdatePassConfig& config, const DigitTemplate& digits, IndicatorState& state,
              Downloader& downloader, UserMessages& messages);

}  // namespace tivka
