// What the indicator pass says of its folders before it serves them: a named
// folder that is not there, and flag files no pair of the list answers to,
// each told once and again only once it has changed.
#include <gmock/gmock.h>

#include <filesystem>

#include "export/indicator_pass.h"
#include "platform/paths.h"
#include "support/fake_chart_downloader.h"
#include "support/test_support.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class IndicatorFoldersTest : public ::testing::Test {
protected:
    // The folder notices of one pass, as "missing N <path>" and
    // "ignored N <path>: name name".
    std::vector<std::string> pass()
    {
        std::vector<std::string> told;
        pass_.serve(config_, digits_, downloader_, [&](RefreshEvent event) {
            if (const auto* missing = std::get_if<IndicatorFolderMissing>(&event))
                told.push_back("missing " + std::to_string(missing->folder) + " " + missing->path);
            if (const auto* ignored = std::get_if<IndicatorFlagsIgnored>(&event)) {
                std::string names;
                for (const std::string& name : ignored->names)
                    names += " " + name;
                told.push_back("ignored " + std::to_string(ignored->folder) + " " + ignored->path + ":" + names);
            }
        });
        return told;
    }
    // The folder as the pass names it: absolute, in the system's form.
    std::string absolute(const std::string& folder) const { return AbsolutePath(NativePath(folder + "\\")); }

    TempDir dir_;
    ScopedCurrentDir cwd_{dir_.path()};
    IndicatorPassConfig config_;
    IndicatorPass pass_;
    DigitTemplate digits_;
    FakeChartDownloader downloader_;
};

TEST_F(IndicatorFoldersTest, ANamedFolderThatIsNotThereIsToldOnceUntilItChanges)
{
    fs::create_directories("there");
    config_.folders = {{{"gone\\", true}, {"there\\", true}, {"unset\\", false}}};
    EXPECT_THAT(pass(), ElementsAre("missing 1 " + absolute("gone")));
    EXPECT_THAT(pass(), IsEmpty()) << "told again";

    fs::create_directories("gone");
    EXPECT_THAT(pass(), IsEmpty());
    fs::remove("gone");
    EXPECT_THAT(pass(), ElementsAre("missing 1 " + absolute("gone"))) << "gone again";

    // Another folder named, and a folder named twice: told under its first number.
    config_.folders = {{{"gone\\", true}, {"moved\\", true}, {"moved\\", true}}};
    EXPECT_THAT(pass(), ElementsAre("missing 2 " + absolute("moved")));
    EXPECT_THAT(pass(), IsEmpty());
}

// On Linux the file system tells case apart: "irgbpusd.dat" asks for nothing,
// as does a pair the broker does not publish. Files that are no flag at all
// say nothing.
TEST_F(IndicatorFoldersTest, FlagsNoListedPairAnswersToAreToldOnceEach)
{
    const fs::path folder = "MQL4/Files/Tivka";
    fs::create_directories(folder);
    fs::create_directories(folder / "irEURCHF.dat");
    for (const char* name : {"irgbpusd.dat", "irXAUUSD.dat", "IRUSDJPY.DAT", "ir.dat", "GBPUSD.csv", "notes.txt"})
        writeFile(folder / name, "0");
    config_.folders = {{{"MQL4\\Files\\Tivka\\", true}, {"MQL4\\Files\\Tivka\\", true}, {}}};
    const std::string path = absolute(folder.string());
    EXPECT_THAT(pass(), ElementsAre("ignored 1 " + path + ": IRUSDJPY.DAT irXAUUSD.dat irgbpusd.dat"));
    EXPECT_THAT(pass(), IsEmpty()) << "told again";

    writeFile(folder / "irxauusd.dat", "0");
    EXPECT_THAT(pass(), ElementsAre("ignored 1 " + path + ": irxauusd.dat"));
    fs::remove(folder / "irXAUUSD.dat");
    EXPECT_THAT(pass(), IsEmpty());
    writeFile(folder / "irXAUUSD.dat", "0");
    EXPECT_THAT(pass(), ElementsAre("ignored 1 " + path + ": irXAUUSD.dat")) << "a new request is news again";
    EXPECT_THAT(downloader_.urls, IsEmpty()) << "something was fetched for a flag that asks for nothing";
}

}  // namespace
}  // namespace tivka::test
