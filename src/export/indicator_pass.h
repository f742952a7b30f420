#pragma once

#include <array>
#include <string>

#include "acquisition/download.h"
#include "export/reading_recorder.h"
#include "platform/clock.h"
#include "platform/user_messages.h"
#include "reading/chart_reading.h"
#include "reading/digit_template.h"

namespace tivka {

struct IndicatorPassConfig {
    std::string chartUrl;
    // The indicator data folders of up to three MetaTrader 4 installations,
    // as the settings give them (Windows separators allowed).
    std::array<std::string, 3> folders;
    // The pass follows the chart variants chosen for the window.
    bool ordersCumulative = false;
    bool positionsCumulative = false;
    ReadingOptions reading;
    // Fetch the charts of every requested pair at once before serving the
    // pairs in list order; false fetches pair by pair.
    bool overlapped = true;
    // When set, gets both readings of every pair served (positions first),
    // fetched at `clock`'s time (the system clock when null); neither is
    // owned, both must outlive the pass.
    ReadingRecorder* recorder = nullptr;
    const Clock* clock = nullptr;
};

// Reads one chart for an indicator: every column kept, no filter. Throws
// ConversionError when a price or scale text is not a number.
ChartReading ReadForIndicator(const Bitmap& chart, const DigitTemplate& digits, const ReadingOptions& options);

// Serves the MetaTrader 4 indicators after every refresh. For each pair of
// the pair list that a request flag file asks for in one of the folders (a
// plain file "ir<CODE>.dat"; a folder of that name asks for nothing), it
// downloads the pair's charts ("MTp<CODE>.png", "MTo<CODE>.png" in the
// current folder, positions first), reads them and, in every folder that
// asked, sets the flag to "1", writes "<CODE>.csv" and sets the flag to "2"
// only when the data file was written completely. A failed download shows
// "Ошибка при обновлении графиков для <CODE>" and the pass goes on; a file
// that is not a PNG image or a text that is not a number ends the pass by
// exception.
class IndicatorServer {
public:
    // Returns at once, doing nothing, when called while a pass is running (a
    // timer tick while its failure message is open).
    void serve(const IndicatorPassConfig& config, const DigitTemplate& digits, Downloader& downloader,
               UserMessages& messages);
    bool running() const { return running_; }

private:
    bool running_ = false;
};

}  // namespace tivka
