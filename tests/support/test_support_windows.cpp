// The parts of the test support that differ on Windows: no fork, no other
// user to become, and temporary folders made under a random name.
#include "support/test_support.h"

#include <chrono>
#include <future>
#include <memory>
#include <random>
#include <stdexcept>
#include <thread>

namespace tivka::test {

TempDir::TempDir()
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            std::filesystem::temp_directory_path() / ("tivka-test-" + std::to_string(random()) + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

int RerunUnprivileged(const std::string&)
{
    return -1;
}

std::optional<std::string> RunInChild(const std::function<std::string()>& body, unsigned seconds)
{
    auto outcome = std::make_shared<std::promise<std::optional<std::string>>>();
    std::future<std::optional<std::string>> done = outcome->get_future();
    std::thread([body, outcome] {
        try {
            outcome->set_value(body());
        } catch (...) {
            outcome->set_value(std::nullopt);
        }
    }).detach();
    if (done.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready)
        return std::nullopt;
    return done.get();
}

void MakeFifo(const std::filesystem::path& path)
{
    throw std::runtime_error("Windows has no FIFO to put in a folder (" + path.filename().string() + ")");
}

}  // namespace tivka::test
