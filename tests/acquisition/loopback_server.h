#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace tivka::test {

using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

// A handler answering `status` with `body`.
inline Handler answer(int status, const std::string& body, const char* type = "text/html")
{
    return [=](const httplib::Request&, httplib::Response& r) {
        r.status = status;
        r.set_content(body, type);
    };
}

// An HTTP server on a free loopback port, serving from its own thread.
class LoopbackServer {
public:
    LoopbackServer()
    {
        // Enough threads for every connection a test holds open at once.
        server.new_task_queue = [] { return new httplib::ThreadPool(32); };
        port_ = server.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server.listen_after_bind(); });
        // stop() is lost on a server whose accept loop has not begun yet.
        while (!server.is_running())
            std::this_thread::yield();
    }
    ~LoopbackServer()
    {
        stopping_ = true;
        server.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

    // Handlers that hold a connection open wait here until the test ends.
    void holdUntilReleased()
    {
        while (!stopping_)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    httplib::Server server;

private:
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
};

}  // namespace tivka::test
