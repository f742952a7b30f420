#include "shell/pass_report.h"

#include "acquisition/pair_naming.h"
#include "reading/layout_warning.h"
#include "shell/failure_text.h"

namespace tivka {

namespace {

std::string codes(const std::vector<std::string>& pairTexts)
{
    std::string text;
    for (const std::string& pair : pairTexts)
        text += (text.empty() ? "" : ", ") + PairCode(pair);
    return text;
}

}  // namespace

void PassReport::take(const RefreshEvent& event)
{
    if (const auto* read = std::get_if<PairRead>(&event)) {
        served_.push_back(read->pairText);
        const std::string warning = PairLayoutWarning(PairCode(read->pairText) + " ", read->layout);
        if (!warning.empty())
            warnings_.push_back(warning);
    } else if (const auto* failed = std::get_if<PairFailed>(&event)) {
        failed_.push_back(*failed);
    } else if (const auto* refused = std::get_if<FileRefused>(&event)) {
        refused_.push_back(refused->refusal.text());
    } else if (const auto* missing = std::get_if<IndicatorFolderMissing>(&event)) {
        folderNotes_.push_back(FolderMissingText(*missing));
    } else if (const auto* ignored = std::get_if<IndicatorFlagsIgnored>(&event)) {
        folderNotes_.push_back(FlagsIgnoredText(*ignored));
    }
}

std::string PassReport::line() const
{
    const std::size_t requested = served_.size() + failed_.size();
    std::string line = requested == 0 ? std::string("pass: no pairs requested")
                                      : "pass: " + std::to_string(requested) + (requested == 1 ? " pair" : " pairs") +
                                            " requested, " + std::to_string(served_.size()) + " served";
    if (!served_.empty())
        line += " (" + codes(served_) + ")";
    if (!failed_.empty()) {
        line += ", " + std::to_string(failed_.size()) + " failed:";
        for (std::size_t i = 0; i < failed_.size(); ++i)
            line += std::string(i ? ";" : "") + " " + PairCode(failed_[i].pairText) + " (" +
                    FailuresLine(failed_[i].failures) + ")";
    }
    for (const std::string& warning : warnings_)
        line += ". " + warning;
    for (const std::string& refused : refused_)
        line += ". left alone: " + refused;
    for (const std::string& note : folderNotes_)
        line += ". " + note;
    return line;
}

}  // namespace tivka
