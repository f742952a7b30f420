#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "export/reading_recorder.h"

namespace tivka {

class HistoryStore;

struct HistoryRecorderOptions {
    std::string path;          // the database file
    int keepDays = 0;          // readings older than this are deleted at start; 0 keeps all
    std::int64_t startedAt = 0;  // the time the age is counted from
    // Called on the writer thread with the first failure's message (the file
    // and what went wrong); later failures are not reported again.
    std::function<void(const std::string& message)> onFailure;
    // Called on the writer thread after readings were committed.
    std::function<void()> onStored;
};

// Keeps readings in the history without holding up the caller: record()
// copies the reading into a queue, and a writer thread of its own opens the
// store (pruning it once), then commits whatever has queued up in one
// transaction at a time. A failure is reported once and costs only the
// readings of that transaction; the next readings try again (the store is
// opened anew). Destruction stores what is still queued, then ends the thread.
class HistoryRecorder final : public ReadingRecorder {
public:
    explicit HistoryRecorder(HistoryRecorderOptions options);
    ~HistoryRecorder() override;
    HistoryRecorder(const HistoryRecorder&) = delete;
    HistoryRecorder& operator=(const HistoryRecorder&) = delete;

    // Safe from any thread. When the writer has fallen far behind (10,000
    // readings queued), the reading is dropped and that is reported.
    void record(const StoredReading& reading) override;

    // Waits until every reading recorded so far has been dealt with.
    void flush();

private:
    void run();
    void store(std::deque<StoredReading>& batch);
    void recordOne(const StoredReading& reading);
    void report(const std::string& message);

    HistoryRecorderOptions options_;
    std::unique_ptr<HistoryStore> store_;
    bool pruned_ = false;
    bool reported_ = false;  // writer thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<StoredReading> queue_;
    bool busy_ = false;
    bool overflowReported_ = false;
    bool stopping_ = false;
    std::thread writer_;
};

}  // namespace tivka
