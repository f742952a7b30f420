#pragma once

#include <array>
#include <vector>

#include "chart/bitmap.h"
#include "reading/digit_template.h"
#include "reading/template_samples.h"

namespace tivka {

// How many printed characters a template cell was made from.
struct SampleCount {
    int upright = 0;
    int sideways = 0;
};

struct AssembledTemplate {
    Bitmap cells;  // 12 cells at a pitch of 8: 96 x 10
    std::array<SampleCount, glyphs::kCellCount> samples{};
};

// Makes the 12 template cells from the texts found on every chart, in the
// order given. Each text's place is the one whose samples agree with every
// other sample of the same characters; a text that several places fit
// equally takes the first (ink in its first character's column 0) once no
// other text can settle it. Upright samples give the cell pixels upright
// matching compares, sideways ones those sideways matching compares; the
// rest of each cell (the pixels neither compares, row 0 of a character seen
// only upright, column 5 of one seen only sideways) takes the background, the
// most frequent colour of the samples. Throws TemplateSourceError naming both
// places and the differing pixels when two samples of a character differ,
// listing every character without a sample, and naming where two characters
// were sampled whose cells come out the same (one was mistyped: the readers
// would always find the other).
AssembledTemplate AssembleTemplate(const std::vector<FoundText>& texts);

// Reads the chart with the template as every reader does (ReadChart, "." for
// the decimal point) and throws TemplateSourceError unless the price, the
// time and the given labels read back exactly and every label read is a
// number; the message names the text, what was read and the first character
// that differs.
void CheckReadBack(const Bitmap& chart, const ChartTexts& texts, const DigitTemplate& digits);

// '#' for ink, '.' for the background, ' ' for colours::none.
char InkMark(Colour pixel, Colour background);

}  // namespace tivka
