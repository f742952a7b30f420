#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// HTTP GET of `url` into the file `fileName` (created or truncated), through
// the proxy settings of the environment, bypassing every cache, following
// redirects. True when the address could be opened, that is when the final
// response's headers arrived: the body of any status is then written exactly
// as received, and an error page, a transfer cut short, a stall after the
// headers or a body cut at maxBodyBytes is still true. A refused connection,
// an unresolved host, a redirect loop or silence before the headers is false
// and creates no file (an older file of that name is left untouched). Errors
// creating or writing the file are not reported. A transfer ends once fewer
// than minBytesPerStallWindow bytes arrived in a window of stallSeconds (0:
// no limit), or once it has run for transferSeconds; after the headers that
// is a transfer cut short (true, the part received kept), before them a
// failure. Only http and https are used.
bool DownloadFile(const std::string& url, const std::string& fileName, const DownloadLimits& limits = {});

struct DownloadJob {
    std::string url;
    std::string fileName;
};

// Runs several downloads with at most `maxInFlight` transfers at once; each is
// a fresh GET with the same rules as DownloadFile. Results in job order.
std::vector<bool> DownloadFiles(const std::vector<DownloadJob>& jobs, const DownloadLimits& limits = {},
                                int maxInFlight = 8);

// The seam the refresh and the indicator pass download through; tests and the
// benchmark substitute their own.
class Downloader {
public:
    virtual ~Downloader() = default;
    virtual bool download(const std::string& url, const std::string& fileName) = 0;
    virtual std::vector<bool> downloadAll(const std::vector<DownloadJob>& jobs) = 0;
};

class CurlDownloader final : public Downloader {
public:
    explicit CurlDownloader(DownloadLimits limits = {}) : limits_(std::move(limits)) {}
    bool download(const std::string& url, const std::string& fileName) override
    {
        return DownloadFile(url, fileName, limits_);
    }
    std::vector<bool> downloadAll(const std::vector<DownloadJob>& jobs) override
    {
        return DownloadFiles(jobs, limits_);
    }

private:
    DownloadLimits limits_;
};

}  // namespace tivka
