#include "platform/files.h"
#include "platform/paths.h"

#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "support/scoped_environment.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;

// A program started without standard input gets descriptor 0 for the first
// file it opens, which must then work like any other: these run so.
void withoutStandardInput(const std::function<void()>& test)
{
    const int saved = ::dup(0);
    ::close(0);
    test();
    ::dup2(saved, 0);
    ::close(saved);
}

// The indicator's flags are files of one byte, rewritten in place over longer
// or shorter content; a write the disk refuses is reported, never taken for success.
TEST(FilesTest, RewritesHoldExactlyTheNewBytesOrFail)
{
    test::TempDir dir;
    const fs::path flag = dir / "GBPUSD.flag";
    withoutStandardInput([&] {
        EXPECT_FALSE(RewriteExistingFile(flag.string(), "1"));
        EXPECT_FALSE(fs::exists(flag)) << "rewriting an existing file must not create one";
        for (const std::string bytes : {"1", "", "a longer content", "2"}) {
            EXPECT_TRUE(RewriteFile(flag.string(), bytes));
            EXPECT_EQ(test::readFile(flag), bytes);
            EXPECT_TRUE(RewriteExistingFile(flag.string(), bytes + "x"));
            EXPECT_EQ(test::readFile(flag), bytes + "x");
        }
    });
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
    const std::string bytes("\x89PNG\0\xFF", 6);
    test::writeFile(dir / "chart.png", bytes);
    const std::pair<std::string, ReadOutcome> cases[] = {
        {(dir / "chart.png").string(), ReadOutcome::Read},
        {(dir / "absent.png").string(), ReadOutcome::Missing},
        {dir.path().string(), ReadOutcome::Failed},
        {"/proc/self/mem", ReadOutcome::Failed},  // opens, then every read is an I/O error
    };
    withoutStandardInput([&] {
        for (const auto& [path, outcome] : cases) {
            std::string content = "stale";
            std::string reason;
            EXPECT_EQ(ReadWholeFile(path, content, reason), outcome) << path;
            EXPECT_EQ(content, outcome == ReadOutcome::Read ? bytes : "") << path;
        }
    });
}

// A relative XDG_DATA_HOME is ignored, as the XDG rules say.
TEST(PathsTest, DataFolderTakesOnlyAnAbsoluteVariable)
{
    for (const auto& [variable, expected] : {std::pair{"/srv/data", "/srv/data"}, {"data", "/home/t/.local/share"}}) {
        test::ScopedEnvironment environment;
        environment.set("HOME", "/home/t");
        environment.set("XDG_DATA_HOME", variable);
        EXPECT_EQ(DataFolder(), expected) << variable;
    }
}

}  // namespace
}  // namespace tivka
