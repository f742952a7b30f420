#include "reading/chart_scan.h"

#include <array>
#include <cstring>

#include "platform/conversions.h"
#include "reading/glyph_reader.h"

namespace tivka {

namespace {

constexpr int kBuyNearAxisRow = 119;
constexpr int kSellNearAxisRow = 121;
constexpr int kBarRows = 75;
constexpr int kFullBarPixels = 74;
constexpr int kLabelInkTop = 196;
constexpr int kLabelInkBottom = 236;
constexpr int kLabelScanFirst = 74;
constexpr int kLabelScanEnd = 437;
constexpr int kLabelTickOffset = 3;

constexpr int kPassColumns = 180;

// Pixels (x0 .. x0+count-1, y): straight from the chart when the segment lies
// inside it, else copied into `spare` with colours::none outside.
const Colour* readRow(const Bitmap& chart, int y, int x0, int count, Colour* spare)
{
    if (y >= 0 && y < chart.height() && x0 >= 0 && x0 + count <= chart.width())
        return chart.pixels().data() + std::size_t(y) * std::size_t(chart.width()) + std::size_t(x0);
    for (int i = 0; i < count; ++i)
        spare[i] = chart.pixel(x0 + i, y);
    return spare;
}

// The counted pixels of every column of a pass, walking row by row (the
// chart is stored by rows) with one white-seen flag per column.
std::array<std::int32_t, kPassColumns> passPixels(const Bitmap& chart, const LevelPass& pass)
{
    const int firstRow = pass.aboveAxis ? kBuyNearAxisRow : kSellNearAxisRow;
    const int direction = pass.aboveAxis ? -1 : 1;
    std::array<std::int32_t, kPassColumns> counted{};
    std::array<std::uint32_t, kPassColumns> whiteSeen{};
    std::array<Colour, kPassColumns> spare;
    for (int i = 0; i < kBarRows; ++i) {
        const Colour* row = readRow(chart, firstRow + direction * i, pass.firstColumn, kPassColumns, spare.data());
        // Branch-free so that the compiler can vectorise the row.
        for (std::size_t j = 0; j < kPassColumns; ++j) {
            const Colour c = row[j];
            whiteSeen[j] |= std::uint32_t(c == colours::white);
            counted[j] += std::int32_t(std::uint32_t(c == pass.barColour) |
                                       (std::uint32_t(c == colours::grey) & (whiteSeen[j] ^ 1u)));
        }
    }
    return counted;
}

constexpr int kLabelScanColumns = kLabelScanEnd - kLabelScanFirst;

// Which columns of the label scan have black ink in the label rows.
std::array<std::uint32_t, kLabelScanColumns> labelInk(const Bitmap& chart)
{
    std::array<std::uint32_t, kLabelScanColumns> ink{};
    std::array<Colour, kLabelScanColumns> spare;
    for (int y = kLabelInkTop; y <= kLabelInkBottom; ++y) {
        const Colour* row = readRow(chart, y, kLabelScanFirst, kLabelScanColumns, spare.data());
        for (std::size_t j = 0; j < kLabelScanColumns; ++j)
            ink[j] |= std::uint32_t(row[j] == colours::black);
    }
    return ink;
}

void readNow(GlyphReader& reader, const ReadingSetup& setup, ChartResults& results, ReadingObserver& observer)
{
    observer.beforePrice();
    const std::string priceText = reader.readUprightText(30, 41, 230, 276, setup.decimalSymbol);
    observer.priceTextRead(priceText);
    const double price = StrToFloat(priceText, setup.systemSeparator);
    results.Now.Price = price;
    if (setup.storeNowColumn)
        results.Levels[kNowColumn].Price = price;
    observer.priceStored(price);

    observer.beforeTime();
    results.Now.Time = reader.readUprightText(5, 16, 378, 429, setup.decimalSymbol);
    observer.timeRead(results.Now.Time);
}

void readScale(const Bitmap& chart, GlyphReader& reader, const ReadingSetup& setup, ChartResults& results,
               ReadingObserver& observer)
{
    results.ScaleCount = 0;
    const auto ink = labelInk(chart);
    int x = kLabelScanFirst;
    while (x < kLabelScanEnd) {
        std::string text;
        if (ink[std::size_t(x - kLabelScanFirst)]) {
            text = reader.readSideLabel(x, setup.decimalSymbol);
            observer.labelRead(x, text);
        }
        if (text.empty()) {
            x += 1;
            continue;
        }
        // At least 11 columns per label keep the count far below the capacity.
        ScaleMark& mark = results.Scale.at(std::size_t(results.ScaleCount));
        mark.Price = StrToFloat(text, setup.systemSeparator);
        mark.Column = x + kLabelTickOffset;
        results.ScaleCount += 1;
        x += 10;
    }
}

void runPass(const Bitmap& chart, int passIndex, ChartResults& results, ReadingObserver& observer)
{
    const LevelPass& pass = kLevelPasses[passIndex];
    const auto pixels = passPixels(chart, pass);
    int reference = 0;
    for (int x = pass.firstColumn; x <= pass.lastColumn; ++x) {
        const int counted = pixels[std::size_t(x - pass.firstColumn)];
        const double price = ColumnPrice(results, x, reference);
        LevelRow& row = results.Levels[x];
        if (pass.aboveAxis) {
            row.Price = price;
            row.BuyPercent = PercentOf(counted);
        } else {
            row.SellPercent = PercentOf(counted);
        }
        observer.levelMeasured(passIndex, x, price, counted);
    }
}

}  // namespace

const LevelPass kLevelPasses[4] = {
    {75, 254, true, colours::olive},
    {256, 435, true, colours::teal},
    {75, 254, false, colours::teal},
    {256, 435, false, colours::olive},
};

int PercentOf(int countedPixels)
{
    return 100 * countedPixels / kFullBarPixels;
}

double ScaleStep(const ChartResults& results)
{
    if (results.ScaleCount < 2)
        return 0;
    const ScaleMark& first = results.Scale[0];
    const ScaleMark& second = results.Scale[1];
    const long double rise = static_cast<long double>(second.Price) - first.Price;
    return static_cast<double>(rise / (second.Column - first.Column));
}

double ColumnPrice(const ChartResults& results, int x, int& reference)
{
    if (results.ScaleCount <= 0)
        return 0;
    // Labels are in increasing column order, so the reference of a column
    // further right is never an earlier label.
    const bool stale = reference < 0 || reference >= results.ScaleCount ||
                       (reference > 0 && results.Scale[std::size_t(reference - 1)].Column >= x);
    if (stale)
        reference = 0;
    while (reference < results.ScaleCount - 1 && results.Scale[std::size_t(reference)].Column < x)
        ++reference;
    const ScaleMark& ref = results.Scale[std::size_t(reference)];
    const long double offset = static_cast<long double>(ref.Column) - x;
    return static_cast<double>(static_cast<long double>(ref.Price) - offset * static_cast<long double>(results.Step));
}

double ColumnPrice(const ChartResults& results, int x)
{
    int reference = 0;
    return ColumnPrice(results, x, reference);
}

void ReadChart(const Bitmap& chart, const ReadingSetup& setup, ChartResults& results, ReadingObserver& observer)
{
    GlyphReader reader(setup.digits, setup.windows, chart);
    readNow(reader, setup, results, observer);
    readScale(chart, reader, setup, results, observer);
    results.Step = ScaleStep(results);
    for (int pass = 0; pass < 4; ++pass) {
        observer.beforePass(pass);
        runPass(chart, pass, results, observer);
    }
}

}  // namespace tivka
