#include "template_options.h"

#include "common/options.h"

namespace tivka::template_tool {

const char* const kTemplateUsage =
    "Usage: tivka-template build --out FILE [--force]\n"
    "           --chart CHART.png --price TEXT --time TEXT --labels L1,L2,...\n"
    "           [--chart CHART.png --price TEXT --time TEXT --labels ...] ...\n"
    "       tivka-template show FILE\n"
    "\n"
    "build makes the digit template (ndata.bmp) from charts saved from your broker:\n"
    "for each chart give the texts as you read them on the picture, with '.' for\n"
    "the decimal point: the current price, the chart time, and the scale labels\n"
    "from left to right (all of them or only the first few). Together the charts\n"
    "must show every digit, the decimal point and the colon. The tool cuts each\n"
    "character where Tivka's readers look for it, checks that all samples of a\n"
    "character agree, reads every chart back with the new template and writes it\n"
    "(24-bit BMP, 96 x 10) only when every text reads back exactly. Upright texts\n"
    "give the pixels upright matching compares, labels those sideways matching\n"
    "compares; pixels compared by neither, and row 0 of a character seen only\n"
    "upright or column 5 of one seen only sideways, take the background colour.\n"
    "\n"
    "  --out FILE      the template to write; never over an existing file...\n"
    "  --force         ...unless this is given\n"
    "  -h, --help      show this text\n"
    "\n"
    "show prints the 12 cells of a template, '#' for ink and '.' for background\n"
    "(row 0 is compared only sideways, column 5 only upright).\n"
    "\n"
    "Exit status: 0 success, 1 the charts and texts do not make a template (the\n"
    "message says which chart, text and character), 2 unusable command line,\n"
    "chart or template file.\n";

namespace {

std::vector<std::string> splitLabels(const std::string& text)
{
    std::vector<std::string> labels;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        labels.push_back(text.substr(start, comma - start));
    labels.push_back(text.substr(start));
    return labels;
}

// Sets a text of the chart being described, once.
void setChartText(std::vector<ChartSource>& charts, const std::string& option, const std::string& value)
{
    if (charts.empty())
        throw tools::UsageError(option + " belongs to a chart: give --chart FILE before it");
    ChartTexts& texts = charts.back().texts;
    const bool given = option == "--price"  ? !texts.price.empty()
                       : option == "--time" ? !texts.time.empty()
                                            : !texts.labels.empty();
    if (given)
        throw tools::UsageError(option + " given twice for " + charts.back().path);
    if (option == "--price")
        texts.price = value;
    else if (option == "--time")
        texts.time = value;
    else
        texts.labels = splitLabels(value);
}

void checkBuild(const TemplateOptions& options)
{
    if (options.templatePath.empty())
        throw tools::UsageError("build needs --out FILE");
    if (options.charts.empty())
        throw tools::UsageError("build needs at least one --chart");
    for (const ChartSource& chart : options.charts)
        if (chart.texts.price.empty() || chart.texts.time.empty() || chart.texts.labels.empty())
            throw tools::UsageError(chart.path + " needs --price, --time and --labels");
}

TemplateOptions parseBuild(const std::vector<std::string>& args, std::size_t first)
{
    TemplateOptions options;
    options.command = Command::Build;
    const auto chartText = [&](const char* option) {
        return [&options, option](const std::string& value) { setChartText(options.charts, option, value); };
    };
    tools::OptionParser()
        .value("--out", [&](const std::string& value) { options.templatePath = value; })
        .flag("--force", [&] { options.force = true; })
        .value("--chart", [&](const std::string& value) { options.charts.push_back({value, {value, "", "", {}}}); })
        .value("--price", chartText("--price"))
        .value("--time", chartText("--time"))
        .value("--labels", chartText("--labels"))
        .parse(args, first);
    checkBuild(options);
    return options;
}

TemplateOptions parseShow(const std::vector<std::string>& args, std::size_t first)
{
    TemplateOptions options;
    options.command = Command::Show;
    std::vector<std::string> files;
    tools::OptionParser().operands([&](const std::string& file) { files.push_back(file); }).parse(args, first);
    if (files.size() != 1)
        throw tools::UsageError("show needs exactly one template file");
    options.templatePath = files[0];
    return options;
}

}  // namespace

TemplateOptions ParseTemplateOptions(const std::vector<std::string>& args)
{
    const std::size_t at = tools::OptionParser().parseUntilOperand(args);
    if (at >= args.size())
        throw tools::UsageError("a command is needed: build or show");
    const std::string& command = args[at];
    if (command == "help")
        throw tools::HelpRequested{};
    if (command == "build")
        return parseBuild(args, at + 1);
    if (command == "show")
        return parseShow(args, at + 1);
    throw tools::UsageError("unknown command '" + command + "': build or show");
}

}  // namespace tivka::template_tool
