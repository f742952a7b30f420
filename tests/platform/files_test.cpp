#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// The indicator's flags are files of one byte, rewritten in place over longer
// or shorter content.
TEST(FilesTest, RewritesInPlaceHoldExactlyTheNewBytes)
{
    test::TempDir dir;
    const fs::path flag = dir / "GBPUSD.flag";
    EXPECT_FALSE(RewriteExistingFile(flag.string(), "1"));
    EXPECT_FALSE(fs::exists(flag)) << "rewriting an existing file must not create one";
    for (const std::string bytes : {"1", "", "a longer content", "2"}) {
        ASSERT_TRUE(RewriteFile(flag.string(), bytes));
        EXPECT_EQ(readFile(flag), bytes);
        ASSERT_TRUE(RewriteExistingFile(flag.string(), bytes + "x"));
        EXPECT_EQ(readFile(flag), bytes + "x");
    }
}

// A write the disk refuses is reported, never taken for success.
TEST(FilesTest, WritesToAFullDiskFail)
{
    EXPECT_FALSE(RewriteFile("/dev/full", "1"));
    EXPECT_FALSE(RewriteExistingFile("/dev/full", "2"));
    const std::unique_ptr<OutputFile> file = OutputFile::Create("/dev/full");
    ASSERT_TRUE(file);
    file->write("12345", 5);  // buffered: the loss may only show when flushed
    EXPECT_FALSE(file->close());
}

TEST(FilesTest, ReadingTellsMissingFromUnreadable)
{
    test::TempDir dir;
    writeFile(dir / "chart.png", std::string("\x89PNG\0\xFF", 6));
    const std::pair<std::string, ReadOutcome> cases[] = {
        {(dir / "chart.png").string(), ReadOutcome::Read},
        {(dir / "absent.png").string(), ReadOutcome::Missing},
        {dir.path().string(), ReadOutcome::Failed},
        {"/proc/self/mem", ReadOutcome::Failed},  // opens, then every read is an I/O error
    };
    for (const auto& [path, outcome] : cases) {
        std::string content = "stale";
        EXPECT_EQ(ReadWholeFile(path, content), outcome) << path;
        EXPECT_EQ(content, outcome == ReadOutcome::Read ? std::string("\x89PNG\0\xFF", 6) : "") << path;
    }
}

// A program started without standard input gets descriptor 0 for the first
// file it opens, which is a file like any other.
TEST(FilesTest, DescriptorZeroIsAFileLikeAnyOther)
{
    test::TempDir dir;
    writeFile(dir / "a", "old");
    const int standardInput = ::dup(0);
    ::close(0);
    std::string content;
    const ReadOutcome read = ReadWholeFile((dir / "a").string(), content);
    const bool rewritten = RewriteExistingFile((dir / "a").string(), "new");
    ::dup2(standardInput, 0);
    ::close(standardInput);
    EXPECT_EQ(read, ReadOutcome::Read);
    EXPECT_EQ(content, "old");
    EXPECT_TRUE(rewritten);
    EXPECT_EQ(readFile(dir / "a"), "new");
}

}  // namespace
}  // namespace tivka
