// Odd request flags and unwritable data folders met by the indicator pass:
// the pass goes on with every other request and harms nothing.
#include <cstdlib>

#include "indicator_pass_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;

class BadDataFolder : public IndicatorPassTest {
protected:
    bool requested(const std::string& pairName) const
    {
        for (const std::string& name : service_.requests())
            if (name.find(pairName) != std::string::npos)
                return true;
        return false;
    }
};

INSTANTIATE_TEST_SUITE_P(Fetching, BadDataFolder, ::testing::Bool(), FetchingName);

// A folder where the flag file should be asks for nothing: it could never
// show "1" or "2", so fetching for it would only write a data file unasked.
TEST_P(BadDataFolder, AFlagThatIsAFolderIsNoRequestAndThePassGoesOn)
{
    fs::create_directory(folder(0) / "irGBPUSD.dat");
    writeFile(folder(0) / "irGBPUSD.dat" / "inside", "kept");
    request(0, "EURUSD");
    run();
    EXPECT_FALSE(requested("GBP_USD"));
    EXPECT_EQ(readFile(folder(0) / "irGBPUSD.dat" / "inside"), "kept");
    EXPECT_FALSE(fs::exists(folder(0) / "GBPUSD.csv"));
    EXPECT_EQ(readFile(folder(0) / "irEURUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(0) / "EURUSD.csv"), expected("EUR/USD"));
    EXPECT_TRUE(observer_.shown.empty());
}

// The superuser ignores permission bits; the immutable attribute stops even
// it from adding a file to the folder.
TEST_P(BadDataFolder, AReadOnlyFolderKeepsItsFlagAtOneAndTheOtherFolderIsServed)
{
    request(0, "GBPUSD");
    request(1, "GBPUSD");
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
    EXPECT_TRUE(observer_.shown.empty());
}

}  // namespace
}  // namespace tivka::test
