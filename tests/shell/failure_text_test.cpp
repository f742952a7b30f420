#include "shell/failure_text.h"

#include <gtest/gtest.h>

namespace tivka {
namespace {

using What = ChartFailure::What;

ChartFailure failure(What what, const char* pair, const char* detail)
{
    return {what, pair, ChartKind::Orders, detail, "http://x/a.png", "a.png"};
}

// The short words of the tray and the box: one reason per kind, in Russian,
// each said once; a pair the display and the indicators both missed is one
// line of the notice.
TEST(FailureText, ShortWordsTellEachReasonOnceAndEachPairOnce)
{
    const struct {
        ChartFailures failures;
        std::string text;
    } cases[] = {
        {{failure(What::ServerAnswered, "A/B", "404 Not Found")}, "сервер ответил 404 Not Found"},
        {{failure(What::Unreachable, "A/B", "Couldn't connect"), failure(What::Unreachable, "A/B", "timeout")},
         "сервер недоступен"},
        {{failure(What::NotAPicture, "A/B", "the PNG data is truncated")}, "график повреждён или не PNG"},
        {{failure(What::NotANumber, "A/B", "1.2x"), failure(What::Unreachable, "A/B", "")},
         "текст на графике не число ('1.2x'), сервер недоступен"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortFailureText(c.failures), c.text);

    RefreshFailures refresh;
    refresh.display = {failure(What::Unreachable, "GBP/USD", "")};
    refresh.indicatorPairs = {{failure(What::ServerAnswered, "EUR/USD", "404 Not Found")},
                              {failure(What::NotAPicture, "GBP/USD", "cut")}};
    EXPECT_EQ(RefreshFailureNotice(refresh),
              "GBPUSD: сервер недоступен, график повреждён или не PNG\nEURUSD: сервер ответил 404 Not Found");
    EXPECT_EQ(RefreshFailureMessage(refresh),
              "Ошибка при загрузке графиков!\nСервер недоступен: http://x/a.png\n"
              "Ошибка при обновлении графиков для EURUSD: сервер ответил 404 Not Found\n"
              "Ошибка при обновлении графиков для GBPUSD: график повреждён или не PNG");
}

}  // namespace
}  // namespace tivka
