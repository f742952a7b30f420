// A broker that changes how it draws its charts: every change the chart
// server knows, on the realistic charts of every pair, chart and variant in
// both fonts, is either read exactly as before, refused (a text that is not
// a number), or flagged by the layout guard. None reads other figures
// without a word.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "acquisition/pair_naming.h"
#include "chart_server/style_changes.h"
#include "reading/layout_check.h"

namespace tivka {
namespace {

using charts::ChartFont;

// Every figure a reading gives (the label ink found on the way is not one).
bool sameFigures(const ChartReading& a, const ChartReading& b)
{
    if (a.priceText != b.priceText || a.timeText != b.timeText || a.scale.size() != b.scale.size())
        return false;
    for (std::size_t i = 0; i < a.scale.size(); ++i)
        if (a.scale[i].price != b.scale[i].price || a.scale[i].column != b.scale[i].column)
            return false;
    for (std::size_t i = 0; i < a.levels.size(); ++i)
        if (a.levels[i].price != b.levels[i].price || a.levels[i].buyPixels != b.levels[i].buyPixels ||
            a.levels[i].sellPixels != b.levels[i].sellPixels)
            return false;
    return true;
}

// Both models of every pair, chart and variant, in both fonts.
std::vector<charts::ChartModel> realisticCharts()
{
    std::vector<charts::ChartModel> models;
    std::uint64_t seed = 100;
    for (const char* pair : kPairList)
        for (auto kind : {charts::ChartKind::Orders, charts::ChartKind::Positions})
            for (const bool cumulative : {false, true})
                for (const ChartFont font : {ChartFont::Block, ChartFont::Round}) {
                    ++seed;
                    models.push_back(charts::MakeChartModel(kind, pair, cumulative, seed, "12:30"));
                    models.push_back(charts::MakeDriftingChartModel(kind, pair, cumulative, seed,
                                                                    29'000'000 + std::int64_t(seed) * 37));
                    models[models.size() - 2].font = models.back().font = font;
                }
    return models;
}

struct Outcome {
    int harmless = 0;  // read exactly as the unchanged chart
    int refused = 0;   // the reading stopped at a text that is not a number
    int flagged = 0;   // read, with the guard's warning
    int silent = 0;    // read with other figures and no warning
};

TEST(StyleChanges, EveryChangedChartReadsAsBeforeOrIsFlagged)
{
    const std::vector<charts::StyleChange> changes = charts::StyleChanges();
    std::map<std::string, Outcome> outcomes;
    Outcome all;
    for (const charts::ChartModel& model : realisticCharts()) {
        const DigitTemplate digits(charts::DigitTemplateBitmap(model.font));
        const Bitmap unchanged = charts::RenderChart(model);
        const ChartReading before = ReadChart(unchanged, digits, {});
        ASSERT_TRUE(before.complete());
        ASSERT_TRUE(LayoutProblems(unchanged, before).empty()) << model.pairText;
        for (const charts::StyleChange& change : changes) {
            const Bitmap picture = change.draw(model);
            const ChartReading after = ReadChart(picture, digits, {});
            Outcome& outcome = outcomes[change.name];
            int Outcome::*kind = !after.complete()                          ? &Outcome::refused
                                 : !LayoutProblems(picture, after).empty() ? &Outcome::flagged
                                 : sameFigures(after, before)               ? &Outcome::harmless
                                                                            : &Outcome::silent;
            ++(outcome.*kind);
            ++(all.*kind);
            EXPECT_NE(kind, &Outcome::silent) << change.name << " on " << model.pairText << " " << int(model.kind)
                                              << " font " << int(model.font) << ": other figures, no warning";
        }
    }
    for (const auto& [name, o] : outcomes)
        std::printf("%-24s harmless %3d  refused %3d  flagged %3d  silent %d\n", name.c_str(), o.harmless,
                    o.refused, o.flagged, o.silent);
    std::printf("changed charts %d: harmless %d, refused %d, flagged %d, silent %d\n",
                all.harmless + all.refused + all.flagged + all.silent, all.harmless, all.refused, all.flagged,
                all.silent);
    EXPECT_EQ(all.silent, 0);
}

}  // namespace
}  // namespace tivka
