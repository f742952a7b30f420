#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace tivka {

struct DownloadLimits {
    long connectTimeoutSeconds = 30;
    // Every stallSeconds window of a transfer (headers and body) must bring
    // at least minBytesPerStallWindow bytes, or the transfer ends: a silent
    // server and one that drips a byte now and then are both given up.
    long stallSeconds = 60;
    std::int64_t minBytesPerStallWindow = 1024;
    // The whole transfer, from the start of the connection, ends after this
    // long whatever its speed (0: no bound).
    long transferSeconds = 300;
    std::int64_t maxBodyBytes = 32LL * 1024 * 1024;  // the body is cut here
    std::string userAgent = "tivka";
};

// What became of one download.
struct DownloadOutcome {
    bool opened = false;     // the final response's headers arrived: its body is in the file
    long status = 0;         // that response's HTTP status (0 when it sent no status line)
    std::string reason;      // its reason phrase, e.g. "Not Found"
    std::string error;       // why the address could not be opened, or why the transfer ended early
    bool cancelled = false;  // ended by cancel(), whatever had arrived
    Status file;             // why the body could not be written to the file (ok when it could)

    // A body worth decoding: opened, not cancelled, written, and a success status.
    bool fetched() const
    {
        return opened && !cancelled && file.ok() && (status == 0 || (status >= 200 && status < 300));
    }
};

// HTTP GET of `url` into the file `fileName` (created or truncated), through
// the proxy settings of the environment, bypassing every cache, following
// redirects. `opened` when the final response's headers arrived: the body of
// any status is then written exactly as received, and an error page, a
// transfer cut short, a stall after the headers or a body cut at
// maxBodyBytes is still opened. A refused connection, an unresolved host, a
// redirect loop or silence before the headers is not, and creates no file (an
// older file of that name is left untouched). A file that cannot be created
// or written ends the transfer and is reported in `file`; something there
// that is not a regular file (a folder, a pipe) is left untouched and never
// waited on. A transfer ends once fewer than
// minBytesPerStallWindow bytes arrived in a window of stallSeconds (0: no
// limit), or once it has run for transferSeconds. Only http and https are
// used. While `*cancel` is true, every transfer ends within a tenth of a
// second, as cancelled.
DownloadOutcome DownloadFile(const std::string& url, const std::string& fileName, const DownloadLimits& limits = {},
                             const std::atomic<bool>* cancel = nullptr);

struct DownloadJob {
    std::string url;
    std::string fileName;
};

// Runs several downloads with at most `maxInFlight` transfers at once; each is
// a fresh GET with the same rules as DownloadFile. Results in job order;
// `onDone` (if set) is called with a job's index as soon as it is finished.
std::vector<DownloadOutcome> DownloadFiles(const std::vector<DownloadJob>& jobs, const DownloadLimits& limits = {},
                                           int maxInFlight = 8, const std::atomic<bool>* cancel = nullptr,
                                           const std::function<void(std::size_t)>& onDone = {});

// The seam the refresh and the indicator pass download through; tests and the
// benchmark substitute their own. download() and downloadAll() may run on a
// worker thread while cancel() is called from another.
class Downloader {
public:
    virtual ~Downloader() = default;
    virtual DownloadOutcome download(const std::string& url, const std::string& fileName) = 0;
    virtual std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>& jobs,
                                                     const std::function<void(std::size_t)>& onDone = {}) = 0;
    // Ends the transfers running now and refuses new ones until resume().
    virtual void cancel() {}
    virtual void resume() {}
};

class HttpDownloader final : public Downloader {
public:
    explicit HttpDownloader(DownloadLimits limits = {}) : limits_(std::move(limits)) {}
    DownloadOutcome download(const std::string& url, const std::string& fileName) override
    {
        return DownloadFile(url, fileName, limits_, &cancelled_);
    }
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>& jobs,
                                             const std::function<void(std::size_t)>& onDone = {}) override
    {
        return DownloadFiles(jobs, limits_, 8, &cancelled_, onDone);
    }
    void cancel() override { cancelled_ = true; }
    void resume() override { cancelled_ = false; }

private:
    DownloadLimits limits_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace tivka
