#pragma once

#include <string>
#include <vector>

#include "reading/template_samples.h"

namespace tivka::template_tool {

enum class Command { Build, Show };

// One --chart with its texts; texts.chartName is the file as given.
struct ChartSource {
    std::string path;
    ChartTexts texts;
};

struct TemplateOptions {
    Command command = Command::Build;
    std::string templatePath;  // build: --out; show: the file shown
    bool force = false;        // build: replace an existing file
    std::vector<ChartSource> charts;
};

// "build" needs --out and at least one --chart, each followed by its own
// --price, --time and --labels (comma-separated); "show" one file. Throws
// tools::UsageError or tools::HelpRequested (common/options.h).
TemplateOptions ParseTemplateOptions(const std::vector<std::string>& args);

extern const char* const kTemplateUsage;

}  // namespace tivka::template_tool
