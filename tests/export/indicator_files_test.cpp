#include "export/indicator_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tivka {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

std::vector<std::string> SplitCrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF: ..." << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Every column gets figures that name it, so a row out of place shows.
ChartResults ColumnNamedChart(int percentOffset)
{
    ChartResults chart;
    for (int x = kFirstLevelColumn; x <= kLastLevelColumn; ++x)
        chart.Levels[x] = {x / 100.0, x + percentOffset, x + percentOffset + 1};
    chart.Now = {2.5, "12:30"};
    return chart;
}

std::string ExpectedRow(int column, int percentOffset)
{
    char price[32];
    std::snprintf(price, sizeof price, "%d.%02d00", column / 100, column % 100);
    return std::string(price) + ";" + std::to_string(column + percentOffset) + ";" +
           std::to_string(column + percentOffset + 1);
}

TEST(IndicatorDataText, LaysOutTheRowsOfBothChartsByColumn)
{
    const ChartResults orders = ColumnNamedChart(1000);
    ChartResults positions = ColumnNamedChart(5000);
    positions.Now = {7.0, "23:59"};  // the positions chart's own now-record is not written

    const std::vector<std::string> lines = SplitCrLfLines(IndicatorDataText(orders, positions, 4, "."));

    ASSERT_EQ(lines.size(), 720u);
    EXPECT_EQ(lines[0], "12:30");
    EXPECT_EQ(lines[1], "2.5000");
    EXPECT_EQ(lines[2], "Orders");
    EXPECT_EQ(lines[361], "Position");
    std::vector<int> columns;
    for (int x = 76; x <= 254; ++x)
        columns.push_back(x);
    for (int x = 256; x <= 434; ++x)
        columns.push_back(x);
    ASSERT_EQ(columns.size(), 358u);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(lines[3 + i], ExpectedRow(columns[i], 1000)) << "orders line " << 4 + i;
        EXPECT_EQ(lines[362 + i], ExpectedRow(columns[i], 5000)) << "positions line " << 363 + i;
    }
}

TEST(IndicatorDataText, PriceTextsUseThePairDecimalsAndAlwaysAPoint)
{
    struct Case {
        double price;
        int digits;
        std::string separator;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {1.23456, 4, ".", "1.2346"},  {109.4567, 2, ".", "109.46"}, {1.2, 4, ".", "1.2000"},
        {1.2550, 4, ",", "1.2550"},   {149.5, 2, ",", "149.50"},    {0.66, 4, ",", "0.6600"},
        {-0.00001, 4, ".", "0.0000"}, {-1.5, 2, ",", "-1.50"},
    };
    for (const Case& c : cases) {
        ChartResults orders;
        orders.Now.Price = c.price;
        orders.Levels[76].Price = c.price;
        const std::vector<std::string> lines =
            SplitCrLfLines(IndicatorDataText(orders, ChartResults{}, c.digits, c.separator));
        ASSERT_EQ(lines.size(), 720u);
        EXPECT_EQ(lines[1], c.expected) << c.price << " with separator " << c.separator;
        EXPECT_EQ(lines[3], c.expected + ";0;0") << c.price << " with separator " << c.separator;
    }
}

TEST(IndicatorDataText, WritesTimeAsReadAndPercentagesUnpadded)
{
    ChartResults orders;
    orders.Now.Time = "";
    orders.Levels[100] = {1.2550, 101, 0};
    orders.Levels[300] = {1.2550, 7, -3};
    ChartResults positions;
    positions.Levels[434] = {1.2550, 0, 101};
    // A decimal glyph in the time is kept as the settings' symbol, not replaced.
    ChartResults commaTime = orders;
    commaTime.Now.Time = "12,5";

    const std::vector<std::string> lines = SplitCrLfLines(IndicatorDataText(orders, positions, 4, ","));
    ASSERT_EQ(lines.size(), 720u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[3 + (100 - 76)], "1.2550;101;0");
    EXPECT_EQ(lines[3 + 179 + (300 - 256)], "1.2550;7;-3");
    EXPECT_EQ(lines[719], "1.2550;0;101");
    EXPECT_EQ(SplitCrLfLines(IndicatorDataText(commaTime, positions, 4, ","))[0], "12,5");
}

TEST(IndicatorDataText, SkipsColumnsOutsideTheFileRange)
{
    ChartResults orders;
    for (int x : {75, 255, 435})
        orders.Levels[x] = {9.0, 4242, 4343};
    const std::string text = IndicatorDataText(orders, orders, 4, ".");
    EXPECT_EQ(text.find("4242"), std::string::npos);
    EXPECT_EQ(text.find("9.0000"), std::string::npos);
}

TEST(WriteIndicatorDataFile, WritesTheWholeTextOverAnOlderLongerFile)
{
    TempDir dir;
    const ChartResults orders = ColumnNamedChart(0);
    const ChartResults positions = ColumnNamedChart(3);
    writeFile(dir / "GBPUSD.csv", std::string(100000, 'x'));

    ASSERT_TRUE(WriteIndicatorDataFile((dir / "GBPUSD").string(), orders, positions, 4, ","));

    EXPECT_EQ(readFile(dir / "GBPUSD.csv"), IndicatorDataText(orders, positions, 4, ","));
}

TEST(WriteIndicatorDataFile, ReportsEveryKindOfFailedWrite)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "AUDUSD.csv");
    std::filesystem::create_symlink("/dev/full", dir / "USDJPY.csv");
    const ChartResults chart;

    EXPECT_FALSE(WriteIndicatorDataFile((dir / "AUDUSD").string(), chart, chart, 4, "."))
        << "the data file path is a folder";
    EXPECT_FALSE(WriteIndicatorDataFile((dir / "USDJPY").string(), chart, chart, 2, ".")) << "no space left";
    EXPECT_FALSE(WriteIndicatorDataFile((dir / "missing" / "EURUSD").string(), chart, chart, 4, "."))
        << "the folder does not exist";
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(WriteFlagFile, ReplacesAnyContentWithOneByte)
{
    TempDir dir;
    const auto flag = dir / "irGBPUSD.dat";
    writeFile(flag, "request from the indicator\r\n");

    ASSERT_TRUE(WriteFlagFile(flag.string(), '1'));
    EXPECT_EQ(readFile(flag), "1");
    ASSERT_TRUE(WriteFlagFile(flag.string(), '2'));
    EXPECT_EQ(readFile(flag), "2");
}

TEST(WriteFlagFile, ReportsFailure)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "irGBPUSD.dat");
    EXPECT_FALSE(WriteFlagFile((dir / "irGBPUSD.dat").string(), '1'));
    EXPECT_FALSE(WriteFlagFile("/dev/full", '1'));
}

}  // namespace
}  // namespace tivka
