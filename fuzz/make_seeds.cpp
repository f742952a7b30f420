// tivka-fuzz-seeds FOLDER: writes starting inputs for each fuzz target into
// FOLDER/<target>/, all made by our own renderer and writers: chart PNGs,
// template BMPs in several layouts, settings texts and pair texts.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "chart/bitmap.h"
#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/chart_renderer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void writeBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void writeText(const fs::path& path, const std::string& text)
{
    writeBytes(path, Bytes(text.begin(), text.end()));
}

tivka::Bitmap cropped(const tivka::Bitmap& source, int width, int height)
{
    tivka::Bitmap part(width, height);
    part.copyFrom(source, 0, 0);
    return part;
}

void makeChartSeeds(const fs::path& folder)
{
    using tivka::charts::ChartKind;
    struct Chart { ChartKind kind; const char* pair; bool cumulative; };
    const Chart charts[] = {{ChartKind::Orders, "GBP/USD", false}, {ChartKind::Positions, "GBP/USD", true},
                            {ChartKind::Orders, "USD/JPY", true},  {ChartKind::Positions, "EUR/JPY", false},
                            {ChartKind::Orders, "EUR/CHF", false}};
    int n = 0;
    for (const Chart& c : charts) {
        const auto model = tivka::charts::MakeChartModel(c.kind, c.pair, c.cumulative, 1000 + n, "12:30");
        writeBytes(folder / ("chart" + std::to_string(n++) + ".png"), tivka::EncodePng(tivka::charts::RenderChart(model)));
    }
    // Pictures smaller than a chart, so that the readers meet the edges early.
    const auto model = tivka::charts::MakeChartModel(ChartKind::Orders, "EUR/USD", false, 7, "09:05");
    const tivka::Bitmap chart = tivka::charts::RenderChart(model);
    writeBytes(folder / "narrow.png", tivka::EncodePng(cropped(chart, 300, 256)));
    writeBytes(folder / "short.png", tivka::EncodePng(cropped(chart, 531, 60)));
    writeBytes(folder / "pixel.png", tivka::EncodePng(tivka::Bitmap(1, 1, tivka::colours::black)));
}

void put16(Bytes& b, std::uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); }
void put32(Bytes& b, std::uint32_t v) { put16(b, v & 0xFFFF); put16(b, v >> 16); }

// A BMP with a 40-byte info header. `height` negative means top-down; the
// pixel rows are given already padded to 4 bytes.
Bytes infoBmp(int width, int height, int bits, std::uint32_t compression, const Bytes& table, const Bytes& rows)
{
    const std::uint32_t offset = 14 + 40 + std::uint32_t(table.size());
    Bytes b{'B', 'M'};
    put32(b, offset + std::uint32_t(rows.size()));
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, std::uint32_t(width));
    put32(b, std::uint32_t(height));
    put16(b, 1);
    put16(b, std::uint32_t(bits));
    put32(b, compression);
    put32(b, std::uint32_t(rows.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, bits <= 8 ? std::uint32_t(table.size() / 4) : 0);
    put32(b, 0);
    b.insert(b.end(), table.begin(), table.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// The template's pixels as palette indexes: 0 for black ink, 1 for the rest.
int inkIndex(const tivka::Bitmap& glyphs, int x, int y)
{
    return glyphs.pixel(x, y) == tivka::colours::black ? 0 : 1;
}

Bytes paletteTemplate(const tivka::Bitmap& glyphs, int bits)
{
    const Bytes table{0, 0, 0, 0, 255, 255, 255, 0};
    const int stride = ((glyphs.width() * bits + 31) / 32) * 4;
    Bytes rows;
    for (int y = glyphs.height() - 1; y >= 0; --y) {
        Bytes row(std::size_t(stride), 0);
        for (int x = 0; x < glyphs.width(); ++x) {
            const int bit = x * bits;
            row[std::size_t(bit / 8)] |= std::uint8_t(inkIndex(glyphs, x, y) << (8 - bits - bit % 8));
        }
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return infoBmp(glyphs.width(), glyphs.height(), bits, 0, table, rows);
}

// 32-bit top-down, and 16-bit 5-5-5 bottom-up with explicit bit fields.
Bytes directTemplate(const tivka::Bitmap& glyphs, int bits)
{
    Bytes rows;
    for (int i = 0; i < glyphs.height(); ++i) {
        const int y = bits == 32 ? i : glyphs.height() - 1 - i;
        Bytes row;
        for (int x = 0; x < glyphs.width(); ++x) {
            const bool ink = inkIndex(glyphs, x, y) == 0;
            if (bits == 32)
                put32(row, ink ? 0 : 0xFFFFFF);
            else
                put16(row, ink ? 0 : 0x7FFF);
        }
        while (row.size() % 4)
            row.push_back(0);
        rows.insert(rows.end(), row.begin(), row.end());
    }
    if (bits == 32)
        return infoBmp(glyphs.width(), -glyphs.height(), 32, 0, {}, rows);
    Bytes masks;
    put32(masks, 0x7C00);
    put32(masks, 0x03E0);
    put32(masks, 0x001F);
    return infoBmp(glyphs.width(), glyphs.height(), 16, 3, masks, rows);
}

void makeTemplateSeeds(const fs::path& folder)
{
    const tivka::Bitmap glyphs = tivka::charts::DigitTemplateBitmap();
    tivka::WriteBmpFile(glyphs, (folder / "ndata.bmp").string());
    tivka::WriteBmpFile(cropped(glyphs, 94, 10), (folder / "smallest.bmp").string());
    tivka::WriteBmpFile(cropped(glyphs, 40, 6), (folder / "partial.bmp").string());
    tivka::WriteBmpFile(tivka::Bitmap(1, 1), (folder / "pixel.bmp").string());
    const std::pair<const char*, Bytes> variants[] = {
        {"palette1.bmp", paletteTemplate(glyphs, 1)},  {"palette4.bmp", paletteTemplate(glyphs, 4)},
        {"palette8.bmp", paletteTemplate(glyphs, 8)},  {"topdown32.bmp", directTemplate(glyphs, 32)},
        {"bitfields16.bmp", directTemplate(glyphs, 16)}};
    for (const auto& [name, bytes] : variants) {
        writeBytes(folder / name, bytes);
        // Each layout must hold the very template, or the seed starts the
        // fuzzer from a file that matches nothing.
        if (tivka::LoadBmpFile((folder / name).string()) != glyphs)
            throw std::runtime_error(std::string(name) + " does not load as the template");
    }
}

void makeIniSeeds(const fs::path& folder)
{
    const char* texts[] = {
        ("[Setting]\r\nTime1=15\r\nTime2=33\r\nTimerEn1=1\r\nTimerEn2=0\r\n"
         "TIVKA_URL=http://127.0.0.1:8080/products/historical_orderbook_graphs/dat/ordersummary/images/\r\n"),
        "[Setting]\nMt4_Path=C:\\MT4\\\nMt4_Path2=\nMt4_Path3=D:\\Terminal\\\nSymbol=auto\nTime1=0x1F\nTimerEn2=yes\n",
        "; comment\n[Other]\nTime1=3\n\n[Setting]\n  Time2 = 7 \nSymbol=,\nTIVKA_URL=\"http://x/\"\n[Setting]\nTime1=9\n",
        "[setting]\ntime1=-5\nTIMEREN1=2\nSymbol=AUTO\n",
        "",
    };
    int n = 0;
    for (const char* text : texts)
        writeText(folder / ("settings" + std::to_string(n++) + ".ini"), text);
}

void makePairSeeds(const fs::path& folder)
{
    const char* texts[] = {"GBP/USD", "USD/JPY", "eurusd", "EUR/GBP", "GB", "../../etc/passwd",
                           "a\\b/c", "\xD0\x95\xD0\x92\xD0\xA0/USD", "GBP/JPY "};
    int n = 0;
    for (const char* text : texts)
        writeText(folder / ("pair" + std::to_string(n++) + ".txt"), text);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tivka-fuzz-seeds FOLDER\n");
        return 2;
    }
    try {
        const fs::path root = argv[1];
        const std::pair<const char*, void (*)(const fs::path&)> makers[] = {
            {"fuzz_chart_png", makeChartSeeds}, {"fuzz_template_bmp", makeTemplateSeeds},
            {"fuzz_ini_file", makeIniSeeds},    {"fuzz_pair_text", makePairSeeds}};
        for (const auto& [target, make] : makers) {
            fs::create_directories(root / target);
            make(root / target);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tivka-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
