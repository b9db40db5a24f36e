#include "files/paths.h"

namespace quillet {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::string DirectoryWithSeparator(const std::string& path) {
  const auto separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string FileNamePart(const std::string& path) {
  return path.substr(DirectoryWithSeparator(path).size());
}

std::string WithoutLastExtension(const std::string& path) {
  const std::size_t name_start = DirectoryWithSeparator(path).size();
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name_start) return path;
  return path.substr(0, dot);
}

std::string JoinStem(const std::string& directory, const std::string& base) {
  if (!directory.empty() && IsSeparator(directory.back())) return directory + base;
  return directory + kNativeSeparator + base;
}

}  // namespace quillet
