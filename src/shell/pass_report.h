#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/refresh_events.h"

namespace tivka {

// What one indicator pass did, gathered from its events: the log line of the
// feed and its exit status are made of it.
class PassReport {
public:
    // Takes one event of the pass (others are ignored).
    void take(const RefreshEvent& event);

    // The pairs asked for, in list order, that were served or not.
    const std::vector<std::string>& served() const { return served_; }
    const std::vector<PairFailed>& failed() const { return failed_; }
    bool allServed() const { return failed_.empty(); }

    // One line: "pass: 3 pairs requested, 2 served (GBPUSD, AUDUSD), 1 failed:
    // EURUSD (<reason>)", then the layout warnings, the files left alone and
    // what the pass found in its folders ("Папка индикаторов 2 не найдена:
    // ..."); "pass: no pairs requested" when no flag asked for any.
    std::string line() const;

private:
    std::vector<std::string> served_;
    std::vector<PairFailed> failed_;
    std::vector<std::string> warnings_;
    std::vector<std::string> refused_;
    std::vector<std::string> folderNotes_;  // a missing folder, ignored flags: told by the pass once
};

}  // namespace tivka
