#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reading/chart_reading.h"

namespace tivka {

// The levels of a reading as the history keeps them: one blob per reading.
//
// Layout: byte 0 is the format (1); the rest is a raw deflate stream of the body
//   u8   flags    1: level prices listed, 2: labels listed raw,
//                 4: step listed, 8: bars at the current price's column
//                 listed, 16: bars as lengths
//   u8   labels   number of scale labels, then the labels:
//        raw (flag 2):  labels x { i16 column, f64 price }
//        else:          u8 decimals d, then per label two zigzag varints: the
//                       column and the price in units of 10^-d, each as the
//                       change from the label before (the first from 0)
//   [f64 step]            only with flag 4; else ScaleStep of the labels
//   4 x 180 u8            bars walking outwards from the current price: buy
//                         left, buy right, sell left, sell right; as pixels
//                         with flag 16, else as (pixels - pixels of the
//                         level before, mod 256)
//   [u8 buy, u8 sell]     the current price's column, only with flag 8
//   [361 x f64]           level prices, only with flag 1
// all little-endian. A level's price is normally not stored: it is the
// scale's price of its column (ColumnPrice), and the current price at column
// 255, exactly as the reader computes it; whatever does not follow those
// rules is listed, so every reading comes back bit for bit.
// Percentages are not stored either: they are PercentOf(pixels).
//
// Why one blob per reading, labels as decimals and bars as changes: measured
// on a day of drifting charts of all pairs, a row per level takes 9 KB a
// reading; one deflated blob with raw labels and bars 484 bytes; this layout
// 177 bytes for cumulative charts and 400 for scattered ones (figures in the
// README).

// The body (uncompressed) of a complete reading, bars as changes or as
// lengths; throws HistoryError when a bar is longer than 255 pixels or the
// scale has more than 255 labels.
std::string LevelBody(const ChartReading& reading, bool barsAsChanges);

// The smaller of the two: changes suit cumulative charts, lengths charts of
// scattered bars. The body is what BodyDigest and the duplicate rule compare.
struct PackedLevels {
    std::string body;
    std::string blob;
};
PackedLevels PackReadingLevels(const ChartReading& reading);

// The stored blob of a body.
std::string PackLevels(std::string_view body);

// The body of a stored blob; throws HistoryError("levels of reading <id>: ...")
// for a blob that is not in this layout.
std::string UnpackLevels(std::string_view blob, std::int64_t readingId);

// Puts scale, step and levels of `body` into `reading`, whose `price` must
// already be set (it is the price of column 255). Throws HistoryError for a
// body of the wrong length.
void ApplyLevelBody(std::string_view body, ChartReading& reading, std::int64_t readingId);

// A 32-bit FNV-1a digest of a body, to find a held copy of a reading fast
// (the copy is then compared in full, so two bodies sharing a digest are
// still both kept).
std::uint32_t BodyDigest(std::string_view body);

}  // namespace tivka
