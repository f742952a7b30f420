#pragma once

// POSIX only: a file size limit stands for a full disk.
#include <sys/resource.h>

namespace tivka::test {

// A full disk for this process while the object lives: writing past `bytes`
// fails (EFBIG), for the superuser too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};

}  // namespace tivka::test
