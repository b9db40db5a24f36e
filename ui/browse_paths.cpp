#include "ui/browse_paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "files/errors.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::ui {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kIgnoreCase = true;
#else
constexpr bool kIgnoreCase = false;
#endif

bool SameChar(char a, char b) {
  if (!kIgnoreCase) return a == b;
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool IsLetterDrive(const Drive& drive) {
  return drive.text.size() >= 2 && drive.text[1] == ':' &&
         std::isalpha(static_cast<unsigned char>(drive.text[0]));
}

bool IsPlatformSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

class SystemDriveSource : public DriveSource {
 public:
  std::vector<Drive> Drives() const override {
#ifdef _WIN32
    std::vector<Drive> drives;
    const DWORD mask = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
      if ((mask & (1u << letter)) == 0) continue;
      const char name = static_cast<char>('a' + letter);
      drives.push_back({std::string{name, ':'}, std::string {
                          static_cast<char>('A' + letter),
                          ':',
                          '\\'
                        }});
    }
    return drives;
#else
    return {{"/", "/"}};
#endif
  }
};

[[noreturn]] void ThrowListing(const std::string& directory, const std::error_code& error) {
  throw FileError("List directory", directory, error.message());
}

// Entries of `directory` that pass `keep`, sorted by their bytes.
template <typename Keep>
std::vector<std::string> List(const std::string& directory, Keep keep) {
  std::error_code error;
  fs::directory_iterator it(fs::path(directory), error);
  if (error) ThrowListing(directory, error);
  std::vector<std::string> names;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    std::error_code ignored;  // an entry that vanished or cannot be asked about is left out
    if (keep(*it, ignored)) names.push_back(it->path().filename().string());
  }
  if (error) ThrowListing(directory, error);
  std::sort(names.begin(), names.end());
  return names;
}

bool Match(const char* name, const char* pattern) {
  // Iterative wildcard matching with one backtrack point for the last "*".
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' || (*pattern != '\0' && SameChar(*pattern, *name))) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

}  // namespace

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

std::shared_ptr<const DriveSource> SystemDrives() {
  return std::make_shared<SystemDriveSource>();
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
    const bool whole_step = text.size() == root.size() || IsPlatformSeparator(root.back()) ||
                            IsPlatformSeparator(text[root.size()]);
    if (whole_step && root.size() > found_length) {
      found = i;
      found_length = root.size();
    }
  }
  return found;
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  return Match(name.c_str(), pattern.c_str());
}

std::string NormalDirectory(const std::string& path) {
  std::error_code error;
  fs::path normal = fs::absolute(fs::path(path.empty() ? "." : path), error);
  if (error) normal = fs::path(path);
  normal = normal.lexically_normal();
  // "/tmp/x/" has an empty last step; only a root keeps its separator.
  if (normal.has_relative_path() && !normal.has_filename()) normal = normal.parent_path();
  return normal.string();
}

std::vector<std::string> ListSubdirectories(const std::string& directory) {
  return List(directory, [](const fs::directory_entry& entry, std::error_code& error) {
    return entry.is_directory(error);
  });
}

std::vector<std::string> ListFiles(const std::string& directory, const std::string& pattern) {
  return List(directory, [&pattern](const fs::directory_entry& entry, std::error_code& error) {
    return entry.is_regular_file(error) &&
           MatchesPattern(entry.path().filename().string(), pattern);
  });
}

std::string BaseName(const std::string& file_name) {
  const std::size_t dot = file_name.find('.');
  return dot == std::string::npos ? std::string() : file_name.substr(0, dot);
}

std::string JoinStem(const std::string& directory, const std::string& base) {
  if (!directory.empty() && IsSeparator(directory.back())) return directory + base;
  return directory + kSeparator + base;
}

std::string DriveTextOfStem(const std::string& stem) {
  const auto first = std::find_if(stem.begin(), stem.end(), IsSeparator);
  return first == stem.end() ? std::string() : std::string(stem.begin(), first + 1);
}

std::string DirectoryOfStem(const std::string& stem) {
  const std::string data_path = stem + ".out";
  const auto last = std::find_if(data_path.rbegin(), data_path.rend(), IsSeparator);
  std::string directory(data_path.begin(), last.base());
  std::replace_if(directory.begin(), directory.end(), IsSeparator, kSeparator);
  return directory;
}

}  // namespace quillet::ui
