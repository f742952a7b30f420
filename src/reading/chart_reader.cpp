#include "reading/chart_reader.h"

#include <array>

#include "platform/conversions.h"
#include "platform/number_format.h"
#include "reading/chart_scan.h"

namespace tivka {

namespace {

constexpr int kFontSize = 8;

struct Caption {
    const char* text;
    int x;
    int y;
};

// What tells the two on-screen readers apart; everything else is shared.
struct ScreenReaderStyle {
    const char* sheetTitle;
    std::array<const char*, 4> sections;
    std::array<Caption, 4> captions;
};

const ScreenReaderStyle kOrdersStyle{
    "Orders",
    {"Buy limit", "Buy stop", "Sell stop", "Sell limit"},
    {{{"Buy limit", 60, 488}, {"Buy stop", 60, 45}, {"Sell stop", 140, 488}, {"Sell limit", 142, 45}}},
};

const ScreenReaderStyle kPositionsStyle{
    "Position",
    {"Buy +", "Buy -", "Sell -", "Sell +"},
    {{{"Buy +    ", 60, 488}, {"Buy -   ", 60, 45}, {" Sell -   ", 145, 488}, {" Sell +   ", 145, 45}}},
};

// The pane, the worksheet and the view of one on-screen reading.
class ScreenOutput final : public ReadingObserver {
public:
    ScreenOutput(const ScreenReaderStyle& style, std::int32_t threshold, const ScreenReaderInputs& inputs,
                 int digits, LineSink& memo, SpreadsheetChannel& sheet, TextPainter& painter, Bitmap& view)
        : style_(style), threshold_(threshold), inputs_(inputs), digits_(digits), memo_(memo), sheet_(sheet),
          painter_(painter), view_(view)
    {
    }

    void beforePrice() override
    {
        memo_.addLine("--- Now Price ----");
        put(1, std::string("Now Price"));
    }
    void priceTextRead(const std::string& text) override { memo_.addLine(text); }
    void priceStored(double price) override
    {
        put(3, price);
        sheet_.ExcelRow += 1;
    }
    void beforeTime() override
    {
        memo_.addLine("--- time ----");
        put(1, std::string("Time"));
    }
    void timeRead(const std::string& text) override
    {
        memo_.addLine(text);
        put(3, text);
        sheet_.ExcelRow += 1;
    }
    void labelRead(int x, const std::string& text) override
    {
        painter_.drawText(view_, 200, 521 - x, kFontSize, text + " ");
    }
    void beforePass(int pass) override
    {
        const std::string section = style_.sections[std::size_t(pass)];
        memo_.addLine("--- " + section + " ---");
        put(2, section);
        sheet_.ExcelRow += 1;
        const Caption& caption = style_.captions[std::size_t(pass)];
        painter_.drawText(view_, caption.x, caption.y, kFontSize, caption.text);
    }
    void levelMeasured(int, int, double price, int counted) override
    {
        if (!listed(counted))
            return;
        const std::string priceText = FormatPrice(price, digits_, 15, inputs_.systemSeparator);
        const std::string percent = std::to_string(PercentOf(counted));
        memo_.addLine(priceText + " - " + percent + "%");
        if (!sheet_.ExcelExport)
            return;
        put(2, StrToFloat(priceText, inputs_.systemSeparator));
        put(3, percent);
        sheet_.ExcelRow += 1;
    }

private:
    // On the unrounded ratio n/74 against T/100, in whole numbers; 64 bits
    // keep a large threshold from overflowing.
    bool listed(int counted) const
    {
        const std::int64_t share = 100 * std::int64_t(counted);
        const std::int64_t bound = 74 * std::int64_t(threshold_);
        return (inputs_.atLeast && share >= bound) || (inputs_.atMost && share <= bound);
    }
    void put(std::int32_t column, const CellValue& value)
    {
        if (sheet_.ExcelExport && sheet_.ExcelSheet)
            sheet_.ExcelSheet->putCell(sheet_.ExcelRow, column, value);
    }

    const ScreenReaderStyle& style_;
    std::int32_t threshold_;
    const ScreenReaderInputs& inputs_;
    int digits_;
    LineSink& memo_;
    SpreadsheetChannel& sheet_;
    TextPainter& painter_;
    Bitmap& view_;
};

bool isYenPair(const std::string& code)
{
    return code == "USDJPY" || code == "EURJPY" || code == "GBPJPY";
}

}  // namespace

int DigitsForPairText(const std::string& pairText)
{
    return pairText == "USD/JPY" || pairText == "EUR/JPY" || pairText == "GBP/JPY" ? 2 : 4;
}

int DigitsForPairCode(const std::string& pairCode)
{
    return isYenPair(pairCode) ? 2 : 4;
}

void ReadChartOnScreen(ChartKind kind, const Bitmap& chart, Bitmap& view, const DigitTemplate& digits,
                       GlyphWindows& windowSet1, TextPainter& painter, const ScreenReaderInputs& inputs,
                       LineSink& memo, ChartResults& results, SpreadsheetChannel& sheet)
{
    const std::int32_t threshold = StrToInt(inputs.thresholdText);
    const ScreenReaderStyle& style = kind == ChartKind::Orders ? kOrdersStyle : kPositionsStyle;
    memo.clear();
    results.Digits = DigitsForPairText(inputs.pairText);

    sheet.ExcelRow += 1;
    if (sheet.ExcelExport && sheet.ExcelSheet)
        sheet.ExcelSheet->putCell(sheet.ExcelRow, 2, std::string(style.sheetTitle));
    sheet.ExcelRow += 2;

    ScreenOutput output(style, threshold, inputs, results.Digits, memo, sheet, painter, view);
    const ReadingSetup setup{digits, windowSet1, inputs.decimalSymbol, inputs.systemSeparator, true};
    ReadChart(chart, setup, results, output);
}

void CalcMT4(const std::string& pairCode, const Bitmap& chart, const DigitTemplate& digits,
             GlyphWindows& windowSet2, const std::string& decimalSymbol, const std::string& systemSeparator,
             ChartResults& results)
{
    results.Digits = DigitsForPairCode(pairCode);
    ReadingObserver silent;
    const ReadingSetup setup{digits, windowSet2, decimalSymbol, systemSeparator, false};
    ReadChart(chart, setup, results, silent);
}

}  // namespace tivka
