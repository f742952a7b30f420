#pragma once

#include <cstdint>
#include <string>

#include "acquisition/bitmap.h"
#include "export/cell_writer.h"
#include "reading/digit_template.h"
#include "reading/level_records.h"
#include "reading/text_painter.h"

namespace tivka {

enum class ChartKind { Orders, Positions };

// A text pane the on-screen readers refill line by line (Memo1, Memo2). Lines
// arrive one at a time so that a reading that fails part-way leaves what it
// had written, as the user expects.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void clear() = 0;
    virtual void addLine(const std::string& line) = 0;
};

// The spreadsheet side channel shared by both on-screen readers and the
// transfer: ExcelExport, ExcelRow and the worksheet's cells.
struct SpreadsheetChannel {
    bool ExcelExport = false;
    std::int32_t ExcelRow = 0;
    CellWriter* ExcelSheet = nullptr;  // used only while ExcelExport is set
};

// What the on-screen readers read from the window's controls and settings.
struct ScreenReaderInputs {
    std::string thresholdText = "50";  // Eproc / Eproc2
    bool atLeast = true;               // RB_bol / RB_bol2 (">=")
    bool atMost = false;               // RB_Men / RB_Men2 ("<=")
    std::string pairText = "GBP/USD";  // ComboBox1
    std::string decimalSymbol = ".";   // DecimalSymbol, appended for the decimal glyph
    std::string systemSeparator = "."; // for conversions and printed prices
};

// Orders (kind Orders) and Position (kind Positions): reads `chart`, refills
// `memo`, overwrites `results`, draws the redrawn labels and captions on
// `view` with `painter`, and while sheet.ExcelExport is set writes its block.
// Drawing the view into the picture is the caller's, after a normal return.
// Throws ConversionError as the readers do (threshold, price, scale label).
void ReadChartOnScreen(ChartKind kind, const Bitmap& chart, Bitmap& view, const DigitTemplate& digits,
                       GlyphWindows& windowSet1, TextPainter& painter, const ScreenReaderInputs& inputs,
                       LineSink& memo, ChartResults& results, SpreadsheetChannel& sheet);

// The indicator reader: reads one chart of the pair `pairCode` (GBPUSD) into
// `results` with its own glyph windows; no threshold, no drawing, no pane;
// column 255 is never written. `results.Digits` follows the pair code.
void CalcMT4(const std::string& pairCode, const Bitmap& chart, const DigitTemplate& digits,
             GlyphWindows& windowSet2, const std::string& decimalSymbol, const std::string& systemSeparator,
             ChartResults& results);

// Decimals of a pair: 2 for exactly "USD/JPY", "EUR/JPY", "GBP/JPY" (or the
// codes USDJPY, EURJPY, GBPJPY), otherwise 4.
int DigitsForPairText(const std::string& pairText);
int DigitsForPairCode(const std::string& pairCode);

}  // namespace tivka
