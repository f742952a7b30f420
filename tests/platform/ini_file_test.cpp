#include "platform/ini_file.h"
#include "platform/ini_text.h"

#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

// Expects `action` to fail with "Unable to write to <path>: <reason>".
template <typename Action>
void expectUnableToWrite(const fs::path& path, Action action)
{
    try {
        action();
        ADD_FAILURE() << "write to " << path << " reported success";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), ::testing::StartsWith("Unable to write to " + path.string() + ": "));
    }
}

void writeOne(const fs::path& path, const std::string& section, const std::string& key, const std::string& value)
{
    WriteIniEntries(path.string(), section, {{key, value}});
}

std::size_t entriesIn(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

struct ReadCase {
    std::string content;
    const char* section;
    const char* key;
    std::string expected;  // "<default>" when the default must come back
};

TEST(IniFileTest, ReadsValuesWithPrivateProfileRules)
{
    const ReadCase cases[] = {
        {"[Setting]\nTime1=5\n", "Setting", "Time1", "5"},
        {"[setting]\nTIME1=5\n", "SETTING", "time1", "5"},
        {"[ Setting ]\r\n  Time1 \t=  5 \t\r\n", "Setting", "Time1", "5"},
        {"[Setting]\nURL=\"http://a/ b\"\n", "Setting", "URL", "http://a/ b"},
        {"[Setting]\nURL=  \"\"x\"\"  \n", "Setting", "URL", "\"x\""},
        {"[Setting]\nURL=\"\n", "Setting", "URL", "\""},
        {"[Setting]\nURL=a=b\n", "Setting", "URL", "a=b"},
        {"[Setting]\nURL=\n", "Setting", "URL", ""},
        {"[Setting]\nURL=;not a comment\n", "Setting", "URL", ";not a comment"},
        {"[Setting]\nTime1=5", "Setting", "Time1", "5"},
        {"\xEF\xBB\xBF[Setting]\r\nTime1=5\r\n", "Setting", "Time1", "5"},
        {"[Setting]\nTime1=1\nTime1=2\n", "Setting", "Time1", "1"},
        {"[Setting]\nTime1=1\n[Setting]\nTime2=2\n", "Setting", "Time2", "<default>"},
        {"[Other]\nTime1=5\n[Setting]\nTime2=3\n", "Setting", "Time1", "<default>"},
        {"[Setting]\n;Time1=5\nTime1\n", "Setting", "Time1", ""},
        {"[Setting]\nURL='http://a/ b'\n", "Setting", "URL", "http://a/ b"},
        {"[Setting]\nURL='x\"\n", "Setting", "URL", "'x\""},
        {"[Setting]\nTime1=5\r", "Setting", "Time1", "5"},
        {"Time1=5\n[Setting]\n", "Setting", "Time1", "<default>"},
        {"", "Setting", "Time1", "<default>"},
        {"[Setting\nTime1=4\n", "Setting", "Time1", "4"},
        {"[Setting]\nURL=" + std::string(3000, 'v') + "\n", "Setting", "URL", std::string(2047, 'v')},
    };
    for (const ReadCase& c : cases) {
        std::string expected = c.expected == "<default>" ? "none" : c.expected;
        EXPECT_EQ(IniValues(c.content).readString(c.section, c.key, "none"), expected) << c.content;
    }
}

TEST(IniFileTest, MissingFileOrFolderGivesDefaults)
{
    TempDir dir;
    fs::create_directory(dir / "folder.INI");
    for (const fs::path& path : {dir / "absent.INI", dir / "folder.INI", dir / "no" / "such.INI"}) {
        const IniValues ini = ReadIniFile(path.string());
        EXPECT_EQ(ini.readString("Setting", "A", "d"), "d");
        EXPECT_EQ(ini.readInteger("Setting", "A", 33), 33);
        EXPECT_TRUE(ini.readBool("Setting", "A", true));
    }
}

TEST(IniFileTest, IntegersAndBooleans)
{
    struct Case {
        const char* value;
        std::int32_t asInteger;  // with default 7
        bool asBool;             // with default false
    };
    const Case cases[] = {
        {"30", 30, true},      {"-4", -4, true},     {"0", 0, false},       {"0x1E", 30, true},
        {"0X1e", 30, true},    {"0x", 7, false},     {"0x1G", 7, false},    {"$1F", 31, true},
        {"12abc", 7, false},   {"1.5", 7, false},    {"yes", 7, false},     {"", 7, false},
        {"2", 2, true},        {"\"15\"", 15, true}, {"99999999999", 7, false},
    };
    for (const Case& c : cases) {
        const IniValues ini(std::string("[Setting]\nK = ") + c.value + "\n");
        EXPECT_EQ(ini.readInteger("Setting", "K", 7), c.asInteger) << c.value;
        EXPECT_EQ(ini.readBool("Setting", "K", false), c.asBool) << c.value;
    }
    EXPECT_TRUE(IniValues("[Setting]\nK=yes\n").readBool("Setting", "K", true)) << "non-numeric keeps the default";
}

struct WriteCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST(IniFileTest, WritesChangeOnlyTheirOwnLine)
{
    const WriteCase cases[] = {
        {"new file", nullptr, "Setting", "Time1", "5", "[Setting]\nTime1=5\n"},
        {"empty file", "", "Setting", "Time1", "5", "[Setting]\nTime1=5\n"},
        {"replace keeps key text and spacing", "[Setting]\r\n  time1 =  7\r\n", "SETTING", "Time1", "5",
         "[Setting]\r\n  time1 =  5\r\n"},
        {"replace quoted value", "[Setting]\nURL=\"a b\"   \nX=1\n", "Setting", "URL", "c", "[Setting]\nURL=c\nX=1\n"},
        {"append after last non-blank line", "[Setting]\nA=1\n\n\n[Next]\nB=2\n", "Setting", "Time1", "5",
         "[Setting]\nA=1\nTime1=5\n\n\n[Next]\nB=2\n"},
        {"append after a comment", "[Setting]\r\nA=1\r\n; note\r\n\r\n[Next]\r\n", "Setting", "T", "5",
         "[Setting]\r\nA=1\r\n; note\r\nT=5\r\n\r\n[Next]\r\n"},
        {"append to empty section", "[Setting]\n[Next]\n", "Setting", "T", "5", "[Setting]\nT=5\n[Next]\n"},
        {"append at end without newline", "[Setting]\r\nA=1", "Setting", "T", "5", "[Setting]\r\nA=1\r\nT=5\r\n"},
        {"new section after others", "; top\r\n[Other]\r\nA=1\r\n", "Setting", "T", "5",
         "; top\r\n[Other]\r\nA=1\r\n[Setting]\r\nT=5\r\n"},
        {"new section, file without newline", "[Other]\nA=1", "Setting", "T", "5",
         "[Other]\nA=1\n[Setting]\nT=5\n"},
        {"only first section counts", "[Setting]\nA=1\n[Setting]\nT=9\n", "Setting", "T", "5",
         "[Setting]\nA=1\nT=5\n[Setting]\nT=9\n"},
        {"byte order mark kept", "\xEF\xBB\xBF[Setting]\r\nT=1\r\n", "Setting", "T", "5",
         "\xEF\xBB\xBF[Setting]\r\nT=5\r\n"},
        {"key in another section untouched", "[Other]\nT=1\n[Setting]\nU=2\n", "Setting", "T", "5",
         "[Other]\nT=1\n[Setting]\nU=2\nT=5\n"},
        {"bare key line replaced, not doubled", "[Setting]\r\n  time1 \r\nU=2\r\n", "Setting", "Time1", "5",
         "[Setting]\r\n  time1=5\r\nU=2\r\n"},
    };
    TempDir dir;
    const fs::path path = dir / "t.INI";
    for (const WriteCase& c : cases) {
        fs::remove(path);
        if (c.before)
            writeFile(path, c.before);
        writeOne(path, c.section, c.key, c.value);
        EXPECT_EQ(readFile(path), c.after) << c.name;
        EXPECT_EQ(ReadIniFile(path.string()).readString(c.section, c.key, "none"), c.value) << c.name;
        EXPECT_EQ(entriesIn(dir.path()), 1u) << c.name << ": stray file left";
    }
}

TEST(IniFileTest, RewriteKeepsPermissionBitsAndFollowsLinks)
{
    TempDir dir;
    const fs::path target = dir / "real.INI";
    writeFile(target, "[Setting]\nT=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, dir / "link.INI");
    writeOne(dir / "link.INI", "Setting", "T", "2");
    EXPECT_TRUE(fs::is_symlink(dir / "link.INI"));
    EXPECT_EQ(readFile(target), "[Setting]\nT=2\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(IniFileTest, UnwritablePlacesReportTheFileAndLeaveItAlone)
{
    TempDir dir;
    writeFile(dir / "plain", "not a folder");
    const fs::path underFile = dir / "plain" / "t.INI";
    expectUnableToWrite(underFile, [&] { writeOne(underFile, "S", "K", "v"); });
    EXPECT_EQ(readFile(dir / "plain"), "not a folder");

    const fs::path folder = dir / "folder.INI";
    fs::create_directory(folder);
    writeFile(folder / "inside", "kept");
    expectUnableToWrite(folder, [&] { writeOne(folder, "S", "K", "v"); });
    EXPECT_EQ(readFile(folder / "inside"), "kept");
    EXPECT_EQ(entriesIn(dir.path()), 2u);
}

// Simulates a full disk: writes beyond the size limit fail (EFBIG), also for
// the superuser, for whom permission bits would not stop anything.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(IniFileTest, FailedWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    const fs::path path = dir / "t.INI";
    const std::string old = "; settings\r\n[Setting]\r\nTime1=5\r\nTIVKA_URL=http://x/\r\n";
    writeFile(path, old);
    {
        // The first key alone would still fit: all keys are written or none.
        FileSizeLimit limit(old.size() + 2);
        expectUnableToWrite(path, [&] {
            WriteIniEntries(path.string(), "Setting", {{"Time1", "6"}, {"Time2", "44"}, {"TimerEn1", "1"}});
        });
    }
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "the half-written new file must be gone";
}

TEST(IniFileTest, LineBreaksCannotPlantEntries)
{
    TempDir dir;
    const fs::path path = dir / "t.INI";
    writeFile(path, "[Setting]\nTIVKA_URL=http://x/\n");
    expectUnableToWrite(path, [&] {
        WriteIniEntries(path.string(), "Setting", {{"Time1", "1"}, {"TIVKA_URL", "http://y/\nTimerEn1=1"}});
    });
    expectUnableToWrite(path, [&] { writeOne(path, "Setting", "A=B", "1"); });
    expectUnableToWrite(path, [&] { writeOne(path, "Set]ting", "A", "1"); });
    EXPECT_EQ(readFile(path), "[Setting]\nTIVKA_URL=http://x/\n");
}

TEST(IniFileTest, HugeAndGarbledFilesAreReadAndKept)
{
    TempDir dir;
    const fs::path path = dir / "t.INI";
    std::string garbage(10 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
    std::string longLine(100000, 'x');
    std::string content = garbage + "\n" + longLine + "\n[Setting]\nTime1=" + longLine + "\nTime2=4\n";
    writeFile(path, content);

    const IniValues ini = ReadIniFile(path.string());
    EXPECT_EQ(ini.readInteger("Setting", "Time2", 0), 4);
    EXPECT_EQ(ini.readString("Setting", "Time1", "").size(), 2047u);
    writeOne(path, "Setting", "Time2", "5");
    content.replace(content.size() - 2, 1, "5");
    EXPECT_TRUE(readFile(path) == content) << "garbled bytes must survive a write unchanged";
}

// Two marks and nothing else once lost the keys a shut-down wrote, because
// the new section was glued to the second mark.
TEST(IniFileTest, WrittenValueReadsBackAfterOneOrTwoByteOrderMarks)
{
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string& input : {bom, bom + bom, bom + bom + "\r\n", bom + "[Setting]\r\nTime2=5\r\n",
                                     bom + bom + "[Setting]\r\nTime2=5\r\n"}) {
        EXPECT_EQ(IniValues(WithIniValue(input, "Setting", "Time1", "12")).readString("Setting", "Time1", "none"),
                  "12")
            << "input of " << input.size() << " bytes";
    }
}

}  // namespace
}  // namespace tivka
