#pragma once

#include <string>
#include <vector>

namespace tivka {

// The command line of a program without a window, after the program's name,
// as UTF-8 (Windows hands main() its arguments in the ANSI code page, which
// cannot hold a Cyrillic folder name; the UTF-16 command line can).
// It also readies the standard streams for what the tools write: binary on
// Windows, so that a "\n" the program writes stays "\n" as on Linux, and a
// console told that the text is UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tivka
