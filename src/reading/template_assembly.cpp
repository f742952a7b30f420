// Assembling the digit template from the character samples of every text
// found, and checking it by reading the charts back.
#include "reading/template_assembly.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "reading/chart_reading.h"

namespace tivka {

namespace {

constexpr int kWidth = CharacterSample::kWidth;
constexpr int kHeight = CharacterSample::kHeight;

using Candidate = std::vector<CharacterSample>;
using PixelList = std::vector<std::pair<int, int>>;  // (cell column, cell row)

// Where two samples of one character differ, over the pixels both cover.
PixelList differingPixels(const CharacterSample& a, const CharacterSample& b)
{
    PixelList at;
    for (int row = 0; row < kHeight; ++row)
        for (int column = 0; column < kWidth; ++column)
            if (a.covers(column, row) && b.covers(column, row) && a.at(column, row) != b.at(column, row))
                at.emplace_back(column, row);
    return at;
}

// The samples taken so far: the first of each character in each orientation
// (every later one agrees with them) and how many were taken.
class CellAssembly {
public:
    // A taken sample of the same character that `sample` differs from.
    const CharacterSample* differsFrom(const CharacterSample& sample) const
    {
        for (const auto* taken : {&upright_[std::size_t(sample.cell)], &sideways_[std::size_t(sample.cell)]})
            if (*taken && !differingPixels(**taken, sample).empty())
                return &**taken;
        return nullptr;
    }

    void take(const CharacterSample& sample)
    {
        const auto cell = std::size_t(sample.cell);
        auto& first = (sample.upright ? upright_ : sideways_)[cell];
        if (!first)
            first = sample;
        ++(sample.upright ? counts_[cell].upright : counts_[cell].sideways);
    }

    bool has(int cell) const { return upright_[std::size_t(cell)] || sideways_[std::size_t(cell)]; }

    const SamplePlace& firstPlace(int cell) const
    {
        const auto& upright = upright_[std::size_t(cell)];
        return (upright ? *upright : *sideways_[std::size_t(cell)]).place;
    }

    AssembledTemplate build() const;

private:
    std::array<std::optional<CharacterSample>, glyphs::kCellCount> upright_;
    std::array<std::optional<CharacterSample>, glyphs::kCellCount> sideways_;
    std::array<SampleCount, glyphs::kCellCount> counts_{};
};

void paint(Bitmap& cells, const CharacterSample& sample)
{
    for (int row = 0; row < kHeight; ++row)
        for (int column = 0; column < kWidth; ++column)
            if (sample.covers(column, row))
                cells.setPixel(sample.cell * glyphs::kCellPitch + column, row, sample.at(column, row));
}

AssembledTemplate CellAssembly::build() const
{
    std::vector<Colour> sampled;
    for (const auto* firsts : {&upright_, &sideways_})
        for (const auto& sample : *firsts)
            if (sample)
                sampled.insert(sampled.end(), sample->pixels.begin(), sample->pixels.end());
    AssembledTemplate result{Bitmap(glyphs::kCellPitch * glyphs::kCellCount, kHeight, MostFrequentColour(sampled)),
                             counts_};
    for (const auto* firsts : {&sideways_, &upright_})
        for (const auto& sample : *firsts)
            if (sample)
                paint(result.cells, *sample);
    return result;
}

// The sample at `index` of a candidate differs from `earlier`, taken before it.
struct Disagreement {
    std::size_t index;
    CharacterSample earlier;
};

std::optional<Disagreement> firstDisagreement(CellAssembly cells, const Candidate& candidate)
{
    for (std::size_t i = 0; i < candidate.size(); ++i) {
        if (const CharacterSample* earlier = cells.differsFrom(candidate[i]))
            return Disagreement{i, *earlier};
        cells.take(candidate[i]);
    }
    return std::nullopt;
}

// Rows of the sample as text art, beside each other.
std::string sideBySide(const CharacterSample& a, const CharacterSample& b)
{
    std::string art = "    1       2\n";
    for (int row = 0; row < kHeight; ++row) {
        art += "    ";
        for (const CharacterSample* sample : {&a, &b}) {
            const Colour background =
                MostFrequentColour({sample->pixels.begin(), sample->pixels.end()});
            for (int column = 0; column < kWidth; ++column)
                art += InkMark(sample->at(column, row), background);
            art += "  ";
        }
        art.erase(art.find_last_not_of(' ') + 1);
        art += "\n";
    }
    return art;
}

std::string disagreementMessage(const CharacterSample& earlier, const CharacterSample& later)
{
    std::string message = std::string("the samples of '") + CharacterOfCell(later.cell) + "' differ:\n  1: " +
                          earlier.place.describe() + "\n  2: " + later.place.describe() +
                          "\n  differing cell pixels (column,row):";
    for (const auto& [column, row] : differingPixels(earlier, later))
        message += " (" + std::to_string(column) + "," + std::to_string(row) + ")";
    return message + "\n" + sideBySide(earlier, later) + "Check both texts against their charts.";
}

// The text's candidates that agree with the samples taken, in their order.
// Throws when none does, naming the disagreement of the candidate that
// agrees longest (a mistyped character, not a wrong start).
std::vector<const Candidate*> agreeingCandidates(const CellAssembly& cells, const FoundText& text)
{
    std::vector<const Candidate*> agreeing;
    std::optional<std::pair<const Candidate*, Disagreement>> longest;
    for (const Candidate& candidate : text.candidates) {
        std::optional<Disagreement> disagreement = firstDisagreement(cells, candidate);
        if (!disagreement)
            agreeing.push_back(&candidate);
        else if (!longest || disagreement->index > longest->second.index)
            longest.emplace(&candidate, std::move(*disagreement));
    }
    if (agreeing.empty())
        throw TemplateSourceError(
            disagreementMessage(longest->second.earlier, (*longest->first)[longest->second.index]));
    return agreeing;
}

void takeAll(CellAssembly& cells, const Candidate& candidate)
{
    for (const CharacterSample& sample : candidate)
        cells.take(sample);
}

// Takes every pending text that exactly one candidate fits; false when none
// was settled.
bool takeSettledTexts(CellAssembly& cells, std::vector<const FoundText*>& pending)
{
    bool settled = false;
    for (auto it = pending.begin(); it != pending.end();) {
        const std::vector<const Candidate*> agreeing = agreeingCandidates(cells, **it);
        if (agreeing.size() == 1) {
            takeAll(cells, *agreeing.front());
            it = pending.erase(it);
            settled = true;
        } else {
            ++it;
        }
    }
    return settled;
}

void checkComplete(const CellAssembly& cells)
{
    std::string missing;
    for (int cell = 0; cell < glyphs::kCellCount; ++cell) {
        if (cells.has(cell))
            continue;
        const char c = CharacterOfCell(cell);
        missing += std::string(missing.empty() ? "" : "\n") + "no sample of " + c +
                   " yet: give a chart whose price, time or labels contain a " + c;
    }
    if (!missing.empty())
        throw TemplateSourceError(missing);
}

// True when cells a and b hold the same pixels where one matcher compares.
bool sameCells(const Bitmap& cells, int a, int b, bool upright)
{
    for (int row = upright ? 1 : 0; row < kHeight; ++row)
        for (int column = 0; column < (upright ? kWidth : kWidth - 1); ++column)
            if (cells.pixel(a * glyphs::kCellPitch + column, row) != cells.pixel(b * glyphs::kCellPitch + column, row))
                return false;
    return true;
}

// Of two identical cells the readers always find the first: the samples of
// the other were most likely a mistyped character.
void checkDistinct(const CellAssembly& assembly, const Bitmap& cells)
{
    for (int a = 0; a < glyphs::kCellCount; ++a)
        for (int b = a + 1; b < glyphs::kCellCount; ++b)
            if (sameCells(cells, a, b, true) || sameCells(cells, a, b, false))
                throw TemplateSourceError(std::string("'") + CharacterOfCell(a) + "' and '" + CharacterOfCell(b) +
                                          "' look the same, so the readers could not tell them apart:\n  " +
                                          assembly.firstPlace(a).describe() + "\n  " +
                                          assembly.firstPlace(b).describe() +
                                          "\nCheck both texts against their charts.");
}

std::size_t firstDifference(const std::string& a, const std::string& b)
{
    return std::size_t(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

void expectReadBack(const std::string& chartName, const std::string& what, const std::string& read,
                    const std::string& given)
{
    if (read == given)
        return;
    throw TemplateSourceError(chartName + ": read back with the new template, the " + what + " reads '" + read +
                              "', not '" + given + "' as given (character " +
                              std::to_string(firstDifference(given, read) + 1) + " differs)");
}

}  // namespace

char InkMark(Colour pixel, Colour background)
{
    if (pixel == colours::none)
        return ' ';
    return pixel == background ? '.' : '#';
}

AssembledTemplate AssembleTemplate(const std::vector<FoundText>& texts)
{
    CellAssembly cells;
    std::vector<const FoundText*> pending;
    for (const FoundText& text : texts)
        pending.push_back(&text);
    while (!pending.empty()) {
        if (takeSettledTexts(cells, pending))
            continue;
        takeAll(cells, *agreeingCandidates(cells, *pending.front()).front());
        pending.erase(pending.begin());
    }
    checkComplete(cells);
    AssembledTemplate result = cells.build();
    checkDistinct(cells, result.cells);
    return result;
}

void CheckReadBack(const Bitmap& chart, const ChartTexts& texts, const DigitTemplate& digits)
{
    const ChartReading reading = ReadChart(chart, digits, ReadingOptions{".", "."});
    const std::string& name = texts.chartName;
    const auto stopped = [&] {
        return TemplateSourceError(name + ": read back with the new template, " + reading.failure->message());
    };
    expectReadBack(name, "price", reading.priceText, texts.price);
    if (reading.failure && reading.failure->stage == ReadingFailure::Stage::Price)
        throw stopped();
    expectReadBack(name, "time", reading.timeText, texts.time);
    std::vector<std::string> labels;
    for (const LabelInk& ink : reading.labelInk)
        if (!ink.text.empty())
            labels.push_back(ink.text);
    for (std::size_t i = 0; i < texts.labels.size(); ++i) {
        if (i >= labels.size())
            throw TemplateSourceError(name + ": read back with the new template, the readers find " +
                                      std::to_string(labels.size()) + " labels, not the " +
                                      std::to_string(texts.labels.size()) + " given");
        expectReadBack(name, "label " + std::to_string(i + 1), labels[i], texts.labels[i]);
    }
    if (reading.failure)
        throw stopped();
}

}  // namespace tivka
