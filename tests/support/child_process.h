#pragma once

// One of the project's programs run as a separate process, as a user or a
// service manager would run it.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tivka::test {

class ChildProcess {
public:
    // Starts `program args` in `folder` with `environment` added, its standard
    // error going to `errors` and its standard output nowhere.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& folder, const std::filesystem::path& errors,
                 const std::vector<std::pair<std::string, std::string>>& environment = {})
    {
        pid_ = ::fork();
        if (pid_ != 0)
            return;
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        for (const auto& [name, value] : environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int out = ::open("/dev/null", O_WRONLY);
        ::dup2(err, STDERR_FILENO);
        ::dup2(out, STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ~ChildProcess()
    {
        if (!ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int number) { ::kill(pid_, number); }

    // The exit status (128 + the signal for one that killed it), or -1 when
    // it did not end within `seconds` (it is killed then).
    int wait(double seconds = 20)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        do {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        } while (std::chrono::steady_clock::now() < until);
        return -1;
    }
    bool running()
    {
        int status = 0;
        if (ended_ || ::waitpid(pid_, &status, WNOHANG) != pid_)
            return !ended_;
        ended_ = true;
        return false;
    }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
};

// Waits until `holds` gives true, looking every few milliseconds; false when
// it did not within `seconds`.
inline bool WaitFor(const std::function<bool()>& holds, double seconds = 20)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace tivka::test
