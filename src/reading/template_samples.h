#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "chart/bitmap.h"
#include "reading/digit_template.h"

namespace tivka {

// Making a digit template from charts the user has read: the texts given and
// the charts do not make one. The message names the chart, the text and,
// where it matters, the character.
class TemplateSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a user read on one chart, as printed, with "." for the decimal point
// whatever the system's separator.
struct ChartTexts {
    std::string chartName;            // names the chart in messages
    std::string price;
    std::string time;
    std::vector<std::string> labels;  // the first scale labels, left to right
};

// Where a character sample was cut.
struct SamplePlace {
    std::string chartName;
    std::string text;   // "price '1.2543'", "label 2 '1.2510'"
    int position = 0;   // of the character in the text, from 1
    // "orders.png, price '1.2543', character 3"
    std::string describe() const;
};

// The template cell pixels one printed character gives: upright text gives
// cell columns 0-5 of rows 1-9, sideways text columns 0-4 of rows 0-9, the
// pixels each matcher compares. Pixels not covered hold colours::none.
struct CharacterSample {
    static constexpr int kWidth = glyphs::kUprightWindowWidth;    // 6
    static constexpr int kHeight = glyphs::kUprightWindowHeight;  // 10

    int cell = 0;  // 0-11
    bool upright = true;
    std::array<Colour, kWidth * kHeight> pixels{};  // row by row
    SamplePlace place;

    bool covers(int column, int row) const
    {
        return upright ? row >= 1 : column < kWidth - 1;
    }
    Colour at(int column, int row) const { return pixels[std::size_t(row * kWidth + column)]; }
};

// One text found on a chart, cut at every place where its first character
// may start that the ink allows: every character's glyph columns hold ink and
// the blank column after each holds none. Each candidate holds one sample per
// character. The place that puts ink in the first character's column 0 comes
// first, then those further back (a glyph need not be inked in column 0).
struct FoundText {
    std::vector<std::vector<CharacterSample>> candidates;
};

// The cell a text character stands for (0-9, 10 the decimal point ".", 11
// the colon), or -1.
int CellOfCharacter(char c);

// The character cell k stands for: "0" to "9", "." or ":".
char CharacterOfCell(int cell);

// The most frequent colour of the pixels, colours::none left out (none when
// there is no other).
Colour MostFrequentColour(const std::vector<Colour>& pixels);

// Finds the current price, the time and the given labels (in the order the
// label scan meets them) where the readers look for them, and cuts their
// characters. Throws TemplateSourceError for a text that is empty or holds
// anything but digits, "." and ":", for a text not found, and for one whose
// length does not fit the ink found there.
std::vector<FoundText> FindTexts(const Bitmap& chart, const ChartTexts& texts);

}  // namespace tivka
