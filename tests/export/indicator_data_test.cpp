// The row layout of whole data files is checked end to end in the update
// pass tests; here the price texts, odd figures and failed writes.
#include "export/indicator_data.h"

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
        ChartReading orders;
        orders.price = orders.level(76).price = c.price;
        const std::vector<std::string> lines =
            SplitCrLfLines(IndicatorDataText(orders, ChartReading{}, c.digits, c.separator));
        ASSERT_EQ(lines.size(), 720u);
        EXPECT_EQ(lines[1], c.expected) << c.price << " with separator " << c.separator;
        EXPECT_EQ(lines[3], c.expected + ";0;0") << c.price << " with separator " << c.separator;
    }
}

TEST(IndicatorDataText, WritesTimeAsReadPercentagesUnpaddedAndOnlyTheFileColumns)
{
    ChartReading orders;
    orders.level(100) = {1.2550, 75, 0};
    orders.level(300) = {1.2550, 6, 37};
    for (int x : {75, 255, 435})
        orders.level(x) = {9.0, 4242, 4343};
    ChartReading positions;
    positions.level(434) = {1.2550, 0, 75};

    const std::string text = IndicatorDataText(orders, positions, 4, ",");
    const std::vector<std::string> lines = SplitCrLfLines(text);
    ASSERT_EQ(lines.size(), 720u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[3 + (100 - 76)], "1.2550;101;0");
    EXPECT_EQ(lines[3 + 179 + (300 - 256)], "1.2550;8;50");
    EXPECT_EQ(lines[719], "1.2550;0;101");
    EXPECT_EQ(text.find("5732"), std::string::npos);
    EXPECT_EQ(text.find("9.0000"), std::string::npos);
    // A decimal glyph in the time is kept as the settings' symbol, not replaced.
    orders.timeText = "12,5";
    EXPECT_EQ(SplitCrLfLines(IndicatorDataText(orders, positions, 4, ","))[0], "12,5");
}

TEST(IndicatorData, WritesWholeFilesOverOlderOnes)
{
    TempDir dir;
    ChartReading orders;
    orders.price = 2.5;
    orders.timeText = "12:30";
    writeFile(dir / "GBPUSD.csv", std::string(100000, 'x'));
    const std::string text = IndicatorDataText(orders, orders, 4, ",");
    ASSERT_TRUE(WriteIndicatorData((dir / "GBPUSD").string(), text));
    EXPECT_EQ(readFile(dir / "GBPUSD.csv"), text);

    const auto flag = dir / "irGBPUSD.dat";
    writeFile(flag, "request from the indicator\r\n");
    ASSERT_TRUE(WriteRequestFlag(flag.string(), '1'));
    EXPECT_EQ(readFile(flag), "1");
    ASSERT_TRUE(WriteRequestFlag(flag.string(), '2'));
    EXPECT_EQ(readFile(flag), "2");
}

TEST(IndicatorData, ReportsEveryKindOfFailedWrite)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "AUDUSD.csv");
    std::filesystem::create_directory(dir / "irAUDUSD.dat");
    std::filesystem::create_symlink("/dev/full", dir / "USDJPY.csv");
    const std::string text = IndicatorDataText(ChartReading{}, ChartReading{}, 4, ".");

    EXPECT_FALSE(WriteIndicatorData((dir / "AUDUSD").string(), text)) << "the data file path is a folder";
    EXPECT_FALSE(WriteIndicatorData((dir / "USDJPY").string(), text)) << "no space left";
    EXPECT_FALSE(WriteIndicatorData((dir / "missing" / "EURUSD").string(), text)) << "the folder does not exist";
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    EXPECT_FALSE(WriteRequestFlag((dir / "irAUDUSD.dat").string(), '1'));
    EXPECT_FALSE(WriteRequestFlag("/dev/full", '1'));
}

}  // namespace
}  // namespace tivka
