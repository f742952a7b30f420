#include "acquisition/pair_naming.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tivka {
namespace {

const std::string kUrl = "http://charts.example/products/historical_orderbook_graphs/dat/ordersummary/images/";

TEST(PairNamingTest, PiecesByCharacterPosition)
{
    struct Case {
        std::string text, code, name;
    };
    const Case cases[] = {
        {"GBP/USD", "GBPUSD", "GBP_USD"},
        {"eurusd", "eursd", "eur_sd"},  // character 4 is skipped whatever it is
        {"EUR/USD/extra", "EURUSD", "EUR_USD"},
        {"GB", "GB", "GB_"},
        {"GBP/", "GBP", "GBP_"},
        {"", "", "_"},
        {"ФУН/ДОЛ", "ФУНДОЛ", "ФУН_ДОЛ"},  // two bytes per character
        {"€£¥/€$¥", "€£¥€$¥", "€£¥_€$¥"},
        {"\xFF\xFE" "A/BCD", "\xFF\xFE" "ABCD", "\xFF\xFE" "A_BCD"},  // stray bytes count one each
        {"AB\xE2\x82/XYZ", "AB\xE2/XY", "AB\xE2_/XY"},  // a cut sequence is not one character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PairCode(c.text), c.code) << c.text;
        EXPECT_EQ(PairName(c.text), c.name) << c.text;
    }
}

TEST(PairNamingTest, DisplayChartAddressesAndFiles)
{
    struct Case {
        bool positions, cumulative;
        std::string urlEnd, localName;
    };
    const Case cases[] = {
        {true, true, "posentryprice_USD_JPY.png", "pc_USDJPY.png"},
        {true, false, "posentryprice_noncumulative_USD_JPY.png", "pn_USDJPY.png"},
        {false, true, "orders_USD_JPY.png", "oc_USDJPY.png"},
        {false, false, "orders_noncumulative_USD_JPY.png", "on_USDJPY.png"},
    };
    for (const Case& c : cases) {
        ChartFile f = c.positions ? DisplayPositionsChart(kUrl, "USD/JPY", c.cumulative)
                                  : DisplayOrdersChart(kUrl, "USD/JPY", c.cumulative);
        EXPECT_EQ(f.url, kUrl + c.urlEnd);
        EXPECT_EQ(f.localName, c.localName);
    }
}

TEST(PairNamingTest, IndicatorChartsFromACode)
{
    EXPECT_EQ(IndicatorPositionsChart(kUrl, "GBPUSD", false).url, kUrl + "posentryprice_noncumulative_GBP_USD.png");
    EXPECT_EQ(IndicatorPositionsChart(kUrl, "GBPUSD", true).localName, "MTpGBPUSD.png");
    EXPECT_EQ(IndicatorOrdersChart(kUrl, "GBPUSD", true).url, kUrl + "orders_GBP_USD.png");
    EXPECT_EQ(IndicatorOrdersChart(kUrl, "GBPUSD", false).localName, "MToGBPUSD.png");
}

TEST(PairNamingTest, AddressPrefixIsUsedUnchanged)
{
    ChartFile f = DisplayOrdersChart("http://host/images", "GBP/USD", true);
    EXPECT_EQ(f.url, "http://host/imagesorders_GBP_USD.png");
}

// A pair text is typed by the user: whatever it holds, the local chart file
// is a bare name in the current folder. The address keeps the text.
TEST(PairNamingTest, LocalNamesNeverLeaveTheCurrentFolder)
{
    const std::string texts[] = {"../../x/y", "..\\..\\x", "/etc/passwd", std::string(200, 'A') + "/../..",
                                 std::string("a\0b/c", 5), "./././.", "..//..", "../a/../b"};
    for (const std::string& text : texts) {
        for (bool cumulative : {false, true}) {
            for (const ChartFile& f :
                 {DisplayPositionsChart(kUrl, text, cumulative), DisplayOrdersChart(kUrl, text, cumulative),
                  IndicatorPositionsChart(kUrl, text, cumulative), IndicatorOrdersChart(kUrl, text, cumulative)}) {
                std::filesystem::path local(f.localName);
                EXPECT_EQ(local.filename(), local) << f.localName;
                EXPECT_EQ(f.localName.find_first_of(std::string("/\\\0", 3)), std::string::npos) << f.localName;
                EXPECT_NE(local, std::filesystem::path(".."));
            }
            // Only seven characters of the text ever reach a display file name.
            EXPECT_LE(DisplayOrdersChart(kUrl, text, cumulative).localName.size(), 14u);
        }
    }
    EXPECT_EQ(DisplayPositionsChart(kUrl, "../../x/y", false).url, kUrl + "posentryprice_noncumulative_../_./x.png");
    EXPECT_EQ(DisplayPositionsChart(kUrl, "../../x/y", false).localName, "pn_.._._x.png");
}

}  // namespace
}  // namespace tivka
