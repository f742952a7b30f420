// The indicator pass as the settings file sets it up: a terminal's data
// folder, an old installation folder and a folder that is not there, one in
// each folder setting, and what the state line says of them.
#include <gmock/gmock.h>

#include <filesystem>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_renderer.h"
#include "export/indicator_data.h"
#include "shell/data_state.h"
#include "shell/settings.h"
#include "platform/paths.h"
#include "support/fake_chart_downloader.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;

class IndicatorLayoutsTest : public ::testing::Test {
protected:
    IndicatorLayoutsTest()
    {
        // As MetaTrader 4 under Wine keeps a data folder, and as the old
        // terminals kept their installation.
        fs::create_directories(flags[0].parent_path());
        fs::create_directories(flags[1].parent_path());
        for (const fs::path& flag : flags)
            test::writeFile(flag, "0");
        test::writeFile("tivka.INI", "[Setting]\nMt4_Path=" + (dir / "Terminal" / "0123ABCD").string() +
                                         "/\nMt4_Path2=" + (dir / "MetaTrader 4").string() + "\\\nMt4_Path3=" +
                                         (dir / "gone").string() + "/\n");
    }

    // One pass as the window sets it up, the state line it leaves.
    std::string pass()
    {
        IndicatorPassConfig config;
        config.folders = IndicatorFoldersOf(LoadSettings("tivka.INI", ".").settings);
        state.refreshStarted();
        indicators.serve(config, digits, downloader, [&](RefreshEvent event) {
            if (const auto* read = std::get_if<PairRead>(&event))
                served = IndicatorDataText(read->readings[ChartKind::Orders], read->readings[ChartKind::Positions], 4);
            else if (const auto* missing = std::get_if<IndicatorFolderMissing>(&event))
                state.indicatorFolderMissing(*missing);
            else if (const auto* failed = std::get_if<PairFailed>(&event))
                ADD_FAILURE() << failed->pairText;
        });
        return state.line();
    }

    test::TempDir dir;
    test::ScopedCurrentDir inDir{dir.path()};
    const std::array<fs::path, 2> flags = {dir / "Terminal" / "0123ABCD" / "MQL4" / "Files" / "Tivka" / "irGBPUSD.dat",
                                           dir / "MetaTrader 4" / "experts" / "files" / "Tivka" / "irGBPUSD.dat"};
    DigitTemplate digits{charts::DigitTemplateBitmap()};
    test::FakeChartDownloader downloader;
    IndicatorPass indicators;
    DataState state;
    std::string served;
};

TEST_F(IndicatorLayoutsTest, BothLayoutsGetTheSameFileAndAMissingFolderIsToldOnce)
{
    EXPECT_EQ(pass(), "Папка индикаторов 3 не найдена: " + AbsolutePath(NativePath((dir / "gone").string() + "/experts\\files\\Tivka\\")));
    ASSERT_FALSE(served.empty()) << "GBP/USD was not served";
    for (const fs::path& flag : flags) {
        EXPECT_EQ(test::readFile(flag), "2") << flag;
        EXPECT_TRUE(test::readFile(fs::path(flag).replace_filename("GBPUSD.csv")) == served) << flag;
    }
    EXPECT_EQ(std::count(served.begin(), served.end(), '\n'), 720);
    EXPECT_EQ(pass(), "") << "the missing folder was told again";
}

}  // namespace
}  // namespace tivka
