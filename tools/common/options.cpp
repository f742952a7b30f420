#include "common/options.h"

#include <cstdio>
#include <iostream>

#include "platform/program_arguments.h"

namespace tivka::tools {

OptionParser& OptionParser::flag(const std::string& name, std::function<void()> set)
{
    options_[name] = {false, std::move(set), {}};
    return *this;
}

OptionParser& OptionParser::value(const std::string& name, std::function<void(const std::string&)> set)
{
    options_[name] = {true, {}, std::move(set)};
    return *this;
}

OptionParser& OptionParser::operands(std::function<void(const std::string&)> take)
{
    operands_ = std::move(take);
    return *this;
}

void OptionParser::parse(const std::vector<std::string>& args, std::size_t first) const
{
    run(args, first, false);
}

std::size_t OptionParser::parseUntilOperand(const std::vector<std::string>& args, std::size_t first) const
{
    return run(args, first, true);
}

std::size_t OptionParser::run(const std::vector<std::string>& args, std::size_t first, bool stopAtOperand) const
{
    bool optionsEnded = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h"))
            throw HelpRequested{};
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        const bool isOption = !optionsEnded && arg.size() > 2 && arg.starts_with("--");
        if (!isOption) {
            if (stopAtOperand)
                return i;
            if (!operands_)
                throw UsageError(arg.starts_with("-") && arg.size() > 1 ? "unknown option " + arg
                                                                        : "unexpected argument '" + arg + "'");
            operands_(arg);
            continue;
        }
        const auto found = options_.find(arg);
        if (found == options_.end())
            throw UsageError("unknown option " + arg);
        const Option& option = found->second;
        if (!option.takesValue) {
            option.setFlag();
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError(arg + " needs a value");
        option.setValue(args[++i]);
    }
    return args.size();
}

long long WholeNumber(const std::string& option, const std::string& text, long long low, long long high)
{
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < low || value > high)
        throw UsageError(option + " needs a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    return value;
}

int RunTool(const char* name, const char* usage, int argc, char** argv,
            const std::function<int(const std::vector<std::string>&)>& body, int usageStatus)
{
    try {
        return body(ProgramArguments(argc, argv));
    } catch (const UsageError& e) {
        std::cerr << name << ": " << e.what() << "\n\n" << usage;
        return usageStatus;
    } catch (const HelpRequested&) {
        std::cout << usage << std::flush;
        return std::cout ? 0 : usageStatus;
    }
}

}  // namespace tivka::tools
