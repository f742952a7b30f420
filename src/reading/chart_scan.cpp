#include "reading/chart_scan.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

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

// Four pixels side by side; comparisons give all-ones lanes where equal.
using Lanes = std::uint32_t __attribute__((vector_size(16)));
constexpr std::size_t kLanes = 4;
constexpr std::size_t kBlockVectors = 3;  // 12 columns: their counts stay in registers
constexpr std::size_t kBlockColumns = kLanes * kBlockVectors;
static_assert(kPassColumns % kBlockColumns == 0);

Lanes loadLanes(const Colour* p)
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Counts 12 neighbouring columns over the pass's rows; `nearAxis` is the
// pixel next to the axis in the first column, `rowStep` the step away from
// the axis. Lanes count down by one per counted pixel (all-ones is -1).
void countBlock(const Colour* nearAxis, std::ptrdiff_t rowStep, Colour barColour, std::int32_t* counted)
{
    const Lanes white = Lanes{} + colours::white;
    const Lanes grey = Lanes{} + colours::grey;
    const Lanes bar = Lanes{} + barColour;
    Lanes count[kBlockVectors] = {};
    Lanes whiteSeen[kBlockVectors] = {};
    const Colour* row = nearAxis;
    for (int i = 0; i < kBarRows; ++i, row += rowStep) {
        for (std::size_t k = 0; k < kBlockVectors; ++k) {
            const Lanes c = loadLanes(row + k * kLanes);
            whiteSeen[k] |= Lanes(c == white);
            count[k] += Lanes(c == bar) | (Lanes(c == grey) & ~whiteSeen[k]);
        }
    }
    for (std::size_t k = 0; k < kBlockVectors; ++k)
        for (std::size_t lane = 0; lane < kLanes; ++lane)
            counted[k * kLanes + lane] = -std::int32_t(count[k][lane]);
}

// The pass's pixels, nearest the axis first, with colours::none outside the
// chart: only needed when the pass reaches past a small chart's edge.
std::vector<Colour> passRectangle(const Bitmap& chart, const LevelPass& pass, int firstRow, int direction)
{
    std::vector<Colour> pixels;
    pixels.reserve(std::size_t(kBarRows) * kPassColumns);
    for (int i = 0; i < kBarRows; ++i)
        for (int j = 0; j < kPassColumns; ++j)
            pixels.push_back(chart.pixel(pass.firstColumn + j, firstRow + direction * i));
    return pixels;
}

// The counted pixels of every column of a pass: the pass's bar colour
// anywhere in the 75-row walk away from the axis, grey only until the first
// white. Twelve columns at a time, row by row.
std::array<std::int32_t, kPassColumns> passPixels(const Bitmap& chart, const LevelPass& pass)
{
    const int firstRow = pass.aboveAxis ? kBuyNearAxisRow : kSellNearAxisRow;
    const int direction = pass.aboveAxis ? -1 : 1;
    const int farRow = firstRow + direction * (kBarRows - 1);
    const bool inside = std::min(firstRow, farRow) >= 0 && std::max(firstRow, farRow) < chart.height() &&
                        pass.firstColumn >= 0 && pass.firstColumn + kPassColumns <= chart.width();
    std::vector<Colour> copied;
    const Colour* nearAxis = nullptr;
    std::ptrdiff_t rowStep = kPassColumns;
    if (inside) {
        nearAxis = chart.pixels().data() + std::size_t(firstRow) * std::size_t(chart.width()) +
                   std::size_t(pass.firstColumn);
        rowStep = std::ptrdiff_t(direction) * chart.width();
    } else {
        copied = passRectangle(chart, pass, firstRow, direction);
        nearAxis = copied.data();
    }
    std::array<std::int32_t, kPassColumns> counted{};
    for (std::size_t j = 0; j < kPassColumns; j += kBlockColumns)
        countBlock(nearAxis + j, rowStep, pass.barColour, counted.data() + j);
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
