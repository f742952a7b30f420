// Feeds arbitrary bytes as the pair text typed into the pair box: the chart
// addresses may carry anything, but every local file name must stay a bare
// name in the current folder, and the decimals are always 2 or 4.
#include <cstdint>
#include <string>
#include <string_view>

#include "acquisition/pair_naming.h"

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkLocalName(const std::string& name)
{
    check(!name.empty() && name != "." && name != "..");
    check(name.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos);
}

void checkChart(const tivka::ChartFile& file, const std::string& url)
{
    checkLocalName(file.localName);
    check(file.url.starts_with(url));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string url = "http://charts.example/images/";
    const std::string code = tivka::PairCode(text);
    const std::string name = tivka::PairName(text);
    check(code.size() <= text.size() && name.size() <= text.size() + 1);
    for (bool cumulative : {false, true}) {
        checkChart(tivka::DisplayPositionsChart(url, text, cumulative), url);
        checkChart(tivka::DisplayOrdersChart(url, text, cumulative), url);
        // The indicator pass names its charts from a pair code; take both the
        // derived code and the raw text as one.
        checkChart(tivka::IndicatorPositionsChart(url, code, cumulative), url);
        checkChart(tivka::IndicatorOrdersChart(url, code, cumulative), url);
        checkChart(tivka::IndicatorPositionsChart(url, text, cumulative), url);
        checkChart(tivka::IndicatorOrdersChart(url, text, cumulative), url);
    }
    const int digits = tivka::DecimalsOfPairText(text);
    check(digits == 2 || digits == 4);
    const int codeDigits = tivka::DecimalsOfPairCode(code);
    check(codeDigits == 2 || codeDigits == 4);
    return 0;
}
