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
    // Fetch the charts of every requested pair at once before serving the
    // pairs in list order; false runs the literal pair-by-pair pass.
    bool overlapped = true;
};

// What the indicator pass keeps between passes (Mt4Now, Mt4Scale, Mt4Levels,
// Mt4Digits per chart, Mt4ImagesLoaded).
struct IndicatorState {
    std::array<ChartResults, 2> charts;  // [0] orders, [1] positions
    int Mt4Digits = 4;
    bool Mt4ImagesLoaded = false;
    GlyphWindows windowSet2;
    // Set while a pass runs, so that a pass started from inside it (a timer
    // tick while its failure message is open) is skipped.
    bool passRunning = false;
};

// The indicator pass's chart fetch of one pair: downloads the positions chart
// into "MTp" + code + ".png", then the orders chart into "MTo" + code +
// ".png" (the variants follow the config), and when both arrived decodes
// them into the two bitmaps, deletes both files and sets Mt4ImagesLoaded.
// A failed download leaves Mt4ImagesLoaded false and the files as they are;
// a file that is not a PNG image throws and keeps both files.
void MT4LoadImage(const UpdatePassConfig& config, const std::string& pairCode, IndicatorState& state,
                  Downloader& downloader, Bitmap& ordersBitmap, Bitmap& positionsBitmap);

// SaveData: serves every pair of the pair list that a request flag file (a
// plain file; a folder of that name asks for nothing) asks
// for in one of the three folders. Failed fetches show
// "Ошибка при обновлении графиков для " + code through `messages`; decoder
// and conversion errors end the pass by exception. In each requesting folder
// the flag goes to "1", the data file is written, and the flag goes to "2"
// only when the data file was written completely. Returns at once, doing
// nothing, when called while a pass is running.
void SaveData(const UpdatePassConfig& config, const DigitTemplate& digits, IndicatorState& state,
              Downloader& downloader, UserMessages& messages);

}  // namespace tivka
