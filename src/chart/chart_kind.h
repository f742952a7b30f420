#pragma once

#include <array>
#include <cstddef>

namespace tivka {

// The broker publishes two charts of every pair: open orders and open
// positions. Everything held once per chart is indexed by this.
enum class ChartKind { Orders, Positions };

// Both kinds, in the order the charts are read, shown and written.
constexpr std::array<ChartKind, 2> kChartKinds{ChartKind::Orders, ChartKind::Positions};

// One T for each chart kind, so that nothing is spelt out twice as an
// orders… and a positions… field.
template <class T>
struct PerChart {
    std::array<T, 2> items{};

    T& operator[](ChartKind kind) { return items[std::size_t(kind)]; }
    const T& operator[](ChartKind kind) const { return items[std::size_t(kind)]; }
    bool operator==(const PerChart&) const = default;
};

}  // namespace tivka
