#include "acquisition/pair_naming.h"

#include <vector>

namespace tivka {

const std::array<const char*, 10> kPairList = {"GBP/USD", "EUR/USD", "AUD/USD", "USD/JPY", "USD/CAD",
                                               "USD/CHF", "EUR/GBP", "EUR/JPY", "EUR/CHF", "GBP/JPY"};

int DecimalsOfPairText(const std::string& pairText)
{
    return pairText == "USD/JPY" || pairText == "EUR/JPY" || pairText == "GBP/JPY" ? 2 : 4;
}

int DecimalsOfPairCode(const std::string& pairCode)
{
    return pairCode == "USDJPY" || pairCode == "EURJPY" || pairCode == "GBPJPY" ? 2 : 4;
}

namespace {

// Length of the UTF-8 character starting at text[i]; a byte that does not
// start a well-formed sequence counts as one character on its own.
std::size_t characterLength(const std::string& text, std::size_t i)
{
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length <= 1 || (length == 2 && lead < 0xC2) || lead > 0xF4 || i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    return length;
}

std::vector<std::string> characters(const std::string& text)
{
    std::vector<std::string> result;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = characterLength(text, i);
        result.push_back(text.substr(i, n));
        i += n;
    }
    return result;
}

// Characters first..last (1-based, inclusive); positions past the end add nothing.
std::string characterRange(const std::vector<std::string>& chars, std::size_t first, std::size_t last)
{
    std::string piece;
    for (std::size_t k = first; k <= last && k <= chars.size(); ++k)
        piece += chars[k - 1];
    return piece;
}

// The local file name is built from a typed pair text, so it must never reach
// outside the current folder: separators and NUL become "_".
std::string safeLocalName(const std::string& name)
{
    std::string safe = name;
    for (char& c : safe)
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    return safe;
}

// A piece of a typed pair text as it may stand in the address's path: every
// byte but an ASCII letter, a digit or "/" as "%XX", so that "#", "?", "%",
// a space or a dot segment cannot change what is asked for.
std::string addressPiece(const std::string& piece)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : piece) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '/')
            encoded += c;
        else
            encoded += {'%', kHex[byte >> 4], kHex[byte & 0xF]};
    }
    return encoded;
}

// PairName with each piece fit for the address.
std::string addressPairName(const std::string& pairText)
{
    auto chars = characters(pairText);
    return addressPiece(characterRange(chars, 1, 3)) + "_" + addressPiece(characterRange(chars, 5, 7));
}

}  // namespace

std::string PairCode(const std::string& pairText)
{
    auto chars = characters(pairText);
    return characterRange(chars, 1, 3) + characterRange(chars, 5, 7);
}

std::string PairName(const std::string& pairText)
{
    auto chars = characters(pairText);
    return characterRange(chars, 1, 3) + "_" + characterRange(chars, 5, 7);
}

ChartFile ChartFileOf(ChartUse use, const PairSource& source, ChartKind kind)
{
    const bool orders = kind == ChartKind::Orders;
    const bool cumulative = source.cumulative[kind];
    const std::string code = PairCode(source.pairText);
    const std::string url = source.chartUrl + (orders ? "orders_" : "posentryprice_") +
                            (cumulative ? "" : "noncumulative_") + addressPairName(source.pairText) + ".png";
    const std::string local = use == ChartUse::Display
                                  ? std::string(orders ? "o" : "p") + (cumulative ? "c_" : "n_") + code + ".png"
                                  : std::string(orders ? "MTo" : "MTp") + code + ".png";
    return {url, safeLocalName(local)};
}

}  // namespace tivka
