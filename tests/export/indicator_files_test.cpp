// The row layout of whole data files is checked end to end in the update
// pass tests; here the price texts, odd figures and failed writes.
#include "export/indicator_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace tivka {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

std::vector<std::string> SplitCrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF: ..." << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

TEST(IndicatorDataText, PriceTextsUseThePairDecimalsAndAlwaysAPoint)
{
    const struct {
        double price;
        int digits;
        const char* separator;
        std::string expected;
    } cases[] = {
        {1.23456, 4, ".", "1.2346"},  {109.4567, 2, ".", "109.46"}, {1.2, 4, ".", "1.2000"},
        {1.2550, 4, ",", "1.2550"},   {149.5, 2, ",", "149.50"},    {0.66, 4, ",", "0.6600"},
        {-0.00001, 4, ".", "0.0000"}, {-1.5, 2, ",", "-1.50"},
    };
    for (const auto& c : cases) {
        ChartResults orders;
        orders.Now.Price = orders.Levels[76].Price = c.price;
        const std::vector<std::string> lines =
            SplitCrLfLines(IndicatorDataText(orders, ChartResults{}, c.digits, c.separator));
        ASSERT_EQ(lines.size(), 720u);
        EXPECT_EQ(lines[1], c.expected) << c.price << " with separator " << c.separator;
        EXPECT_EQ(lines[3], c.expected + ";0;0") << c.price << " with separator " << c.separator;
    }
}

TEST(IndicatorDataText, WritesTimeAsReadPercentagesUnpaddedAndOnlyTheFileColumns)
{
    ChartResults orders;
    orders.Levels[100] = {1.2550, 101, 0};
    orders.Levels[300] = {1.2550, 7, -3};
    for (int x : {75, 255, 435})
        orders.Levels[x] = {9.0, 4242, 4343};
    ChartResults positions;
    positions.Levels[434] = {1.2550, 0, 101};

    const std::string text = IndicatorDataText(orders, positions, 4, ",");
    const std::vector<std::string> lines = SplitCrLfLines(text);
    ASSERT_EQ(lines.size(), 720u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[3 + (100 - 76)], "1.2550;101;0");
    EXPECT_EQ(lines[3 + 179 + (300 - 256)], "1.2550;7;-3");
    EXPECT_EQ(lines[719], "1.2550;0;101");
    EXPECT_EQ(text.find("4242"), std::string::npos);
    EXPECT_EQ(text.find("9.0000"), std::string::npos);
    // A decimal glyph in the time is kept as the settings' symbol, not replaced.
    orders.Now.Time = "12,5";
    EXPECT_EQ(SplitCrLfLines(IndicatorDataText(orders, positions, 4, ","))[0], "12,5");
}

TEST(IndicatorFiles, WritesWholeFilesOverOlderOnes)
{
    TempDir dir;
    ChartResults orders;
    orders.Now = {2.5, "12:30"};
    writeFile(dir / "GBPUSD.csv", std::string(100000, 'x'));
    ASSERT_TRUE(WriteIndicatorDataFile((dir / "GBPUSD").string(), orders, orders, 4, ","));
    EXPECT_EQ(readFile(dir / "GBPUSD.csv"), IndicatorDataText(orders, orders, 4, ","));

    const auto flag = dir / "irGBPUSD.dat";
    writeFile(flag, "request from the indicator\r\n");
    ASSERT_TRUE(WriteFlagFile(flag.string(), '1'));
    EXPECT_EQ(readFile(flag), "1");
    ASSERT_TRUE(WriteFlagFile(flag.string(), '2'));
    EXPECT_EQ(readFile(flag), "2");
}

TEST(IndicatorFiles, ReportsEveryKindOfFailedWrite)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "AUDUSD.csv");
    std::filesystem::create_directory(dir / "irAUDUSD.dat");
    std::filesystem::create_symlink("/dev/full", dir / "USDJPY.csv");
    const ChartResults chart;

    EXPECT_FALSE(WriteIndicatorDataFile((dir / "AUDUSD").string(), chart, chart, 4, "."))
        << "the data file path is a folder";
    EXPECT_FALSE(WriteIndicatorDataFile((dir / "USDJPY").string(), chart, chart, 2, ".")) << "no space left";
    EXPECT_FALSE(WriteIndicatorDataFile((dir / "missing" / "EURUSD").string(), chart, chart, 4, "."))
        << "the folder does not exist";
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    EXPECT_FALSE(WriteFlagFile((dir / "irAUDUSD.dat").string(), '1'));
    EXPECT_FALSE(WriteFlagFile("/dev/full", '1'));
}

}  // namespace
}  // namespace tivka
