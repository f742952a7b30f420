// The parts of the test support that only POSIX systems have: temporary
// folders by mkdtemp, child processes, another user, a file size limit.
#include "support/file_size_limit.h"
#include "support/test_support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace tivka::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tivka-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

int RerunUnprivileged(const std::string& testName)
{
    namespace fs = std::filesystem;
    if (::geteuid() != 0)
        return -1;
    // A copy in a folder anyone may enter: the build folder may not be.
    static TempDir copies;
    fs::permissions(copies.path(), fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
    const fs::path copy = copies.path() / fs::read_symlink("/proc/self/exe").filename();
    if (!fs::exists(copy))
        fs::copy_file("/proc/self/exe", copy);
    const std::string command = "cd / && setpriv --reuid=65534 --regid=65534 --clear-groups '" + copy.string() +
                                "' --gtest_filter='" + testName + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::optional<std::string> RunInChild(const std::function<std::string()>& body, unsigned seconds)
{
    int ends[2];
    if (::pipe(ends) != 0)
        throw std::runtime_error("cannot make a pipe");
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("cannot start a child process");
    if (child == 0) {
        ::close(ends[0]);
        ::alarm(seconds);  // its default action ends the child, blocked or not
        int status = 1;
        try {
            const std::string text = body();
            status = ::write(ends[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1;
        } catch (...) {
        }
        ::_exit(status);
    }
    ::close(ends[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            text.append(buffer, std::size_t(n));
        else if (errno != EINTR)
            break;
    ::close(ends[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    const rlimit limit{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, savedHandler_);
}

void MakeFifo(const std::filesystem::path& path)
{
    if (::mkfifo(path.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make a FIFO at " + path.string());
}

}  // namespace tivka::test
