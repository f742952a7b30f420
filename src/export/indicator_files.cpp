#include "export/indicator_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/file_replace.h"
#include "platform/number_format.h"

namespace tivka {

namespace {

constexpr const char* kLineEnd = "\r\n";

// The indicators parse "." whatever the user's separator is.
std::string IndicatorPriceText(double value, int digits, const std::string& systemSeparator)
{
    std::string text = FormatPrice(value, digits, 6, systemSeparator);
    for (char& c : text)
        if (c == ',')
            c = '.';
    return text;
}

void AppendLevelRows(std::string& out, const ChartResults& chart, int firstColumn, int lastColumn, int digits,
                     const std::string& systemSeparator)
{
    for (int x = firstColumn; x <= lastColumn; ++x) {
        const LevelRow& row = chart.Levels[x];
        out += IndicatorPriceText(row.Price, digits, systemSeparator);
        out += ';';
        out += std::to_string(row.BuyPercent);
        out += ';';
        out += std::to_string(row.SellPercent);
        out += kLineEnd;
    }
}

// The two halves of one chart: below the current price, then above it.
// Columns 75, 255 and 435 are never part of the file.
void AppendChartRows(std::string& out, const ChartResults& chart, int digits, const std::string& systemSeparator)
{
    AppendLevelRows(out, chart, kFirstLevelColumn + 1, kNowColumn - 1, digits, systemSeparator);
    AppendLevelRows(out, chart, kNowColumn + 1, kLastLevelColumn - 1, digits, systemSeparator);
}

// Creates `path` or rewrites it in place to hold exactly `bytes`; false
// unless every byte was written, the old tail cut off and the file closed
// cleanly. Writing over the old content and cutting the rest afterwards,
// rather than truncating first, spares the file system the flush it forces
// on a file emptied and refilled, which made every rewrite wait on the disk.
bool ReplaceFileContent(const std::string& path, std::string_view bytes)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool written = WriteAllBytes(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0;
    bool closed = ::close(fd) == 0;
    return written && closed;
}

}  // namespace

std::string IndicatorDataText(const ChartResults& orders, const ChartResults& positions, int digits,
                              const std::string& systemSeparator)
{
    std::string out;
    out.reserve(720 * 20);
    out += orders.Now.Time + kLineEnd;
    out += IndicatorPriceText(orders.Now.Price, digits, systemSeparator) + kLineEnd;
    out += std::string("Orders") + kLineEnd;
    AppendChartRows(out, orders, digits, systemSeparator);
    out += std::string("Position") + kLineEnd;
    AppendChartRows(out, positions, digits, systemSeparator);
    return out;
}

bool WriteIndicatorDataFile(const std::string& pathWithoutExtension, const ChartResults& orders,
                            const ChartResults& positions, int digits, const std::string& systemSeparator)
{
    return WriteIndicatorDataText(pathWithoutExtension, IndicatorDataText(orders, positions, digits, systemSeparator));
}

bool WriteIndicatorDataText(const std::string& pathWithoutExtension, const std::string& text)
{
    return ReplaceFileContent(pathWithoutExtension + ".csv", text);
}

bool WriteFlagFile(const std::string& path, char value)
{
    return ReplaceFileContent(path, std::string_view(&value, 1));
}

}  // namespace tivka
