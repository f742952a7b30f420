// Feeds arbitrary bytes as the template file "ndata.bmp": loading may refuse
// them with a runtime_error naming the file, and any template that loads, of
// whatever size and colours, must match glyph windows and read a small chart
// without crashing and without giving a cell outside 0-11.
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "temp_folder.h"
#include "chart/bitmap.h"
#include "chart_server/chart_renderer.h"
#include "reading/digit_template.h"

namespace {

const std::string& templatePath()
{
    static const std::string path = tivka::fuzz::tempFolder().file("ndata.bmp");
    return path;
}

void writeTemplateFile(std::string_view bytes)
{
    std::ofstream out(templatePath(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Small charts in the built-in font, so that a template close to it matches
// something: an upright price and time, and one sideways scale label at the
// rows the label reader walks. Kept small: matching is most of each run.
const tivka::Bitmap& uprightChart()
{
    static const tivka::Bitmap chart = [] {
        tivka::Bitmap bitmap(40, 26);
        tivka::charts::DrawUprightText(bitmap, 2, 2, "1.2345");
        tivka::charts::DrawUprightText(bitmap, 6, 14, "12:30");
        return bitmap;
    }();
    return chart;
}

const tivka::Bitmap& sideChart()
{
    static const tivka::Bitmap chart = [] {
        tivka::Bitmap bitmap(12, 240);
        tivka::charts::DrawSideLabel(bitmap, 2, "109.50");
        return bitmap;
    }();
    return chart;
}

void matchWindows(const tivka::DigitTemplate& digits)
{
    tivka::Bitmap upright(6, 10);
    tivka::Bitmap side(10, 6);
    for (int x = 0; x < 40; x += 3) {
        upright.copyFrom(uprightChart(), x, 1);
        const int cell = tivka::RecognizeUpright(digits, upright);
        check(cell >= -1 && cell <= 11);
    }
    for (int y = 196; y < 236; y += 5) {
        side.copyFrom(sideChart(), 1, y);
        const int cell = tivka::RecognizeSide(digits, side);
        check(cell >= -1 && cell <= 11);
    }
}

void readTexts(const tivka::DigitTemplate& digits)
{
    const tivka::Bitmap& chart = uprightChart();
    // A band reaching past every edge of the chart.
    tivka::ReadUprightText(digits, chart, {-3, chart.height() + 3, -7, chart.width() + 7}, ".");
    tivka::ReadSideLabel(digits, sideChart(), 2, ",");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeTemplateFile(std::string_view(reinterpret_cast<const char*>(data), size));
    tivka::DigitTemplate digits;
    try {
        digits = tivka::DigitTemplate::load(templatePath());
    } catch (const std::runtime_error&) {
        return 0;
    }
    matchWindows(digits);
    readTexts(digits);
    return 0;
}
