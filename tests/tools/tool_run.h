#pragma once

// Runs one of the project's programs as a user would and keeps what it says.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace tivka::test {

// The exit status (-1 when the program did not exit) and the two outputs.
struct ToolResult { int status; std::string out, err; };

// `program args` (split as the shell splits them) run in `dir` under `locale`;
// standard error passes through err.txt in `dir`. A program still running
// after kToolSeconds is killed (status -1 or 137): a run that would hang, on
// a pipe say, fails instead of holding the test.
constexpr int kToolSeconds = 20;
inline ToolResult RunTool(const std::filesystem::path& dir, const std::string& program, const std::string& args,
                          const std::string& locale = "C")
{
    FILE* pipe = popen(("cd '" + dir.string() + "' && LC_ALL=" + locale + " timeout -s KILL " +
                        std::to_string(kToolSeconds) + " '" + program + "' " + args + " 2> err.txt").c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, readFile(dir / "err.txt")};
}

}  // namespace tivka::test
