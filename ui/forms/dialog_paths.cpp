#include "ui/forms/dialog_paths.h"

#include <algorithm>

#include "core/read_command.h"
#include "files/paths.h"
#include "files/platform.h"

namespace quillet::forms {

std::string NameBeforeFirstDot(const std::string& file_name) {
  const std::size_t dot = file_name.find('.');
  return dot == std::string::npos ? std::string() : file_name.substr(0, dot);
}

std::string DriveTextOfStem(const std::string& stem) {
  const auto first = std::find_if(stem.begin(), stem.end(), IsSeparator);
  return first == stem.end() ? std::string() : std::string(stem.begin(), first + 1);
}

std::string DirectoryOfStem(const std::string& stem) {
  std::string directory = DirectoryWithSeparator(PairOfStem(stem).data);
  std::replace_if(directory.begin(), directory.end(), IsSeparator, kNativeSeparator);
  return directory;
}

}  // namespace quillet::forms
