#include "soak/feed_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace tivka::soak {

FeedProcess::FeedProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& folder, const std::vector<std::string>& environment)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe for the feed's standard error");
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry)
        env.emplace_back(*entry);
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0)
        throw std::runtime_error("cannot start " + program);
    if (pid_ == 0) {
        ::dup2(pipeFds[1], STDERR_FILENO);
        if (::chdir(folder.c_str()) == 0)
            ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    reader_ = std::thread([this, fd = pipeFds[0]] { readErrors(fd); });
}

FeedProcess::~FeedProcess()
{
    if (!ended_)
        terminate(std::chrono::seconds(5));
    if (reader_.joinable())
        reader_.join();
}

void FeedProcess::readErrors(int fd)
{
    std::string pending;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        pending.append(buffer, std::size_t(n));
        std::lock_guard lock(mutex_);
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
            lines_.push_back(pending.substr(0, end));
        arrived_.notify_all();
    }
    ::close(fd);
    std::lock_guard lock(mutex_);
    closed_ = true;
    arrived_.notify_all();
}

std::optional<std::string> FeedProcess::waitForLine(const std::string& prefix, std::chrono::milliseconds patience,
                                                    std::vector<std::string>* skipped)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::unique_lock lock(mutex_);
    for (;;) {
        while (!lines_.empty()) {
            std::string line = std::move(lines_.front());
            lines_.pop_front();
            if (line.rfind(prefix, 0) == 0)
                return line;
            if (skipped)
                skipped->push_back(std::move(line));
        }
        if (closed_ || !arrived_.wait_until(lock, deadline, [this] { return closed_ || !lines_.empty(); }))
            return std::nullopt;
    }
}

void FeedProcess::signal(int number) const
{
    ::kill(pid_, number);
}

int FeedProcess::openDescriptors() const
{
    const std::filesystem::path fds = "/proc/" + std::to_string(pid_) + "/fd";
    return int(std::distance(std::filesystem::directory_iterator(fds), std::filesystem::directory_iterator()));
}

long FeedProcess::residentKiB() const
{
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

std::pair<int, double> FeedProcess::terminate(std::chrono::milliseconds patience)
{
    const auto start = std::chrono::steady_clock::now();
    ::kill(pid_, SIGTERM);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > patience) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ended_ = true;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, seconds};
}

}  // namespace tivka::soak
