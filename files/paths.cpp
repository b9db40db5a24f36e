#include "files/paths.h"

#include <cctype>

namespace quillet {
namespace {

bool IsLetterDrive(const Drive& drive) {
  return drive.text.size() >= 2 && drive.text[1] == ':' &&
         std::isalpha(static_cast<unsigned char>(drive.text[0]));
}

bool IsNativeSeparator(char c) {
  return c == kNativeSeparator || c == '/';
}

}  // namespace

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

std::optional<std::size_t> FindDrive(const std::vector<Drive>& drives, const std::string& text) {
  if (text.empty()) return std::nullopt;
  // A text that begins like a drive letter ("c", "c:", "C:\DROM") selects by
  // that letter.
  const bool names_letter =
      std::isalpha(static_cast<unsigned char>(text[0])) && (text.size() == 1 || text[1] == ':');
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  std::optional<std::size_t> found;
  std::size_t found_length = 0;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const Drive& drive = drives[i];
    if (names_letter) {
      if (IsLetterDrive(drive) && lower(drive.text[0]) == lower(text[0])) return i;
      continue;
    }
    const std::string& root = drive.root;
    if (root.empty() || text.compare(0, root.size(), root) != 0) continue;
    // The root must end at a separator of the text: /mnt/usb is not in /mnt/usbkey.
    const bool whole_step = text.size() == root.size() || IsNativeSeparator(root.back()) ||
                            IsNativeSeparator(text[root.size()]);
    if (whole_step && root.size() > found_length) {
      found = i;
      found_length = root.size();
    }
  }
  return found;
}

}  // namespace quillet
