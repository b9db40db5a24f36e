// The converter's command line: the words after the program's name.
#pragma once

#include <string>
#include <vector>

namespace quillet::convert {

// argv after its first word, or the same words taken from the system's own
// command line where it keeps one that spells every file name (Windows).
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace quillet::convert
