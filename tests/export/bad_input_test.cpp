// Odd request flags and unwritable data folders met by the indicator pass:
// the pass goes on with every other request and harms nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "export/chart_service.h"
#include "export/update_pass.h"
#include "support/recorded_messages.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using charts::ChartKind;
using test::readFile;
using test::writeFile;

class BadDataFolder : public ::testing::Test {
protected:
    BadDataFolder() : cwd_(temp_.path()), digits_(charts::DigitTemplateBitmap())
    {
        config_.chartUrl = service_.chartUrl();
        for (int i = 0; i < 2; ++i) {
            config_.mt4Dirs[std::size_t(i)] = "mt4_" + std::to_string(i + 1) + "\\files\\";
            fs::create_directories(folder(i));
        }
    }
    fs::path folder(int i) const { return temp_.path() / ("mt4_" + std::to_string(i + 1)) / "files"; }
    void run() { SaveData(config_, digits_, state_, downloader_, messages_); }
    std::string expected(const std::string& pairText)
    {
        return test::ExpectedDataText(service_.model(pairText, ChartKind::Orders, false),
                                      service_.model(pairText, ChartKind::Positions, false));
    }
    bool requested(const std::string& pairName) const
    {
        for (const std::string& name : service_.requests())
            if (name.find(pairName) != std::string::npos)
                return true;
        return false;
    }

    test::TempDir temp_;
    test::ScopedCurrentDir cwd_;
    test::ChartService service_;
    DigitTemplate digits_;
    UpdatePassConfig config_;
    IndicatorState state_;
    CurlDownloader downloader_;
    test::RecordedMessages messages_;
};

// A folder where the flag file should be asks for nothing: it could never
// show "1" or "2", so fetching for it would only write a data file unasked.
TEST_F(BadDataFolder, AFlagThatIsAFolderIsNoRequestAndThePassGoesOn)
{
    fs::create_directory(folder(0) / "irGBPUSD.dat");
    writeFile(folder(0) / "irGBPUSD.dat" / "inside", "kept");
    writeFile(folder(0) / "irEURUSD.dat", "0");
    run();
    EXPECT_FALSE(requested("GBP_USD"));
    EXPECT_EQ(readFile(folder(0) / "irGBPUSD.dat" / "inside"), "kept");
    EXPECT_FALSE(fs::exists(folder(0) / "GBPUSD.csv"));
    EXPECT_EQ(readFile(folder(0) / "irEURUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(0) / "EURUSD.csv"), expected("EUR/USD"));
    EXPECT_TRUE(messages_.shown.empty());
}

// The superuser ignores permission bits; the immutable attribute stops even
// it from adding a file to the folder.
TEST_F(BadDataFolder, AReadOnlyFolderKeepsItsFlagAtOneAndTheOtherFolderIsServed)
{
    writeFile(folder(0) / "irGBPUSD.dat", "0");
    writeFile(folder(1) / "irGBPUSD.dat", "0");
    struct Lock {
        std::string path;
        bool set = std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
        ~Lock()
        {
            if (set)
                std::system(("chattr -i '" + path + "'").c_str());
        }
    } lock{folder(0).string()};
    if (!lock.set)
        GTEST_SKIP() << "chattr +i is not available here";
    run();
    EXPECT_EQ(readFile(folder(0) / "irGBPUSD.dat"), "1");
    EXPECT_FALSE(fs::exists(folder(0) / "GBPUSD.csv"));
    EXPECT_EQ(readFile(folder(1) / "irGBPUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(1) / "GBPUSD.csv"), expected("GBP/USD"));
    EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
}  // namespace tivka
