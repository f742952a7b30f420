#include "platform/files.h"
#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "support/scoped_environment.h"
#include "support/file_size_limit.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using Code = Status::Code;

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
        EXPECT_EQ(RewriteExistingFile(flag.string(), "1").code(), Code::NotFound);
        EXPECT_FALSE(fs::exists(flag)) << "rewriting an existing file must not create one";
        for (const std::string bytes : {"1", "", "a longer content", "2"}) {
            EXPECT_TRUE(RewriteFile(flag.string(), bytes).ok());
            EXPECT_EQ(test::readFile(flag), bytes);
            EXPECT_TRUE(RewriteExistingFile(flag.string(), bytes + "x").ok());
            EXPECT_EQ(test::readFile(flag), bytes + "x");
        }
        // Opens, then every read is an I/O error: not to be taken for an empty file.
        EXPECT_EQ(ReadWholeFile("/proc/self/mem").status().code(), Code::IoError);
    });
    const test::FileSizeLimit fullDisk(4);
    const std::string data = (dir / "GBPUSD.csv").string();
    for (const Status& status : {RewriteFile(data, "12345"), RewriteExistingFile(flag.string(), "12345")}) {
        EXPECT_EQ(status.code(), Code::IoError);
        EXPECT_EQ(status.detail(), "File too large");
    }
    Result<OutputFile> file = OutputFile::Create((dir / "chart.png").string());
    ASSERT_TRUE(file.ok());
    EXPECT_TRUE(file->write("1234", 4).ok());
    EXPECT_EQ(file->write("5", 1).subject(), (dir / "chart.png").string());
    EXPECT_FALSE(file->close().ok()) << "the lost byte must still show when the file is closed";
}

// What each operation makes of what stands at its path. Only the rewrites
// meant for the terminals' folders refuse a link (and leave its target alone);
// none of them ever waits on a pipe nobody reads: each case runs in a child
// that would be ended, failing the test, if it hung.
TEST(FilesTest, WhatStandsAtThePathDecidesAndAPipeIsNeverWaitedOn)
{
    const char* const standing[] = {"regular", "missing", "link", "dangling link", "folder", "pipe"};
    const std::pair<const char*, std::function<Status(const std::string&)>> operations[] = {
        {"read", [](const std::string& path) { return ReadWholeFile(path).status(); }},
        {"rewrite", [](const std::string& path) { return RewriteFile(path, "new"); }},
        {"rewrite existing", [](const std::string& path) { return RewriteExistingFile(path, "new"); }},
        {"output", [](const std::string& path) {
             Result<OutputFile> file = OutputFile::Create(path);
             return file.ok() ? (file->write("new", 3), file->close()) : file.status();
         }},
    };
    // The code, then what the name leads to afterwards.
    const std::vector<std::string> expected = {
        "read: ok old, NotFound absent, ok theirs, NotFound absent, NotAFile folder, NotAFile pipe",
        "rewrite: ok new, ok new, NotAFile theirs, NotAFile absent, NotAFile folder, NotAFile pipe",
        "rewrite existing: ok new, NotFound absent, NotAFile theirs, NotAFile absent, NotAFile folder, NotAFile pipe",
        "output: ok new, ok new, ok new, ok new, NotAFile folder, NotAFile pipe",
    };
    const auto codeName = [](Code code) {
        return code == Code::Ok ? "ok" : code == Code::NotFound ? "NotFound" : code == Code::NotAFile ? "NotAFile" : "other";
    };
    for (std::size_t row = 0; row < std::size(operations); ++row) {
        const auto& [name, operation] = operations[row];
        const std::optional<std::string> outcome = test::RunInChild([&, name = name, operation = operation] {
            std::string line = std::string(name) + ":";
            for (const std::string what : standing) {
                test::TempDir dir;
                const fs::path path = dir / "irGBPUSD.dat", elsewhere = dir / "elsewhere";
                if (what == "regular")
                    test::writeFile(path, "old");
                if (what == "link")
                    test::writeFile(elsewhere, "theirs");
                if (what == "link" || what == "dangling link")
                    fs::create_symlink(elsewhere, path);
                if (what == "folder")
                    fs::create_directory(path);
                if (what == "pipe")
                    ::mkfifo(path.c_str(), 0600);
                const Status status = operation(path.string());
                const fs::file_status after = fs::status(path);
                line += std::string(line.back() == ':' ? " " : ", ") + codeName(status.code()) + " " +
                        (fs::is_fifo(after)        ? "pipe"
                         : fs::is_directory(after) ? "folder"
                         : fs::exists(after)       ? test::readFile(path)
                                                   : "absent");
                if (status.code() == Code::NotAFile && (status.subject() != path.string() || status.detail().empty()))
                    line += " (unnamed)";
            }
            return line;
        });
        EXPECT_EQ(outcome.value_or(std::string(name) + ": did not finish"), expected[row]);
    }
    test::TempDir dir;
    ::mkfifo((dir / "ndata.bmp").c_str(), 0600);
    const std::optional<std::string> said =
        test::RunInChild([&] { return ReadWholeFile((dir / "ndata.bmp").string()).status().text(); });
    EXPECT_EQ(said.value_or("did not finish"), (dir / "ndata.bmp").string() + ": is a pipe, not a regular file");
}

// The documents folder is the user's own, as the desktop names it.
TEST(PathsTest, DocumentsFolderIsTheOneTheDesktopNames)
{
    test::TempDir dir;
    fs::create_directory(dir / "Dokumente");
    test::writeFile(dir / "user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Music\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    test::ScopedEnvironment environment;
    environment.set("XDG_DOCUMENTS_DIR", std::nullopt);
    environment.set("HOME", dir.path().string());
    environment.set("XDG_CONFIG_HOME", dir.path().string());
    EXPECT_EQ(DocumentsFolder(), (dir / "Dokumente").string());
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
