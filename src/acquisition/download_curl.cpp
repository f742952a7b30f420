#include "acquisition/download.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "platform/files.h"

namespace tivka {
namespace {

constexpr long kMaxRedirects = 20;

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw std::runtime_error("the HTTP library could not be initialised");
    });
}

// One GET into one file. The file is created only when the final response
// (not a redirection being followed) has sent all its headers, so a failed
// connection never creates or truncates anything.
struct Transfer {
    const DownloadJob* job = nullptr;
    std::int64_t maxBodyBytes = 0;
    long status = 0;          // status of the response being received
    std::string reason;       // its reason phrase
    bool hasLocation = false;  // that response names a redirection target
    bool opened = false;      // the final response's headers have arrived
    std::optional<OutputFile> file;
    Status fileStatus;        // the first failure creating, writing or closing it
    std::int64_t written = 0;
    std::chrono::seconds stallLimit{0};
    std::int64_t minWindowBytes = 0;
    std::chrono::steady_clock::time_point lastActivity;  // last byte of headers or body
    std::chrono::steady_clock::time_point windowStart;   // start of the current stall window
    std::int64_t windowBytes = 0;                        // bytes of headers or body since then
    const std::atomic<bool>* cancel = nullptr;
    bool cancelled = false;
    bool stalled = false;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;

    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    ~Transfer()
    {
        closeFile();
        if (easy)
            curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }
    void closeFile()
    {
        if (!file)
            return;
        const Status closed = file->close();
        if (fileStatus.ok())
            fileStatus = closed;
        file.reset();
    }
};

bool startsWithNoCase(const char* text, std::size_t size, const char* prefix)
{
    std::size_t n = std::strlen(prefix);
    if (size < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The status code and reason phrase of a status line ("HTTP/1.1 404 Not Found").
long statusOfLine(const char* line, std::size_t size, std::string& reason)
{
    const char* space = static_cast<const char*>(std::memchr(line, ' ', size));
    if (!space)
        return 0;
    long code = 0;
    const char* p = space + 1;
    for (; p < line + size && *p >= '0' && *p <= '9'; ++p)
        code = code * 10 + (*p - '0');
    while (p < line + size && *p == ' ')
        ++p;
    const char* end = line + size;
    while (end > p && (end[-1] == '\r' || end[-1] == '\n' || end[-1] == ' '))
        --end;
    reason.assign(p, end);
    return code;
}

bool isFollowedRedirect(long status, bool hasLocation)
{
    return status >= 300 && status < 400 && status != 304 && hasLocation;
}

void onHeadersComplete(Transfer& t)
{
    if (t.opened || t.status < 200 || isFollowedRedirect(t.status, t.hasLocation))
        return;
    t.opened = true;
    Result<OutputFile> created = OutputFile::Create(t.job->fileName);
    if (created.ok())
        t.file.emplace(std::move(created.value()));
    else
        t.fileStatus = created.status();
}

std::size_t headerLine(char* line, std::size_t, std::size_t size, void* user)
{
    Transfer& t = *static_cast<Transfer*>(user);
    t.lastActivity = std::chrono::steady_clock::now();
    t.windowBytes += std::int64_t(size);
    if (startsWithNoCase(line, size, "HTTP/")) {
        t.status = statusOfLine(line, size, t.reason);
        t.hasLocation = false;
    } else if (startsWithNoCase(line, size, "Location:")) {
        t.hasLocation = true;
    } else if ((size == 2 && line[0] == '\r') || (size == 1 && line[0] == '\n')) {
        onHeadersComplete(t);
    }
    return size;
}

std::size_t bodyPiece(char* data, std::size_t, std::size_t size, void* user)
{
    Transfer& t = *static_cast<Transfer*>(user);
    t.lastActivity = std::chrono::steady_clock::now();
    t.windowBytes += std::int64_t(size);
    onHeadersComplete(t);  // a body without a header block (HTTP/1.0 style) still counts
    std::int64_t room = t.maxBodyBytes - t.written;
    std::size_t kept = std::int64_t(size) > room ? std::size_t(std::max<std::int64_t>(room, 0)) : size;
    if (t.file && kept > 0 && t.fileStatus.ok())
        t.fileStatus = t.file->write(data, kept);
    if (!t.fileStatus.ok())
        return 0;  // nowhere to put the body: receiving the rest is for nothing
    t.written += std::int64_t(kept);
    return kept == size ? size : 0;  // 0 stops the transfer at the cap
}

// libcurl's own low-speed check averages over several seconds, so a server
// that sent a little and then fell silent would be waited on for up to five
// seconds longer than the stall time; this ends the transfer on time, and it
// alone does (the two raced, and a silent server was then reported as a bare
// timeout instead of by what it failed to send). Silence
// alone is not enough: a server dripping a byte a second would never fall
// silent and would hold the transfer for as long as the body cap allows, so
// each window of stallSeconds must also bring its minimum of bytes.
int checkStall(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    Transfer& t = *static_cast<Transfer*>(user);
    if (t.cancel && *t.cancel) {
        t.cancelled = true;
        return 1;
    }
    if (t.stallLimit.count() <= 0)
        return 0;  // no stall limit set
    auto now = std::chrono::steady_clock::now();
    if (now - t.windowStart < t.stallLimit && now - t.lastActivity <= t.stallLimit)
        return 0;
    t.stalled = now - t.lastActivity > t.stallLimit || t.windowBytes < t.minWindowBytes;
    if (t.stalled)
        return 1;
    t.windowStart = now;
    t.windowBytes = 0;
    return 0;
}

curl_slist* noCacheHeaders()
{
    curl_slist* list = curl_slist_append(nullptr, "Pragma: no-cache");
    curl_slist* both = list ? curl_slist_append(list, "Cache-Control: no-cache") : nullptr;
    if (!both) {
        curl_slist_free_all(list);
        throw std::runtime_error("out of memory preparing an HTTP request");
    }
    return both;
}

void configure(Transfer& t, const DownloadLimits& limits)
{
    t.maxBodyBytes = limits.maxBodyBytes;
    t.stallLimit = std::chrono::seconds(limits.stallSeconds);
    t.minWindowBytes = limits.minBytesPerStallWindow;
    t.lastActivity = std::chrono::steady_clock::now();
    t.windowStart = t.lastActivity;
    t.easy = curl_easy_init();
    if (!t.easy)
        throw std::runtime_error("the HTTP library could not start a transfer");
    t.headers = noCacheHeaders();
    CURL* e = t.easy;
    curl_easy_setopt(e, CURLOPT_URL, t.job->url.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, limits.userAgent.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, t.headers);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    curl_easy_setopt(e, CURLOPT_TIMEOUT, limits.transferSeconds);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, checkStall);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, headerLine);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, bodyPiece);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
}

// Whatever ended the transfer, what became of it.
DownloadOutcome finish(Transfer& t, CURLcode result)
{
    t.closeFile();
    DownloadOutcome outcome;
    outcome.opened = t.opened;
    outcome.status = t.opened ? t.status : 0;
    outcome.reason = t.opened ? t.reason : std::string();
    outcome.cancelled = t.cancelled;
    outcome.file = t.fileStatus;
    if (result == CURLE_OK)
        return outcome;
    if (t.cancelled)
        outcome.error = "cancelled";
    else if (t.stalled)
        outcome.error = "less than " + std::to_string(t.minWindowBytes) + " bytes in " +
                        std::to_string(t.stallLimit.count()) + " s";
    else
        outcome.error = curl_easy_strerror(result);
    return outcome;
}

struct MultiHandle {
    CURLM* multi = curl_multi_init();
    ~MultiHandle()
    {
        if (multi)
            curl_multi_cleanup(multi);
    }
};

// Adds the next job, if any, to the running set.
void startNext(CURLM* multi, std::vector<std::unique_ptr<Transfer>>& transfers, std::size_t& next,
               const std::vector<DownloadJob>& jobs, const DownloadLimits& limits, const std::atomic<bool>* cancel)
{
    if (next >= jobs.size())
        return;
    auto t = std::make_unique<Transfer>();
    t->job = &jobs[next];
    t->cancel = cancel;
    configure(*t, limits);
    curl_easy_setopt(t->easy, CURLOPT_PRIVATE, reinterpret_cast<char*>(next));
    if (curl_multi_add_handle(multi, t->easy) != CURLM_OK)
        throw std::runtime_error("the HTTP library could not start a transfer");
    transfers[next] = std::move(t);
    ++next;
}

// Finishes every completed transfer and returns how many there were.
int collectDone(CURLM* multi, std::vector<std::unique_ptr<Transfer>>& transfers,
                std::vector<DownloadOutcome>& results, const std::function<void(std::size_t)>& onDone)
{
    int done = 0;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        char* privateData = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &privateData);
        std::size_t index = reinterpret_cast<std::size_t>(privateData);
        curl_multi_remove_handle(multi, message->easy_handle);
        results[index] = finish(*transfers[index], message->data.result);
        transfers[index].reset();
        ++done;
        if (onDone)
            onDone(index);
    }
    return done;
}

// Ends what is still running at once, each as cancelled.
void cancelRunning(CURLM* multi, std::vector<std::unique_ptr<Transfer>>& transfers,
                   std::vector<DownloadOutcome>& results)
{
    for (std::size_t i = 0; i < transfers.size(); ++i) {
        if (!transfers[i])
            continue;
        curl_multi_remove_handle(multi, transfers[i]->easy);
        transfers[i]->cancelled = true;
        results[i] = finish(*transfers[i], CURLE_ABORTED_BY_CALLBACK);
        transfers[i].reset();
    }
}

DownloadOutcome cancelledBeforeStart()
{
    DownloadOutcome outcome;
    outcome.cancelled = true;
    outcome.error = "cancelled";
    return outcome;
}

}  // namespace

DownloadOutcome DownloadFile(const std::string& url, const std::string& fileName, const DownloadLimits& limits,
                             const std::atomic<bool>* cancel)
{
    return DownloadFiles({{url, fileName}}, limits, 1, cancel).front();
}

std::vector<DownloadOutcome> DownloadFiles(const std::vector<DownloadJob>& jobs, const DownloadLimits& limits,
                                           int maxInFlight, const std::atomic<bool>* cancel,
                                           const std::function<void(std::size_t)>& onDone)
{
    initialiseCurlOnce();
    std::vector<DownloadOutcome> results(jobs.size(), cancelledBeforeStart());
    std::vector<std::unique_ptr<Transfer>> transfers(jobs.size());
    MultiHandle handle;
    if (!handle.multi)
        throw std::runtime_error("the HTTP library could not start a transfer");
    const std::size_t limit = std::size_t(std::max(maxInFlight, 1));
    std::size_t next = 0;
    std::size_t finished = 0;
    while (next < jobs.size() && next < limit)
        startNext(handle.multi, transfers, next, jobs, limits, cancel);
    while (finished < next) {
        if (cancel && *cancel) {
            cancelRunning(handle.multi, transfers, results);
            break;
        }
        int running = 0;
        curl_multi_perform(handle.multi, &running);
        const int done = collectDone(handle.multi, transfers, results, onDone);
        finished += std::size_t(done);
        for (int i = 0; i < done; ++i)
            startNext(handle.multi, transfers, next, jobs, limits, cancel);
        if (done == 0)
            curl_multi_poll(handle.multi, nullptr, 0, 100, nullptr);
    }
    return results;
}

}  // namespace tivka
