#include "app/quillet-convert/program_arguments.h"

#include "files/platform.h"

namespace quillet::convert {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> words =
      SystemCommandLine().value_or(std::vector<std::string>(argv, argv + argc));
  if (!words.empty()) words.erase(words.begin());  // the program's name
  return words;
}

}  // namespace quillet::convert
