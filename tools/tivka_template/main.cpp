// tivka-template: makes the digit template "ndata.bmp" from a broker's own
// charts and the texts the user reads on them, or shows what a template holds.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "common/options.h"
#include "reading/template_assembly.h"
#include "template_art.h"
#include "template_file.h"
#include "template_options.h"

namespace tivka::template_tool {

namespace {

constexpr int kExitNoTemplate = 1;
constexpr int kExitUnusable = 2;

struct LoadedChart {
    const ChartSource* source;
    Bitmap picture;
};

std::string sampleCounts(const AssembledTemplate& built)
{
    std::string text = "character  upright  sideways\n";
    for (int cell = 0; cell < glyphs::kCellCount; ++cell) {
        char line[64];
        const SampleCount& count = built.samples[std::size_t(cell)];
        std::snprintf(line, sizeof line, "    %c      %5d     %5d\n", CharacterOfCell(cell), count.upright,
                      count.sideways);
        text += line;
    }
    return text;
}

// Throws TemplateSourceError when the charts and texts make no template,
// std::runtime_error for files that cannot be read or written.
std::string build(const TemplateOptions& options)
{
    if (!options.force)
        CheckNameFree(options.templatePath);  // before any work; the write checks again
    std::vector<LoadedChart> charts;
    for (const ChartSource& source : options.charts)
        charts.push_back({&source, DecodePngFile(source.path)});
    std::vector<FoundText> texts;
    for (const LoadedChart& chart : charts)
        for (FoundText& text : FindTexts(chart.picture, chart.source->texts))
            texts.push_back(std::move(text));
    const AssembledTemplate built = AssembleTemplate(texts);
    const DigitTemplate digits(built.cells);
    for (const LoadedChart& chart : charts)
        CheckReadBack(chart.picture, chart.source->texts, digits);
    WriteTemplateFile(options.templatePath, EncodeBmp(built.cells), options.force);
    return options.templatePath + ": written from " + std::to_string(charts.size()) +
           " chart(s); every text reads back exactly. Characters sampled:\n" + sampleCounts(built);
}

std::string show(const TemplateOptions& options)
{
    const DigitTemplate digits = DigitTemplate::load(options.templatePath);
    return options.templatePath + ": " + std::to_string(digits.glyphs().width()) + " x " +
           std::to_string(digits.glyphs().height()) + " pixels; '#' ink, '.' background\n\n" +
           TemplateArt(digits.glyphs());
}

int run(const std::vector<std::string>& args)
{
    const TemplateOptions options = ParseTemplateOptions(args);
    try {
        std::cout << (options.command == Command::Show ? show(options) : build(options)) << std::flush;
    } catch (const TemplateSourceError& e) {
        std::cerr << "tivka-template: " << e.what() << "\nNothing was written.\n";
        return kExitNoTemplate;
    } catch (const std::exception& e) {
        std::cerr << "tivka-template: " << e.what() << "\n";
        return kExitUnusable;
    }
    return std::cout ? 0 : kExitUnusable;
}

}  // namespace

}  // namespace tivka::template_tool

int main(int argc, char** argv)
{
    return tivka::tools::RunTool("tivka-template", tivka::template_tool::kTemplateUsage, argc, argv,
                                 tivka::template_tool::run);
}
