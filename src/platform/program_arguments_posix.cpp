// The POSIX implementation: the arguments are the bytes as given.
#include "platform/program_arguments.h"

namespace tivka {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace tivka
