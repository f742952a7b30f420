#pragma once

#include <string>
#include <vector>

#include "export/reading_recorder.h"
#include "interface/pass_health.h"

namespace tivka {

// The JSON documents of the local interface; the README gives their schema.

// One reading: pair, kind, variant, fetch time, chart time, price (number and
// text), step, the scale labels, every level that can hold bars (chart
// columns 75 to 435 but 255: column, price, buy and sell in per cent) and the
// layout guard's verdict. Prices are the reader's own doubles, written as the
// shortest text that reads back the same.
std::string ReadingJson(const StoredReading& stored);

// The pairs held, each with the fetch time of its latest reading per chart
// kind (either variant).
std::string PairsJson(const std::vector<StoredReading>& latest);

// The last pass and the last outcome of every pair asked for.
std::string HealthJson(const PassHealth::Snapshot& health);

// {"error": <message>}
std::string ErrorJson(const std::string& message);

}  // namespace tivka
