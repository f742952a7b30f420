// The program as a separate process: a termination signal closes it as the
// user would, whatever it is doing, and its settings are written.
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "chart/bmp_codec.h"
#include "chart_server/chart_server.h"
#include "support/test_support.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;

fs::path builtProgram()
{
    return fs::read_symlink("/proc/self/exe").parent_path() / "tivka";
}

// Starts `program` in `folder` on the offscreen platform.
pid_t startProgram(const fs::path& program, const fs::path& folder)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// True once the process catches SIGTERM (its handler is in place).
bool catchesTermination(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

// Waits for the process to end; -1 when it has not ended in time (then killed).
int exitStatus(pid_t pid)
{
    for (int waited = 0; waited < 2000; ++waited) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

class TerminationSignal : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(builtProgram())) << "build the tivka target first";
        fs::copy_file(builtProgram(), program);
    }

    // Runs the copy, sends `signal` once its handler is in place, and
    // returns the exit status.
    int runAndSignal(int signal)
    {
        const pid_t pid = startProgram(program, dir.path());
        for (int tries = 0; tries < 1000 && !catchesTermination(pid); ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(pid, signal);
        return exitStatus(pid);
    }

    TempDir dir;
    fs::path program = dir / "tivka";
    fs::path settings = dir / "tivka.INI";
};

TEST_F(TerminationSignal, WhileTheStartUpErrorBoxIsOpen)
{
    // No "ndata.bmp": start-up stops at a message box waiting for OK.
    EXPECT_EQ(runAndSignal(SIGTERM), 0);
    ASSERT_TRUE(fs::exists(settings));
    EXPECT_NE(readFile(settings).find("TIVKA_URL="), std::string::npos);
}

TEST_F(TerminationSignal, InterruptWhileChartsAreServedSlowly)
{
    charts::ChartServerOptions options;
    options.delayMs = 300;
    charts::ChartServer server(options);
    server.start();
    const std::string url =
        "http://127.0.0.1:" + std::to_string(server.port()) + std::string(charts::kChartFolder);
    WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
    writeFile(settings, "[Setting]\nTIVKA_URL=" + url + "\nTime1=5\n");

    EXPECT_EQ(runAndSignal(SIGINT), 0);
    const std::string written = readFile(settings);
    EXPECT_NE(written.find("TIVKA_URL=" + url), std::string::npos);
    EXPECT_NE(written.find("Time1=5"), std::string::npos);
    server.stop();
}

}  // namespace
}  // namespace tivka::test
