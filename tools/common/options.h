#pragma once

// The command-line parser every tool shares, and the edge that turns a
// command line that cannot be understood into exit status 2 and `--help`
// into the usage on standard output.
//
// Arguments are read in order. "--name" is an option; one that takes a value
// takes the next argument, whatever it is. "--help" and "-h" ask for the
// usage wherever they stand. "--" ends the options: every argument after it
// is an operand. Anything else is an operand (a file, a command, "-").
#include <cstddef>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tivka::tools {

// A command line that cannot be understood; the message says which part.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "--help" or "-h" was given (or a tool's "help" command): thrown by the
// parser, answered by RunTool with the usage.
struct HelpRequested {};

class OptionParser {
public:
    // An option without a value. `set` may throw UsageError.
    OptionParser& flag(const std::string& name, std::function<void()> set);
    // An option with a value: `set` gets it and may throw UsageError.
    OptionParser& value(const std::string& name, std::function<void(const std::string&)> set);
    // Where operands go; without it an operand is refused.
    OptionParser& operands(std::function<void(const std::string&)> take);

    // Reads args[first..] in order, calling each option's setter as it comes.
    // Throws UsageError ("unknown option --x", "--x needs a value",
    // "unexpected argument 'x'") or HelpRequested.
    void parse(const std::vector<std::string>& args, std::size_t first = 0) const;
    // The same, but stops at the first operand and returns its index
    // (args.size() when there is none): for options before a command.
    std::size_t parseUntilOperand(const std::vector<std::string>& args, std::size_t first = 0) const;

private:
    struct Option {
        bool takesValue;
        std::function<void()> setFlag;
        std::function<void(const std::string&)> setValue;
    };
    std::size_t run(const std::vector<std::string>& args, std::size_t first, bool stopAtOperand) const;

    std::map<std::string, Option> options_;
    std::function<void(const std::string&)> operands_;
};

// `text` as a whole number from low to high; otherwise UsageError
// "OPTION needs a whole number from LOW to HIGH, not 'TEXT'".
long long WholeNumber(const std::string& option, const std::string& text, long long low, long long high);

// Runs `body` on the arguments after the program name. A UsageError prints
// "NAME: message", a blank line and the usage on standard error and gives
// `usageStatus` (2 but for a tool whose 2 says something else); HelpRequested
// prints the usage on standard output and gives 0 (`usageStatus` when it could
// not be written). Other exceptions are the body's to handle.
int RunTool(const char* name, const char* usage, int argc, char** argv,
            const std::function<int(const std::vector<std::string>&)>& body, int usageStatus = 2);

}  // namespace tivka::tools
