#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tivka {

// The now-record of one chart.
struct Rnp {
    double Price = 0;
    std::string Time;
};

// One label of a price scale.
struct ScaleMark {
    double Price = 0;
    std::int32_t Column = 0;
};

// One price level, that is one chart column.
struct LevelRow {
    double Price = 0;
    std::int32_t BuyPercent = 0;
    std::int32_t SellPercent = 0;
};

constexpr int kFirstLevelColumn = 75;
constexpr int kLastLevelColumn = 435;
constexpr int kNowColumn = 255;
constexpr int kScaleCapacity = 100;

// Level rows indexed by chart column 75 to 435.
class LevelTable {
public:
    LevelRow& operator[](int column) { return rows_.at(std::size_t(column - kFirstLevelColumn)); }
    const LevelRow& operator[](int column) const
    {
        return rows_.at(std::size_t(column - kFirstLevelColumn));
    }

private:
    std::array<LevelRow, kLastLevelColumn - kFirstLevelColumn + 1> rows_{};
};

// Everything one reading of one chart keeps. Entries of Scale beyond
// ScaleCount are left from earlier readings and are never read.
struct ChartResults {
    Rnp Now;
    std::array<ScaleMark, kScaleCapacity> Scale{};  // Scale[0] is label 1
    std::int32_t ScaleCount = 0;
    double Step = 0;
    std::int32_t Digits = 4;
    LevelTable Levels;
};

}  // namespace tivka
