#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace tivka::test {

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
        release();
        server.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

    // Handlers that hold a connection open wait here until the test ends.
    void holdUntilReleased()
    {
        std::unique_lock lock(mutex_);
        released_.wait_for(lock, std::chrono::seconds(30), [this] { return isReleased_; });
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        isReleased_ = true;
        released_.notify_all();
    }

    httplib::Server server;

private:
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool isReleased_ = false;
};

}  // namespace tivka::test
