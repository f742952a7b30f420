#include "reading/chart_reading.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <vector>

#include "platform/conversions.h"
#include "reading/glyph_reader.h"

namespace tivka {

namespace {

using namespace geometry;

constexpr int kPassColumns = kSideColumns;

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

// The counted pixels of every column of a pass: the pass's bar colour
// anywhere in the 75-row walk away from the axis, grey only until the first
// white. Pixels outside a small chart are colours::none and count for nothing.
// Row by row, each row in the order it lies in memory, and without branches,
// so that the compiler may count several columns at once.
std::array<std::int32_t, kPassColumns> passPixels(const Bitmap& chart, const BarGroup& pass)
{
    const int nearAxisRow = pass.aboveAxis ? kBuyNearAxisRow : kSellNearAxisRow;
    const int direction = pass.aboveAxis ? -1 : 1;
    std::array<std::int32_t, kPassColumns> counted{};
    std::array<std::int32_t, kPassColumns> whiteSeen{};
    std::array<Colour, kPassColumns> spare;
    for (int i = 0; i < kBarRows; ++i) {
        const Colour* row = readRow(chart, nearAxisRow + direction * i, pass.firstColumn, kPassColumns, spare.data());
        for (std::size_t j = 0; j < kPassColumns; ++j) {
            whiteSeen[j] |= row[j] == colours::white;
            counted[j] += (row[j] == pass.colour) | ((row[j] == colours::grey) & !whiteSeen[j]);
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

// The current price and the time; false when the price is not a number.
bool readNow(GlyphReader& reader, const ReadingOptions& options, ChartReading& reading)
{
    reading.priceText = reader.readUprightText(kPriceText, options.decimalSymbol);
    if (!TryParseNumber(reading.priceText, options.systemSeparator, reading.price)) {
        reading.failure = ReadingFailure{ReadingFailure::Stage::Price, reading.priceText};
        return false;
    }
    reading.level(kNowColumn).price = reading.price;
    reading.timeText = reader.readUprightText(kTimeText, options.decimalSymbol);
    return true;
}

// The scale labels; false at the first label that is not a number.
bool readScale(const Bitmap& chart, GlyphReader& reader, const ReadingOptions& options, ChartReading& reading)
{
    const auto ink = labelInk(chart);
    int x = kLabelScanFirst;
    while (x < kLabelScanEnd) {
        if (!ink[std::size_t(x - kLabelScanFirst)]) {
            x += 1;
            continue;
        }
        std::string text = reader.readSideLabel(x, options.decimalSymbol);
        reading.labelInk.push_back({x, text});
        if (text.empty()) {
            x += 1;
            continue;
        }
        ScaleMark mark{0, x + kLabelTickOffset};
        if (!TryParseNumber(text, options.systemSeparator, mark.price)) {
            reading.failure = ReadingFailure{ReadingFailure::Stage::ScaleLabel, text};
            return false;
        }
        reading.scale.push_back(mark);
        x += kLabelAdvance;
    }
    return true;
}

// The reference label of a walk over increasing columns only ever moves
// right, so the walk costs one pass over the labels.
class PriceWalk {
public:
    PriceWalk(const std::vector<ScaleMark>& scale, double step) : scale_(scale), step_(step) {}

    double priceOf(int x)
    {
        if (scale_.empty())
            return 0;
        while (reference_ + 1 < scale_.size() && scale_[reference_].column < x)
            ++reference_;
        const ScaleMark& ref = scale_[reference_];
        const long double offset = static_cast<long double>(ref.column) - x;
        return static_cast<double>(static_cast<long double>(ref.price) - offset * static_cast<long double>(step_));
    }

private:
    const std::vector<ScaleMark>& scale_;
    double step_;
    std::size_t reference_ = 0;
};

void runPass(const Bitmap& chart, const BarGroup& pass, ChartReading& reading)
{
    const auto pixels = passPixels(chart, pass);
    PriceWalk walk(reading.scale, reading.step);
    for (int j = 0; j < kPassColumns; ++j) {
        Level& level = reading.level(pass.firstColumn + j);
        if (pass.aboveAxis) {
            level.price = walk.priceOf(pass.firstColumn + j);
            level.buyPixels = pixels[std::size_t(j)];
        } else {
            level.sellPixels = pixels[std::size_t(j)];
        }
    }
}

}  // namespace

int PercentOf(int countedPixels)
{
    return 100 * countedPixels / kFullBarPixels;
}

std::string ReadingFailure::message() const
{
    return NotANumberMessage(text);
}

void ChartReading::throwIfFailed() const
{
    if (failure)
        throw ConversionError(failure->message());
}

const Level& ChartReading::level(int column) const
{
    return levels.at(std::size_t(column - kFirstLevelColumn));
}

Level& ChartReading::level(int column)
{
    return levels.at(std::size_t(column - kFirstLevelColumn));
}

double ScaleStep(const std::vector<ScaleMark>& scale)
{
    if (scale.size() < 2)
        return 0;
    const long double rise = static_cast<long double>(scale[1].price) - scale[0].price;
    return static_cast<double>(rise / (scale[1].column - scale[0].column));
}

double ColumnPrice(const std::vector<ScaleMark>& scale, double step, int x)
{
    return PriceWalk(scale, step).priceOf(x);
}

ChartReading ReadChart(const Bitmap& chart, const DigitTemplate& digits, const ReadingOptions& options)
{
    ChartReading reading;
    GlyphReader reader(digits, chart);
    if (!readNow(reader, options, reading) || !readScale(chart, reader, options, reading))
        return reading;
    reading.step = ScaleStep(reading.scale);
    for (const BarGroup& pass : kBarGroups)
        runPass(chart, pass, reading);
    return reading;
}

ChartReading ReadCompleteChart(const Bitmap& chart, const DigitTemplate& digits, const ReadingOptions& options)
{
    ChartReading reading = ReadChart(chart, digits, options);
    reading.throwIfFailed();
    return reading;
}

}  // namespace tivka
