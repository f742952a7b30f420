// Finding the texts a user read on a chart where the readers look for them,
// and cutting their characters into template cell samples.
//
// The readers fix a text's rows (upright: the window's top row is the row
// above the band's first row with black ink; sideways: the window starts one
// column left of the label's first inked column). What they do not fix is
// where along the text its first character starts: characters follow at a
// pitch of 6, but a glyph need not have ink in its first column. So every
// start the ink allows is kept; the template assembly picks among them.
#include "reading/template_samples.h"

#include <algorithm>
#include <map>
#include <utility>

#include "chart/chart_geometry.h"

namespace tivka {

namespace {

using namespace geometry;

constexpr int kPitch = glyphs::kUprightWindowWidth;      // 5 glyph columns and a blank one
constexpr int kGlyphColumns = kPitch - 1;
constexpr int kGlyphRows = glyphs::kUprightWindowHeight - 1;
constexpr int kLabelRows = kLabelInkBottom - kLabelInkTop + 1;  // above them lie the sell bars
constexpr const char* kTextCharacters = "0123456789.:";

// Chart columns [left, left + width), rows [top, top + height).
struct Area {
    int left;
    int top;
    int width;
    int height;
};

Colour mostFrequentColour(const Bitmap& chart, const Area& area)
{
    std::vector<Colour> pixels;
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            pixels.push_back(chart.pixel(x, y));
    return MostFrequentColour(pixels);
}

template <typename Test>
bool anyPixel(const Bitmap& chart, const Area& area, Test test)
{
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            if (test(chart.pixel(x, y)))
                return true;
    return false;
}

// Ink is anything inside the chart that is not the background.
bool hasInk(const Bitmap& chart, const Area& area, Colour background)
{
    return anyPixel(chart, area, [background](Colour c) { return c != background && c != colours::none; });
}

bool inside(const Bitmap& chart, const Area& area)
{
    return chart.contains(area.left, area.top) &&
           chart.contains(area.left + area.width - 1, area.top + area.height - 1);
}

bool hasBlack(const Bitmap& chart, const Area& area)
{
    return anyPixel(chart, area, [](Colour c) { return c == colours::black; });
}

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

void checkCharacters(const std::string& chartName, const std::string& textName, const std::string& text)
{
    if (text.empty())
        throw TemplateSourceError(chartName + ": the " + textName + " is empty");
    for (std::size_t i = 0; i < text.size(); ++i)
        if (CellOfCharacter(text[i]) < 0)
            throw TemplateSourceError(chartName + ": the " + textName + " " + quoted(text) + " holds " +
                                      quoted(std::string(1, text[i])) + " at character " + std::to_string(i + 1) +
                                      "; texts hold only digits, '.' for the decimal point and ':'");
}

// What the samples of one text have in common while they are cut.
struct TextCut {
    const std::string& chartName;
    std::string name;  // "price '1.2543'"
    const std::string& text;
    Colour background;
};

CharacterSample blankSample(const TextCut& cut, std::size_t i, bool upright)
{
    CharacterSample sample;
    sample.cell = CellOfCharacter(cut.text[i]);
    sample.upright = upright;
    sample.pixels.fill(colours::none);
    sample.place = {cut.chartName, cut.name, int(i) + 1};
    return sample;
}

// Upright character i lies in columns x + 6i to x + 6i + 4, its cell row 0 on
// the row above the first inked one.
std::vector<CharacterSample> cutUpright(const Bitmap& chart, const TextCut& cut, int x, int inkRow)
{
    std::vector<CharacterSample> samples;
    for (std::size_t i = 0; i < cut.text.size(); ++i) {
        CharacterSample sample = blankSample(cut, i, true);
        for (int row = 1; row < CharacterSample::kHeight; ++row)
            for (int column = 0; column < CharacterSample::kWidth; ++column)
                sample.pixels[std::size_t(row * CharacterSample::kWidth + column)] =
                    chart.pixel(x + kPitch * int(i) + column, inkRow - 1 + row);
        samples.push_back(sample);
    }
    return samples;
}

// Why a text cannot start at some place: the first character (from 1) that
// does not fit there and how; character 0 when it can.
struct Fault {
    int character = 0;
    std::string what;
};

// Of the faults of every place tried, the one that fits the most characters
// before it: a text too long or too short for the ink, not a wrong start.
void keepFurthest(Fault& furthest, Fault fault)
{
    if (fault.character > furthest.character)
        furthest = std::move(fault);
}

Fault uprightFault(const Bitmap& chart, const TextCut& cut, int x, int inkRow)
{
    for (int i = 0; i < int(cut.text.size()); ++i) {
        const int left = x + kPitch * i;
        const std::string character = "character " + std::to_string(i + 1);
        if (!inside(chart, {left, inkRow - 1, kPitch, kGlyphRows + 1}))
            return {i + 1, "starting at column " + std::to_string(x) + ", " + character +
                               " would reach past the chart's edge"};
        if (!hasInk(chart, {left, inkRow, kGlyphColumns, kGlyphRows}, cut.background))
            return {i + 1, "starting at column " + std::to_string(x) + ", " + character + " would have no ink"};
        if (hasInk(chart, {left + kGlyphColumns, inkRow, 1, kGlyphRows}, cut.background))
            return {i + 1, "starting at column " + std::to_string(x) + ", column " +
                               std::to_string(left + kGlyphColumns) + ", the blank column after " + character +
                               ", holds ink"};
    }
    return {};
}

int firstBlackRow(const Bitmap& chart, const TextBand& band)
{
    for (int y = band.firstRow; y < band.endRow; ++y)
        if (hasBlack(chart, {band.firstColumn, y, band.endColumn - band.firstColumn, 1}))
            return y;
    return -1;
}

std::string span(const char* what, int first, int last)
{
    return what + std::to_string(first) + "-" + std::to_string(last);
}

FoundText findUpright(const Bitmap& chart, const std::string& chartName, const std::string& what,
                      const std::string& text, const TextBand& band)
{
    const int inkRow = firstBlackRow(chart, band);
    if (inkRow < 0)
        throw TemplateSourceError(chartName + ": no black ink in " + span("rows ", band.firstRow, band.endRow - 1) +
                                  ", " + span("columns ", band.firstColumn, band.endColumn - 1) +
                                  ", where the readers look for the " + what);
    // The readers start a character in the band's columns; its glyph reaches 4 further.
    const Area line{band.firstColumn, inkRow, band.endColumn + kGlyphColumns - 1 - band.firstColumn, kGlyphRows};
    const TextCut cut{chartName, what + " " + quoted(text), text, mostFrequentColour(chart, line)};
    int firstInk = line.left;
    while (firstInk < band.endColumn && !hasInk(chart, {firstInk, inkRow, 1, kGlyphRows}, cut.background))
        ++firstInk;
    FoundText found;
    Fault furthest{-1, "no ink to start from"};
    const int lastStart = std::min(firstInk, band.endColumn - 1);
    for (int x = lastStart; x >= std::max(band.firstColumn, firstInk - (kGlyphColumns - 1)); --x) {
        Fault fault = uprightFault(chart, cut, x, inkRow);
        if (fault.character == 0)
            found.candidates.push_back(cutUpright(chart, cut, x, inkRow));
        else
            keepFurthest(furthest, std::move(fault));
    }
    if (found.candidates.empty())
        throw TemplateSourceError(chartName + ": the " + cut.name + " does not fit the ink of " +
                                  span("rows ", inkRow, inkRow + kGlyphRows - 1) +
                                  " (characters 5 columns wide, a blank column after each): " + furthest.what);
    return found;
}

// Sideways character j: cell column c on row bottom - 6j - c, cell row r on
// column x - 1 + r.
std::vector<CharacterSample> cutSideways(const Bitmap& chart, const TextCut& cut, int x, int bottom)
{
    std::vector<CharacterSample> samples;
    for (std::size_t j = 0; j < cut.text.size(); ++j) {
        CharacterSample sample = blankSample(cut, j, false);
        for (int row = 0; row < CharacterSample::kHeight; ++row)
            for (int column = 0; column < kGlyphColumns; ++column)
                sample.pixels[std::size_t(row * CharacterSample::kWidth + column)] =
                    chart.pixel(x - 1 + row, bottom - kPitch * int(j) - column);
        samples.push_back(sample);
    }
    return samples;
}

// Rows [top, bottom] of the label's columns that lie in the label rows.
Area labelRows(int x, int top, int bottom)
{
    top = std::max(top, kLabelInkTop);
    bottom = std::min(bottom, kLabelInkBottom);
    return {x - 1, top, glyphs::kSideWindowWidth, std::max(0, bottom - top + 1)};
}

Fault sidewaysFault(const Bitmap& chart, const TextCut& cut, int x, int bottom)
{
    for (int j = 0; j < int(cut.text.size()); ++j) {
        const int low = bottom - kPitch * j;
        const Area glyph = labelRows(x, low - kGlyphColumns + 1, low);
        const std::string character = "character " + std::to_string(j + 1);
        if (!inside(chart, {x - 1, low - kGlyphColumns + 1, glyphs::kSideWindowWidth, kGlyphColumns}))
            return {j + 1, "starting at row " + std::to_string(bottom) + ", " + character +
                               " would reach past the chart's edge"};
        if (glyph.height > 0 && !hasInk(chart, glyph, cut.background))
            return {j + 1, "starting at row " + std::to_string(bottom) + ", " + character + " would have no ink"};
        if (hasInk(chart, labelRows(x, low - kGlyphColumns, low - kGlyphColumns), cut.background))
            return {j + 1, "starting at row " + std::to_string(bottom) + ", row " +
                               std::to_string(low - kGlyphColumns) + ", the blank row after " + character +
                               ", holds ink"};
    }
    return {};
}

FoundText findLabel(const Bitmap& chart, const std::string& chartName, int number, const std::string& text, int x)
{
    const Area rows = labelRows(x, kLabelInkTop, kLabelInkBottom);
    const TextCut cut{chartName, "label " + std::to_string(number) + " " + quoted(text), text,
                      mostFrequentColour(chart, rows)};
    int lowestInk = kLabelInkBottom;
    while (lowestInk > kLabelInkTop && !hasInk(chart, labelRows(x, lowestInk, lowestInk), cut.background))
        --lowestInk;
    FoundText found;
    Fault furthest{-1, "no ink to start from"};
    for (int bottom = lowestInk; bottom <= std::min(lowestInk + kGlyphColumns - 1, kLabelBottomRow - 1); ++bottom) {
        Fault fault = sidewaysFault(chart, cut, x, bottom);
        if (fault.character == 0)
            found.candidates.push_back(cutSideways(chart, cut, x, bottom));
        else
            keepFurthest(furthest, std::move(fault));
    }
    if (found.candidates.empty())
        throw TemplateSourceError(chartName + ": the " + cut.name + " does not fit the ink of " +
                                  span("columns ", x - 1, x + glyphs::kSideWindowWidth - 2) + " read upwards" +
                                  " (characters 5 rows high, a blank row after each): " + furthest.what);
    return found;
}

// The first inked columns of the first `wanted` labels, as the readers' scan
// meets them: a column with black ink in the label rows, the next label
// searched 10 columns on.
std::vector<int> labelColumns(const Bitmap& chart, std::size_t wanted)
{
    std::vector<int> columns;
    for (int x = kLabelScanFirst; x < kLabelScanEnd && columns.size() < wanted; ++x) {
        if (hasBlack(chart, {x, kLabelInkTop, 1, kLabelRows})) {
            columns.push_back(x);
            x += kLabelAdvance - 1;
        }
    }
    return columns;
}

}  // namespace

std::string SamplePlace::describe() const
{
    return chartName + ", " + text + ", character " + std::to_string(position);
}

int CellOfCharacter(char c)
{
    const char* at = std::char_traits<char>::find(kTextCharacters, glyphs::kCellCount, c);
    return at ? int(at - kTextCharacters) : -1;
}

char CharacterOfCell(int cell)
{
    return kTextCharacters[cell];
}

Colour MostFrequentColour(const std::vector<Colour>& pixels)
{
    std::map<Colour, int> counts;
    for (const Colour c : pixels)
        if (c != colours::none)
            ++counts[c];
    if (counts.empty())
        return colours::none;
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

std::vector<FoundText> FindTexts(const Bitmap& chart, const ChartTexts& texts)
{
    const std::string& name = texts.chartName;
    checkCharacters(name, "price", texts.price);
    checkCharacters(name, "time", texts.time);
    for (std::size_t i = 0; i < texts.labels.size(); ++i)
        checkCharacters(name, "label " + std::to_string(i + 1), texts.labels[i]);
    std::vector<FoundText> found{findUpright(chart, name, "price", texts.price, kPriceText),
                                 findUpright(chart, name, "time", texts.time, kTimeText)};
    const std::vector<int> columns = labelColumns(chart, texts.labels.size());
    if (columns.size() < texts.labels.size())
        throw TemplateSourceError(name + ": " + std::to_string(texts.labels.size()) + " labels given, but only " +
                                  std::to_string(columns.size()) + " found where the readers look for them" +
                                  " (black ink in " + span("rows ", kLabelInkTop, kLabelInkBottom) + ", " +
                                  span("columns ", kLabelScanFirst, kLabelScanEnd - 1) + ")");
    for (std::size_t i = 0; i < columns.size(); ++i)
        found.push_back(findLabel(chart, name, int(i) + 1, texts.labels[i], columns[i]));
    return found;
}

}  // namespace tivka
