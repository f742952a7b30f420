#include "acquisition/pair_naming.h"

#include <gtest/gtest.h>

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
        {"GBP/USD", "GBPUSD", "GBP_USD"},  {"eurusd", "eursd", "eur_sd"},  // character 4 is skipped whatever it is
        {"EUR/USD/extra", "EURUSD", "EUR_USD"},  {"GB", "GB", "GB_"},  {"GBP/", "GBP", "GBP_"},  {"", "", "_"},
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

// A pair text is typed by the user: whatever it holds, the local chart file is
// a bare name in the current folder ("/", "\\" and NUL become "_"); the address
// keeps the text.
TEST(PairNamingTest, ChartAddressesAndFiles)
{
    const std::tuple<ChartFile, std::string, std::string> cases[] = {
        {DisplayPositionsChart(kUrl, "USD/JPY", true), "posentryprice_USD_JPY.png", "pc_USDJPY.png"},
        {DisplayPositionsChart(kUrl, "USD/JPY", false), "posentryprice_noncumulative_USD_JPY.png", "pn_USDJPY.png"},
        {DisplayOrdersChart(kUrl, "USD/JPY", true), "orders_USD_JPY.png", "oc_USDJPY.png"},
        {DisplayOrdersChart(kUrl, "USD/JPY", false), "orders_noncumulative_USD_JPY.png", "on_USDJPY.png"},
        {IndicatorPositionsChart(kUrl, "GBPUSD", false), "posentryprice_noncumulative_GBP_USD.png", "MTpGBPUSD.png"},
        {IndicatorOrdersChart(kUrl, "GBPUSD", true), "orders_GBP_USD.png", "MToGBPUSD.png"},
        {IndicatorOrdersChart(kUrl, "ФУНДОЛ", true), "orders_ФУН_ДОЛ.png", "MToФУНДОЛ.png"},
        {DisplayPositionsChart(kUrl, "../../x/y", false), "posentryprice_noncumulative_../_./x.png", "pn_.._._x.png"},
        {DisplayOrdersChart(kUrl, "..\\..\\x", true), "orders_..\\_.\\x.png", "oc_.._._x.png"},
        {DisplayOrdersChart(kUrl, std::string("a\0b/c", 5), true), "orders_" + std::string("a\0b_c", 5) + ".png",
         "oc_a_bc.png"},
        {IndicatorPositionsChart(kUrl, "/etc/passwd", true), "posentryprice_/et_c/p.png", "MTp_etc_passwd.png"},
    };
    for (const auto& [file, urlEnd, localName] : cases) {
        EXPECT_EQ(file.url, kUrl + urlEnd);
        EXPECT_EQ(file.localName, localName);
    }
}

}  // namespace
}  // namespace tivka
