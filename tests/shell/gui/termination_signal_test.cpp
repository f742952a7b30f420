// The program as a separate process: a termination signal closes it as the
// user would, even while it waits on the network, and its settings are written.
#include <atomic>
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

// Starts `program` in `folder` on the offscreen platform; its standard error
// goes to `errors`.
pid_t startProgram(const fs::path& program, const fs::path& folder, const fs::path& errors)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_DATA_HOME", folder.c_str(), 1);  // the history, in the test's folder
        dup2(open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
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

// While its first refresh waits on a server that never answers, Tivka
// keeps its folder to itself: a second start says why and leaves at once.
// A termination signal then ends the first within a second, status 0, as
// the user's close would: it writes its settings, and as nobody is there to
// close a box, a settings file it may not write is told on standard error.
// (As an unprivileged user: root writes any file.)
TEST(TerminationSignal, EndsAWaitingTivkaAtOnceAndASecondOneNeverStarts)
{
    if (const int status = RerunUnprivileged("TerminationSignal.EndsAWaitingTivkaAtOnceAndASecondOneNeverStarts");
        status >= 0) {
        EXPECT_EQ(status, 0);
        return;
    }
    TempDir dir;
    std::atomic<int> requests{0};
    charts::ChartServerOptions options;
    options.stall = true;
    options.onRequest = [&requests](const std::string&) { ++requests; };
    charts::ChartServer server(options);
    server.start();
    const fs::path settings = dir / "tivka.INI";
    const std::string text = "[Setting]\nTIVKA_URL=http://127.0.0.1:" + std::to_string(server.port()) +
                             std::string(charts::kChartFolder) + "\n";
    writeFile(settings, text);
    fs::permissions(settings, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    fs::copy_file(TIVKA_PROGRAM, dir / "tivka");
    WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
    const pid_t first = startProgram(dir / "tivka", dir.path(), dir / "errors");
    for (int tries = 0; tries < 2000 && !(catchesTermination(first) && requests > 0); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GT(requests, 0) << "the first Tivka did not start";
    const pid_t second = startProgram(dir / "tivka", dir.path(), dir / "second.err");
    EXPECT_EQ(exitStatus(second), 1);
    EXPECT_NE(readFile(dir / "second.err").find("Tivka is already running in " + dir.path().string()),
              std::string::npos);
    EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0) << "the first one goes on";

    const auto sent = std::chrono::steady_clock::now();
    kill(first, SIGTERM);
    EXPECT_EQ(exitStatus(first), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
    EXPECT_NE(readFile(dir / "errors").find("tivka: Unable to write to " + settings.string() + ": Permission denied"),
              std::string::npos)
        << readFile(dir / "errors");
    EXPECT_EQ(readFile(settings), text);
    server.stop();
}

}  // namespace
}  // namespace tivka::test
