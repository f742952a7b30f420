// Settings files that begin with byte order marks: the reader skips one mark,
// so a value written into such a file must read back, whatever follows.
#include <gtest/gtest.h>

#include <string>

#include "platform/ini_file.h"
#include "platform/ini_text.h"
#include "support/test_support.h"

namespace tivka {
namespace {

TEST(IniTextByteOrderMark, WrittenValueReadsBackAfterOneOrTwoMarks)
{
    const std::string bom = "\xEF\xBB\xBF";
    // Two marks and nothing else: once lost the keys a shut-down wrote,
    // because the new section was glued to the second mark.
    const std::string inputs[] = {bom, bom + bom, bom + bom + "\r\n", bom + "[Setting]\r\nTime2=5\r\n",
                                  bom + bom + "[Setting]\r\nTime2=5\r\n"};
    for (const std::string& input : inputs) {
        test::TempDir dir;
        const std::string path = (dir / "tivka.INI").string();
        test::writeFile(path, WithIniValue(input, "Setting", "Time1", "12"));
        IniFile ini(path);
        EXPECT_EQ(ini.ReadString("Setting", "Time1", "none"), "12") << "input of " << input.size() << " bytes";
    }
}

}  // namespace
}  // namespace tivka
