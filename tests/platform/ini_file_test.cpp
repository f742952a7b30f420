#include "platform/ini_file.h"
#include "platform/ini_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/file_size_limit.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

// The value of key KZ in section SZ.
TEST(IniFileTest, ReadsValuesWithPrivateProfileRules)
{
    const std::string none = "(default)";
    const std::pair<std::string, std::string> cases[] = {
        {"[sz]\nkz=5\n", "5"},  // names without regard to case, Z included
        {"[ SZ ]\r\n  KZ \t=  5 \t\r\n", "5"}, {"[SZ]\nKZ=\"http://a/ b\"\n", "http://a/ b"},
        {"[SZ]\nKZ='http://a/ b'\n", "http://a/ b"}, {"[SZ]\nKZ=  \"\"x\"\"  \n", "\"x\""}, {"[SZ]\nKZ=\"\n", "\""},
        {"[SZ]\nKZ='x\"\n", "'x\""}, {"[SZ]\nKZ=a=b\n", "a=b"}, {"[SZ]\nKZ=;not a comment\n", ";not a comment"},
        {"[SZ]\nKZ=5", "5"}, {"[SZ]\nKZ=5\r", "5"}, {"\xEF\xBB\xBF[SZ]\r\nKZ=5\r\n", "5"}, {"[SZ]\nKZ=1\nKZ=2\n", "1"},
        {"[SZ]\nA=1\n[SZ]\nKZ=2\n", none}, {"[Other]\nKZ=5\n[SZ]\nA=3\n", none}, {"KZ=5\n[SZ]\n", none},
        {"[SZ]\n;KZ=5\nKZ\n", none}, {"[SZ]\nKZ\nKZ=5\n", "5"},  // a line without "=" is no key, as on Windows
        {"[SZ\nKZ=4\n", "4"}, {"[SZ]\nKZ=" + std::string(3000, 'v'), std::string(2047, 'v')},
    };
    for (const auto& [content, expected] : cases)
        EXPECT_EQ(IniValues(content).find("SZ", "KZ").value_or(none), expected) << content;
}

TEST(IniFileTest, WritesChangeOnlyTheirOwnLine)
{
    const std::string bom = "\xEF\xBB\xBF";
    // Ten megabytes of garbage and endless lines around the key: read past, kept byte for byte.
    std::string garbage(10 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 2654435761u) >> 13);
    garbage += "\n" + std::string(100000, 'x') + "\n[Setting]\nTime1=" + std::string(100000, 'x') + "\nTime2=";
    const std::tuple<std::optional<std::string>, const char*, const char*, std::string> cases[] = {
        {std::nullopt, "Setting", "Time1", "[Setting]\nTime1=5\n"}, {"", "Setting", "Time1", "[Setting]\nTime1=5\n"},
        {"[Setting]\r\n  time1 =  7\r\n", "SETTING", "Time1", "[Setting]\r\n  time1 =  5\r\n"},
        {"[S]\nURL=\"a b\"   \nX=1\n", "S", "URL", "[S]\nURL=5\nX=1\n"},
        {"[S]\r\nA=1\r\n; note\r\n\r\n[Next]\r\n", "S", "T", "[S]\r\nA=1\r\n; note\r\nT=5\r\n\r\n[Next]\r\n"},
        {"[S]\n[Next]\n", "S", "T", "[S]\nT=5\n[Next]\n"}, {"[S]\r\nA=1", "S", "T", "[S]\r\nA=1\r\nT=5\r\n"},
        {"; top\r\n[Other]\r\nT=1\r\n", "S", "T", "; top\r\n[Other]\r\nT=1\r\n[S]\r\nT=5\r\n"},
        {"[Other]\nA=1", "S", "T", "[Other]\nA=1\n[S]\nT=5\n"},
        {"[S]\nA=1\n[S]\nT=9\n", "S", "T", "[S]\nA=1\nT=5\n[S]\nT=9\n"},
        {"[S]\r\n  time1 \r\nU=2\r\n", "S", "Time1", "[S]\r\n  time1=5\r\nU=2\r\n"},  // a bare key, not doubled
        {bom + "[S]\r\nT=1\r\n", "S", "T", bom + "[S]\r\nT=5\r\n"},
        {bom + bom, "S", "T", bom + bom + "\n[S]\nT=5\n"},  // a second mark belongs to the first line
        {garbage + "4\n", "Setting", "Time2", garbage + "5\n"},
    };
    // Written through a link, as a user may keep the file elsewhere: the target
    // is replaced and keeps its permission bits.
    TempDir dir;
    const fs::path path = dir / "t.INI", link = dir / "link.INI";
    fs::create_symlink(path, link);
    const auto bits = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    for (const auto& [before, section, key, after] : cases) {
        fs::remove(path);
        if (before) {
            writeFile(path, *before);
            fs::permissions(path, bits);
            if (::geteuid() == 0) {
                EXPECT_EQ(::chown(path.c_str(), 0, 65534), 0);  // the superuser keeps a file's group too
            }
        }
        const std::string shown = after.substr(0, 60);
        EXPECT_TRUE(WriteIniEntries((before ? link : path).string(), section, {{key, "5"}}).ok()) << shown;
        EXPECT_TRUE(readFile(path) == after) << shown;
        EXPECT_EQ(ReadIniFile(link.string())->find(section, key).value_or(""), "5") << shown;
        struct stat written {};
        EXPECT_TRUE(fs::is_symlink(link) && (!before || (fs::status(path).permissions() & fs::perms::mask) == bits))
            << shown;
        EXPECT_TRUE(!before || ::geteuid() != 0 || (::stat(path.c_str(), &written) == 0 && written.st_gid == 65534))
            << shown;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2) << shown << ": stray file left";
    }
}

// All entries in one pass over the lines give the same bytes as storing them
// one after another: replaced where found, the rest after the section's last
// non-blank line in the order given, a key given twice stored once.
TEST(IniFileTest, SeveralEntriesInOnePassAsOneAfterAnother)
{
    const std::tuple<std::string, IniEntries, std::string> cases[] = {
        {"[S]\r\nB=1\r\n\r\n[T]\r\n", {{"A", "1"}, {"B", "2"}, {"C", "3"}}, "[S]\r\nB=2\r\nA=1\r\nC=3\r\n\r\n[T]\r\n"},
        {"", {{"A", "1"}, {"B", "2"}}, "[S]\nA=1\nB=2\n"},
        {"[S]\nb\na=0", {{"A", "1"}, {"B", "2"}, {"a", "3"}}, "[S]\nb=2\na=3"},
        {"[s]\nX=0", {{"K", "1"}, {"X", "2"}, {"k", "3"}}, "[s]\nX=2\nK=3\n"},
        {"\xEF\xBB\xBF[T]\r\nA=1", {{"A", "1"}, {"B", "2"}}, "\xEF\xBB\xBF[T]\r\nA=1\r\n[S]\r\nA=1\r\nB=2\r\n"},
    };
    for (const auto& [before, entries, after] : cases) {
        std::string oneByOne = before;
        for (const auto& [key, value] : entries)
            oneByOne = WithIniValue(oneByOne, "S", key, value);
        EXPECT_EQ(WithIniValues(before, "S", entries), after) << before;
        EXPECT_EQ(oneByOne, after) << before;
    }
}

// Every way a write can fail names the file, writes none of the entries and
// leaves the file and its folder as they were.
TEST(IniFileTest, FailedWritesLeaveTheOldFileWhole)
{
    TempDir dir;
    const std::string old = "; settings\r\n[Setting]\r\nTime1=5\r\nTIVKA_URL=http://x/\r\n";
    writeFile(dir / "t.INI", old);
    writeFile(dir / "plain", old);
    fs::create_directory(dir / "folder.INI");
    const IniEntries three = {{"Time1", "6"}, {"Time2", "44"}, {"TimerEn1", "1"}};
    const std::tuple<const char*, fs::path, std::string, IniEntries> cases[] = {
        {"the folder is a file", dir / "plain" / "t.INI", "Setting", three},
        {"a folder in its place", dir / "folder.INI", "Setting", three},
        {"a line break planting a key", dir / "t.INI", "Setting", {{"Time1", "1"}, {"TIVKA_URL", "y\nTimerEn1=1"}}},
        {"a key with =", dir / "t.INI", "Setting", {{"A=B", "1"}}},
        {"a section with ]", dir / "t.INI", "Set]ting", {{"A", "1"}}},
        {"a key read as a section", dir / "t.INI", "Setting", {{"Time1", "6"}, {"[A", "1"}}},
        {"a key read as a comment", dir / "t.INI", "Setting", {{";A", "1"}}},
        {"a key read without its blanks", dir / "t.INI", "Setting", {{"Time1 ", "1"}}},
        {"a full disk: the first key alone would fit", dir / "t.INI", "Setting", three},
    };
    for (const auto& [title, path, section, entries] : cases) {
        const test::FileSizeLimit limit(std::string(title).starts_with("a full disk") ? old.size() + 2 : RLIM_INFINITY);
        const Status status = WriteIniEntries(path.string(), section, entries);
        EXPECT_FALSE(status.ok()) << title << ": reported success";
        EXPECT_TRUE(status.subject() == path.string() && !status.detail().empty()) << title << ": " << status.text();
        EXPECT_EQ(readFile(dir / "t.INI"), old) << title;
        EXPECT_EQ(readFile(dir / "plain"), old) << title;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3) << title;
    }
}

}  // namespace
}  // namespace tivka
