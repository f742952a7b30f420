#include "acquisition/pair_naming.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

const std::string kUrl = "http://charts.example/products/historical_orderbook_graphs/dat/ordersummary/images/";

ChartFile fileOf(ChartUse use, ChartKind kind, const std::string& pairText, bool cumulative)
{
    return ChartFileOf(use, {kUrl, pairText, {{cumulative, cumulative}}}, kind);
}

// The pieces of a pair text are taken by character position (UTF-8 characters;
// a byte that starts no well-formed sequence is one on its own): 1-3 and 5-7.
// A pair text is typed by the user: whatever it holds, the local chart file is
// a bare name in the current folder ("/", "\\" and NUL become "_"); the address
// keeps the text.
TEST(PairNamingTest, ChartAddressesAndFiles)
{
    const std::tuple<ChartFile, std::string, std::string> cases[] = {
        {fileOf(ChartUse::Display, ChartKind::Positions, "USD/JPY", true), "posentryprice_USD_JPY.png", "pc_USDJPY.png"},
        {fileOf(ChartUse::Display, ChartKind::Positions, "USD/JPY", false), "posentryprice_noncumulative_USD_JPY.png", "pn_USDJPY.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "USD/JPY", true), "orders_USD_JPY.png", "oc_USDJPY.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "USD/JPY", false), "orders_noncumulative_USD_JPY.png", "on_USDJPY.png"},
        {fileOf(ChartUse::Indicator, ChartKind::Positions, "GBP/USD", false), "posentryprice_noncumulative_GBP_USD.png", "MTpGBPUSD.png"},
        {fileOf(ChartUse::Indicator, ChartKind::Orders, "GBP/USD", true), "orders_GBP_USD.png", "MToGBPUSD.png"},
        {fileOf(ChartUse::Indicator, ChartKind::Orders, "ФУН/ДОЛ", true), "orders_ФУН_ДОЛ.png", "MToФУНДОЛ.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "ФУН/ДОЛ", true), "orders_ФУН_ДОЛ.png", "oc_ФУНДОЛ.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "€£¥/€$¥", true), "orders_€£¥_€$¥.png", "oc_€£¥€$¥.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "eurusd/extra", true), "orders_eur_sd/.png", "oc_eursd_.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "\xFF\xFE" "A/BCD", true), "orders_\xFF\xFE" "A_BCD.png", "oc_\xFF\xFE" "ABCD.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "AB\xE2\x82/XYZ", true), "orders_AB\xE2_/XY.png", "oc_AB\xE2_XY.png"},
        {fileOf(ChartUse::Display, ChartKind::Positions, "../../x/y", false), "posentryprice_noncumulative_../_./x.png", "pn_.._._x.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "..\\..\\x", true), "orders_..\\_.\\x.png", "oc_.._._x.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, std::string(200, 'A') + "/../..", true), "orders_AAA_AAA.png", "oc_AAAAAA.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, std::string("a\0b/c", 5), true), "orders_" + std::string("a\0b_c", 5) + ".png",
         "oc_a_bc.png"},
    };
    for (const auto& [file, urlEnd, localName] : cases) {
        EXPECT_EQ(file.url, kUrl + urlEnd);
        EXPECT_EQ(file.localName, localName);
    }
}

}  // namespace
}  // namespace tivka
