#include "history/history_recorder.h"

#include "history/history_store.h"

namespace tivka {

namespace {

constexpr std::size_t kMaxQueued = 10000;

}  // namespace

HistoryRecorder::HistoryRecorder(HistoryRecorderOptions options)
    : options_(std::move(options)), writer_([this] { run(); })
{
}

HistoryRecorder::~HistoryRecorder()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
}

void HistoryRecorder::record(const StoredReading& reading)
{
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= kMaxQueued) {
            if (overflowReported_)
                return;
            overflowReported_ = true;
            queue_.emplace_back();  // an empty pair marks the overflow for the writer to report
        } else {
            queue_.push_back(reading);
        }
    }
    wake_.notify_one();
}

void HistoryRecorder::flush()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void HistoryRecorder::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty() && stopping_)
            break;
        std::deque<StoredReading> batch;
        batch.swap(queue_);
        busy_ = true;
        lock.unlock();
        store(batch);
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
    store_.reset();
}

void HistoryRecorder::store(std::deque<StoredReading>& batch)
{
    try {
        if (!store_) {
            store_ = OpenHistory(options_.path, pruned_ ? 0 : options_.keepDays, options_.startedAt);
            pruned_ = true;
        }
        HistoryStore::Batch transaction(*store_);
        for (const StoredReading& reading : batch)
            recordOne(reading);
        transaction.commit();
    } catch (const std::exception& error) {
        store_.reset();
        report(error.what());
        return;
    }
    for (const StoredReading& reading : batch)
        if (reading.pairText.empty())
            report(options_.path + ": the history could not keep up; readings were dropped");
    if (options_.onStored)
        options_.onStored();
}

// A reading that cannot be kept (a bar too long to store) costs only itself;
// a failing database fails the commit after it as well.
void HistoryRecorder::recordOne(const StoredReading& reading)
{
    if (reading.pairText.empty())
        return;
    try {
        store_->record(reading);
    } catch (const std::exception& error) {
        report(error.what());
    }
}

void HistoryRecorder::report(const std::string& message)
{
    if (reported_ || !options_.onFailure)
        return;
    reported_ = true;
    options_.onFailure(message);
}

}  // namespace tivka
