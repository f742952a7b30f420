// The downloads on Windows, through WinHTTP: the system's proxy settings and
// certificate store, HTTPS without a TLS library of our own. The same rules
// as the libcurl implementation (download_curl.cpp): the file is created only
// once the final response's headers are in, the stall windows, the overall
// bound, the body cap, cancelling within a tenth of a second, and the same
// words for each of them.
//
// Each transfer runs WinHTTP's blocking calls on a thread of its own; the
// calling thread watches them all every tenth of a second. It ends one by
// closing its file and taking its outcome as it stands then. The worker may
// stay blocked in WinHTTP a while longer (closing the request handle under
// it is no way out: Wine's close then waits for the very call it should
// end), but it writes nothing more, and closes the request itself once the
// call returns: at the next piece of data, or at WinHTTP's own receive
// timeout, set a little past the stall time.
#include "acquisition/download.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "platform/files.h"

namespace tivka {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kMaxRedirects = 20;
constexpr auto kWatchInterval = std::chrono::milliseconds(100);

// libcurl's words for the same endings, so that a user is told the same on
// either system.
constexpr const char* kTimeout = "Timeout was reached";
constexpr const char* kWriteFailed = "Failed writing received data to disk/application";
constexpr const char* kTooManyRedirects = "Number of redirects hit maximum amount";
constexpr const char* kUnsupportedProtocol = "Unsupported protocol";

std::wstring wide(const std::string& text)
{
    if (text.empty())
        return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(std::size_t(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size);
    return result;
}

std::string narrow(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

// WinHTTP's words for its error, or the system's for another.
std::string errorText(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT: return kTimeout;
    case ERROR_WINHTTP_REDIRECT_FAILED: return kTooManyRedirects;
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return kUnsupportedProtocol;
    case ERROR_WINHTTP_INVALID_URL: return "URL using bad/illegal format or missing URL";
    case ERROR_WINHTTP_CANNOT_CONNECT: return "Couldn't connect to server";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "Couldn't resolve host name";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "Failure when receiving data from the peer";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "Weird server reply";
    case ERROR_WINHTTP_SECURE_FAILURE: return "SSL connect error";
    case ERROR_WINHTTP_OPERATION_CANCELLED: return "cancelled";
    default: break;
    }
    const HMODULE module = ::GetModuleHandleW(L"winhttp.dll");
    const bool own = error >= WINHTTP_ERROR_BASE && error <= WINHTTP_ERROR_LAST && module;
    wchar_t* buffer = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        (own ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    const DWORD size = ::FormatMessageW(flags, own ? module : nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer),
                                        0, nullptr);
    std::string text = size ? narrow(std::wstring(buffer, size)) : std::string();
    if (buffer)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "WinHTTP error " + std::to_string(error) : text;
}

struct InternetHandle {
    HINTERNET handle = nullptr;
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET h) : handle(h) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle()
    {
        if (handle)
            ::WinHttpCloseHandle(handle);
    }
};

// One WinHTTP session for a batch, kept by every transfer of it: the
// system's proxy settings, the limits' user agent and connection time.
HINTERNET openSession(const DownloadLimits& limits)
{
    const std::wstring agent = wide(limits.userAgent);
    HINTERNET session = ::WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session)  // before Windows 8.1: the proxy set for WinHTTP
        session = ::WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session)
        throw std::runtime_error("the HTTP library could not be initialised: " + errorText(::GetLastError()));
    // Silence is ended by the stall windows, not by WinHTTP's own timeouts;
    // those only stand in should a blocked call not notice its handle closed.
    const int connect = int(std::min<long>(limits.connectTimeoutSeconds, 2000000) * 1000);
    const int silence = limits.stallSeconds > 0 ? int(std::min<long>(limits.stallSeconds, 2000000) * 1000 + 2000) : 0;
    ::WinHttpSetTimeouts(session, connect, connect, silence, silence);
    return session;
}

// Why the watching thread ended a transfer.
enum class Ending { None, Cancelled, Stalled, TookTooLong };

// One GET into one file, on a thread of its own. Everything the worker and
// the watcher share is under the mutex; the worker makes WinHTTP's blocking
// calls outside it, and once the watcher has ended the transfer the worker
// changes nothing any more.
struct Transfer {
    DownloadJob job;
    DownloadLimits limits;
    std::shared_ptr<InternetHandle> session;

    std::mutex mutex;
    HINTERNET request = nullptr;
    std::optional<OutputFile> file;
    DownloadOutcome outcome;
    Ending ended = Ending::None;
    bool finished = false;  // the worker is done: the outcome is complete
    Clock::time_point start = Clock::now();
    Clock::time_point lastActivity = start;  // the last piece of headers or body
    Clock::time_point windowStart = start;   // the start of the current stall window
    std::int64_t windowBytes = 0;            // headers and body since then

    // Whether the outcome is final (taken with the mutex held).
    bool settled() const { return finished || ended != Ending::None; }

    void arrived(std::size_t bytes)
    {
        std::lock_guard lock(mutex);
        lastActivity = Clock::now();
        windowBytes += std::int64_t(bytes);
    }

    // Ends the transfer from the watching thread: what arrived so far stays
    // in the file, and the outcome says why it ended.
    void end(Ending why)
    {
        std::lock_guard lock(mutex);
        if (settled())
            return;
        ended = why;
        closeFile();
        outcome.cancelled = why == Ending::Cancelled;
        outcome.error = why == Ending::Cancelled ? "cancelled"
                        : why == Ending::Stalled ? "less than " + std::to_string(limits.minBytesPerStallWindow) +
                                                       " bytes in " + std::to_string(limits.stallSeconds) + " s"
                                                 : kTimeout;
    }

    // Why the watcher should end it now, if it should: the same check as the
    // libcurl implementation's (a window that brought too little, or silence
    // longer than the stall time), and the overall bound.
    Ending overdue(Clock::time_point now)
    {
        std::lock_guard lock(mutex);
        if (limits.transferSeconds > 0 && now - start >= std::chrono::seconds(limits.transferSeconds))
            return Ending::TookTooLong;
        const std::chrono::seconds stall(limits.stallSeconds);
        if (stall.count() <= 0 || (now - windowStart < stall && now - lastActivity <= stall))
            return Ending::None;
        if (now - lastActivity > stall || windowBytes < limits.minBytesPerStallWindow)
            return Ending::Stalled;
        windowStart = now;
        windowBytes = 0;
        return Ending::None;
    }

    // With the mutex held.
    void closeFile()
    {
        if (!file)
            return;
        const Status closed = file->close();
        if (outcome.file.ok())
            outcome.file = closed;
        if (!outcome.file.ok())
            outcome.error = kWriteFailed;
        file.reset();
    }

    void fail(DWORD error)
    {
        std::lock_guard lock(mutex);
        if (settled())
            return;
        closeFile();
        if (outcome.error.empty())
            outcome.error = errorText(error);
    }

    void run();
};

std::string header(HINTERNET request, DWORD query)
{
    DWORD size = 0;
    ::WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
    if (size == 0)
        return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!::WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                               WINHTTP_NO_HEADER_INDEX))
        return {};
    text.resize(size / sizeof(wchar_t));
    return narrow(text);
}

void Transfer::run()
{
    const std::wstring url = wide(job.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (!::WinHttpCrackUrl(url.c_str(), DWORD(url.size()), 0, &parts))
        return fail(::GetLastError());
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return fail(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    const InternetHandle connection(::WinHttpConnect(session->handle, host.c_str(), parts.nPort, 0));
    if (!connection.handle)
        return fail(::GetLastError());
    const DWORD flags = WINHTTP_FLAG_REFRESH | (parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    const HINTERNET opened = ::WinHttpOpenRequest(connection.handle, L"GET", path.empty() ? L"/" : path.c_str(),
                                                  nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags);
    if (!opened)
        return fail(::GetLastError());
    {
        std::lock_guard lock(mutex);
        if (settled()) {  // ended while connecting
            ::WinHttpCloseHandle(opened);
            return;
        }
        request = opened;
    }
    // Redirects followed between http and https both ways, up to the limit.
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS;
    ::WinHttpSetOption(opened, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
    DWORD redirects = kMaxRedirects;
    ::WinHttpSetOption(opened, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects);
    // A connection is never kept for another request: closing a request
    // whose body is not all read would otherwise read the rest first, for
    // ever from a server that never stops sending.
    DWORD noKeepAlive = WINHTTP_DISABLE_KEEP_ALIVE;
    ::WinHttpSetOption(opened, WINHTTP_OPTION_DISABLE_FEATURE, &noKeepAlive, sizeof noKeepAlive);
    // Every cache on the way is told to ask the server.
    const wchar_t* noCache = L"Pragma: no-cache\r\nCache-Control: no-cache";
    if (!::WinHttpSendRequest(opened, noCache, DWORD(-1), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(opened, nullptr))
        return fail(::GetLastError());
    arrived(header(opened, WINHTTP_QUERY_RAW_HEADERS_CRLF).size());

    // The final response's headers are in (WinHTTP followed the redirects):
    // its body, whatever its status, goes to the file.
    DWORD status = 0;
    DWORD size = sizeof status;
    ::WinHttpQueryHeaders(opened, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                          &status, &size, WINHTTP_NO_HEADER_INDEX);
    const std::string reason = header(opened, WINHTTP_QUERY_STATUS_TEXT);
    {
        std::lock_guard lock(mutex);
        if (settled())
            return;
        outcome.opened = true;
        outcome.status = long(status);
        outcome.reason = reason;
        Result<OutputFile> created = OutputFile::Create(job.fileName);
        if (!created.ok()) {
            outcome.file = created.status();
            outcome.error = kWriteFailed;
            return;
        }
        file.emplace(std::move(created.value()));
    }
    std::int64_t written = 0;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        // Asking what is there first gets each piece as it comes, where a
        // read alone may wait to fill the buffer.
        DWORD available = 0;
        if (!::WinHttpQueryDataAvailable(opened, &available))
            return fail(::GetLastError());
        DWORD got = 0;
        if (available > 0 &&
            !::WinHttpReadData(opened, buffer.data(), std::min<DWORD>(available, DWORD(buffer.size())), &got))
            return fail(::GetLastError());
        if (got > 0)
            arrived(got);
        std::lock_guard lock(mutex);
        if (settled())
            return;
        if (got == 0)
            break;
        const std::int64_t room = std::max<std::int64_t>(limits.maxBodyBytes - written, 0);
        const std::size_t kept = std::size_t(std::min<std::int64_t>(got, room));
        if (kept > 0)
            outcome.file = file->write(buffer.data(), kept);
        written += std::int64_t(kept);
        if (!outcome.file.ok() || kept < got) {  // nowhere to put the rest, or the cap
            outcome.error = kWriteFailed;
            break;
        }
    }
    std::lock_guard lock(mutex);
    if (!settled())
        closeFile();
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
    std::vector<DownloadOutcome> results(jobs.size(), cancelledBeforeStart());
    if (jobs.empty() || (cancel && *cancel))
        return results;
    const auto session = std::make_shared<InternetHandle>(openSession(limits));
    // Woken by a worker that finished, else every tenth of a second.
    const auto someDone = std::make_shared<std::pair<std::mutex, std::condition_variable>>();
    std::vector<std::shared_ptr<Transfer>> running(jobs.size());
    const std::size_t limit = std::size_t(std::max(maxInFlight, 1));
    std::size_t next = 0;
    std::size_t inFlight = 0;
    const auto startNext = [&] {
        auto t = std::make_shared<Transfer>();
        t->job = jobs[next];
        t->limits = limits;
        t->session = session;
        std::thread([t, someDone] {
            t->run();
            HINTERNET request = nullptr;
            {
                std::lock_guard lock(t->mutex);
                request = std::exchange(t->request, nullptr);
                t->finished = true;
            }
            if (request)
                ::WinHttpCloseHandle(request);
            std::lock_guard lock(someDone->first);
            someDone->second.notify_all();
        }).detach();
        running[next++] = std::move(t);
        ++inFlight;
    };
    while (next < jobs.size() && inFlight < limit)
        startNext();
    while (inFlight > 0) {
        {
            std::unique_lock lock(someDone->first);
            someDone->second.wait_for(lock, kWatchInterval);
        }
        const bool cancelling = cancel && *cancel;
        const auto now = Clock::now();
        for (std::size_t i = 0; i < next; ++i) {
            const std::shared_ptr<Transfer>& t = running[i];
            if (!t)
                continue;
            if (cancelling)
                t->end(Ending::Cancelled);
            else if (const Ending why = t->overdue(now); why != Ending::None)
                t->end(why);
            {
                std::lock_guard lock(t->mutex);
                if (!t->settled())
                    continue;
                results[i] = t->outcome;
            }
            running[i].reset();
            --inFlight;
            if (onDone)
                onDone(i);
        }
        if (cancelling)  // what was running is ended; what was not stays cancelled
            break;
        while (next < jobs.size() && inFlight < limit)
            startNext();
    }
    return results;
}

}  // namespace tivka
