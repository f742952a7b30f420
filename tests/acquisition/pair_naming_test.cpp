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
// a bare name in the current folder ("/", "\\" and NUL become "_"), and the
// address asks for that text and nothing else: every byte of the two pieces
// but a letter, a digit or "/" is percent-encoded, so that "#" or "?" cannot
// end the path and start a fragment or a query.
TEST(PairNamingTest, ChartAddressesAndFiles)
{
    const std::tuple<ChartFile, std::string, std::string> cases[] = {
        {fileOf(ChartUse::Display, ChartKind::Positions, "USD/JPY", true), "posentryprice_USD_JPY.png", "pc_USDJPY.png"},
        {fileOf(ChartUse::Display, ChartKind::Positions, "USD/JPY", false), "posentryprice_noncumulative_USD_JPY.png", "pn_USDJPY.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "USD/JPY", true), "orders_USD_JPY.png", "oc_USDJPY.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "USD/JPY", false), "orders_noncumulative_USD_JPY.png", "on_USDJPY.png"},
        {fileOf(ChartUse::Indicator, ChartKind::Positions, "GBP/USD", false), "posentryprice_noncumulative_GBP_USD.png", "MTpGBPUSD.png"},
        {fileOf(ChartUse::Indicator, ChartKind::Orders, "GBP/USD", true), "orders_GBP_USD.png", "MToGBPUSD.png"},
        {fileOf(ChartUse::Indicator, ChartKind::Orders, "ФУН/ДОЛ", true), "orders_%D0%A4%D0%A3%D0%9D_%D0%94%D0%9E%D0%9B.png", "MToФУНДОЛ.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "ФУН/ДОЛ", true), "orders_%D0%A4%D0%A3%D0%9D_%D0%94%D0%9E%D0%9B.png", "oc_ФУНДОЛ.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "€£¥/€$¥", true), "orders_%E2%82%AC%C2%A3%C2%A5_%E2%82%AC%24%C2%A5.png", "oc_€£¥€$¥.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "eurusd/extra", true), "orders_eur_sd/.png", "oc_eursd_.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "\xFF\xFE" "A/BCD", true), "orders_%FF%FEA_BCD.png", "oc_\xFF\xFE" "ABCD.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "AB\xE2\x82/XYZ", true), "orders_AB%E2_/XY.png", "oc_AB\xE2_XY.png"},
        {fileOf(ChartUse::Display, ChartKind::Positions, "../../x/y", false), "posentryprice_noncumulative_%2E%2E/_%2E/x.png", "pn_.._._x.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "..\\..\\x", true), "orders_%2E%2E%5C_%2E%5Cx.png", "oc_.._._x.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, std::string(200, 'A') + "/../..", true), "orders_AAA_AAA.png", "oc_AAAAAA.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, std::string("a\0b/c", 5), true), "orders_a%00b_c.png",
         "oc_a_bc.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "GB#/U?D", true), "orders_GB%23_U%3FD.png", "oc_GB#U?D.png"},
        {fileOf(ChartUse::Display, ChartKind::Orders, "G%P/U D", true), "orders_G%25P_U%20D.png", "oc_G%PU D.png"},
    };
    for (const auto& [file, urlEnd, localName] : cases) {
        EXPECT_EQ(file.url, kUrl + urlEnd);
        EXPECT_EQ(file.localName, localName);
    }
    // The broker's own names are letters and "_": the ten pairs' addresses
    // are as they always were.
    for (const char* pair : kPairList)
        EXPECT_EQ(fileOf(ChartUse::Indicator, ChartKind::Orders, pair, false).url,
                  kUrl + "orders_noncumulative_" + PairName(pair) + ".png");
    // Yen pairs are priced to two decimals, the others to four.
    for (const auto& [pair, decimals] : {std::pair("USD/JPY", 2), {"EUR/JPY", 2}, {"GBP/JPY", 2}, {"EUR/GBP", 4}})
        EXPECT_EQ(std::pair(DecimalsOfPairText(pair), DecimalsOfPairCode(PairCode(pair))), std::pair(decimals, decimals));
}

}  // namespace
}  // namespace tivka
