// Feeds arbitrary bytes as a downloaded chart: decoding may refuse them with
// a runtime_error, and a decoded picture of any size or content must go
// through both on-screen readers, the indicator reader and the data file text
// without crashing; a reader may only give up with a ConversionError.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <zlib.h>

#include "acquisition/pair_naming.h"
#include "chart/bitmap.h"
#include "chart/png_codec.h"
#include "chart/text_painter.h"
#include "chart_server/chart_renderer.h"
#include "export/indicator_data.h"
#include "platform/conversions.h"
#include "reading/chart_reading.h"
#include "shell/chart_display.h"

namespace {

const tivka::DigitTemplate& digitTemplate()
{
    static const tivka::DigitTemplate digits(tivka::charts::DigitTemplateBitmap());
    return digits;
}

void readOnScreen(tivka::ChartKind kind, const tivka::Bitmap& chart)
{
    tivka::Bitmap view = tivka::turnQuarter(chart);
    tivka::NullTextPainter painter;
    const tivka::DisplayInputs inputs;
    tivka::ReadForDisplay(kind, chart, view, digitTemplate(), inputs, painter);
}

// Reads the chart as both the orders and the positions chart of the pair and
// builds the data file text from the two readings; false when a reading gave up.
bool readForIndicator(const std::string& pairCode, const tivka::Bitmap& chart)
{
    tivka::ChartReading orders;
    tivka::ChartReading positions;
    try {
        orders = tivka::ReadCompleteChart(chart, digitTemplate(), {});
        positions = tivka::ReadCompleteChart(chart, digitTemplate(), {});
    } catch (const tivka::ConversionError&) {
        return false;
    }
    const std::string text =
        tivka::IndicatorDataText(orders, positions, tivka::DecimalsOfPairCode(pairCode));
    return !text.empty();
}

std::uint32_t bigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// Rewrites the checksum of every whole chunk after the signature, so that a
// mutation inside a chunk reaches the decoder and the readers instead of
// stopping at the first checksum test.
void repairChunkChecksums(std::vector<std::uint8_t>& png)
{
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = bigEndian32(&png[at]);
        if (length > png.size() - at - 12)
            break;
        const std::size_t crcAt = at + 8 + length;
        const std::uint32_t crc = std::uint32_t(crc32(0, &png[at + 4], uInt(length + 4)));
        for (int k = 0; k < 4; ++k)
            png[crcAt + std::size_t(k)] = std::uint8_t(crc >> (24 - 8 * k));
        at = crcAt + 4;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tivka::Bitmap chart;
    try {
        std::vector<std::uint8_t> png(data, data + size);
        repairChunkChecksums(png);
        chart = tivka::DecodePng(png, "fuzz.png");
    } catch (const std::runtime_error&) {
        return 0;
    }
    readOnScreen(tivka::ChartKind::Orders, chart);
    readOnScreen(tivka::ChartKind::Positions, chart);
    readForIndicator("GBPUSD", chart);
    readForIndicator("USDJPY", chart);
    return 0;
}
