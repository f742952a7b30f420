#include "soak/interface_probe.h"

#include <httplib.h>

#include <iostream>

namespace tivka::soak {

InterfaceProbe::InterfaceProbe(int port) : port_(port)
{
    thread_ = std::thread([this] { probe(); });
}

InterfaceProbe::~InterfaceProbe()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void InterfaceProbe::askFor(const std::string& pairText)
{
    std::lock_guard lock(mutex_);
    pair_ = pairText;
}

void InterfaceProbe::pause()
{
    std::unique_lock lock(mutex_);
    paused_ = true;
    changed_.wait(lock, [this] { return !probing_; });
}

void InterfaceProbe::resume()
{
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    changed_.notify_all();
}

void InterfaceProbe::probe()
{
    for (;;) {
        std::string pair;
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(20), [this] { return stop_; });
            changed_.wait(lock, [this] { return stop_ || !paused_; });
            if (stop_)
                return;
            probing_ = true;
            pair = pair_;
        }
        ask("/v1/health");
        if (!pair.empty())
            ask("/v1/readings/latest?pair=" + pair + "&kind=orders");
        {
            std::lock_guard lock(mutex_);
            probing_ = false;
        }
        changed_.notify_all();
    }
}

bool InterfaceProbe::ask(const std::string& target)
{
    const bool duringPass = passRunning_;
    httplib::Client client("127.0.0.1", port_);  // a connection of its own, closed when done
    client.set_connection_timeout(5);
    client.set_read_timeout(5);
    const auto answer = client.Get(target);
    ++probes_;
    duringPasses_ += duringPass;
    if (answer && answer->status == 200 && answer->body.rfind("{", 0) == 0)
        return true;
    ++failures_;
    std::cerr << "interface: " << target << " answered "
              << (answer ? std::to_string(answer->status) : httplib::to_string(answer.error())) << "\n";
    return false;
}

}  // namespace tivka::soak
