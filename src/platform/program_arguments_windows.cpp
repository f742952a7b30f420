// The Windows implementation: the UTF-16 command line, split by the system's
// own rules, each argument turned into UTF-8.
#include "platform/program_arguments.h"

#include "platform/windows_text.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

namespace tivka {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(windows::Narrow(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

}  // namespace tivka
