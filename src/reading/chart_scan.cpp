#include "reading/chart_scan.h"

#include "platform/conversions.h"

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

void readNow(const Bitmap& chart, const ReadingSetup& setup, ChartResults& results, ReadingObserver& observer)
{
    observer.beforePrice();
    const std::string priceText =
        ReadUprightText(setup.digits, setup.windows, chart, 30, 41, 230, 276, setup.decimalSymbol);
    observer.priceTextRead(priceText);
    const double price = StrToFloat(priceText, setup.systemSeparator);
    results.Now.Price = price;
    if (setup.storeNowColumn)
        results.Levels[kNowColumn].Price = price;
    observer.priceStored(price);

    observer.beforeTime();
    results.Now.Time = ReadUprightText(setup.digits, setup.windows, chart, 5, 16, 378, 429, setup.decimalSymbol);
    observer.timeRead(results.Now.Time);
}

void readScale(const Bitmap& chart, const ReadingSetup& setup, ChartResults& results, ReadingObserver& observer)
{
    results.ScaleCount = 0;
    int x = kLabelScanFirst;
    while (x < kLabelScanEnd) {
        std::string text;
        if (LabelColumnHasInk(chart, x)) {
            text = ReadSideLabel(setup.digits, setup.windows, chart, x, setup.decimalSymbol);
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
    for (int x = pass.firstColumn; x <= pass.lastColumn; ++x) {
        const int counted = BarPixels(chart, x, pass);
        const double price = ColumnPrice(results, x);
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

int BarPixels(const Bitmap& chart, int x, const LevelPass& pass)
{
    const int firstRow = pass.aboveAxis ? kBuyNearAxisRow : kSellNearAxisRow;
    const int direction = pass.aboveAxis ? -1 : 1;
    bool whiteSeen = false;
    int counted = 0;
    for (int i = 0; i < kBarRows; ++i) {
        const Colour c = chart.pixel(x, firstRow + direction * i);
        if (c == colours::white)
            whiteSeen = true;
        if (c == pass.barColour || (c == colours::grey && !whiteSeen))
            ++counted;
    }
    return counted;
}

int PercentOf(int countedPixels)
{
    return 100 * countedPixels / kFullBarPixels;
}

bool LabelColumnHasInk(const Bitmap& chart, int x)
{
    for (int y = kLabelInkTop; y <= kLabelInkBottom; ++y)
        if (chart.pixel(x, y) == colours::black)
            return true;
    return false;
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

double ColumnPrice(const ChartResults& results, int x)
{
    if (results.ScaleCount <= 0)
        return 0;
    int i = 0;
    while (i < results.ScaleCount - 1 && results.Scale[std::size_t(i)].Column < x)
        ++i;
    const ScaleMark& ref = results.Scale[std::size_t(i)];
    const long double offset = static_cast<long double>(ref.Column) - x;
    return static_cast<double>(static_cast<long double>(ref.Price) - offset * static_cast<long double>(results.Step));
}

void ReadChart(const Bitmap& chart, const ReadingSetup& setup, ChartResults& results, ReadingObserver& observer)
{
    readNow(chart, setup, results, observer);
    readScale(chart, setup, results, observer);
    results.Step = ScaleStep(results);
    for (int pass = 0; pass < 4; ++pass) {
        observer.beforePass(pass);
        runPass(chart, pass, results, observer);
    }
}

}  // namespace tivka
