// The browse dialog's path work, free of the toolkit: drives, listing a
// directory, matching file names, and turning a chosen file into a stem.
// Paths and names are bytes and pass through unchanged.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillet::ui {

// The platform's own directory separator, used in the paths and stems the
// dialog writes.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// Where a stem is read, both "\" and "/" separate directories.
bool IsSeparator(char c);

// A drive as the drive list shows it: its text ("c:", or "/" where there are
// no drive letters) and the root directory it stands for.
struct Drive {
  std::string text;
  std::string root;
};

// Where the drive list gets its drives from.
class DriveSource {
 public:
  virtual ~DriveSource() = default;
  virtual std::vector<Drive> Drives() const = 0;
};

// The machine's drives: the drive letters on Windows, the root "/" elsewhere.
std::shared_ptr<const DriveSource> SystemDrives();

// The drive that `text` selects. A text that begins with a letter and a
// colon selects the drive of that letter, whatever its case (c:\ and C:\DROM
// both select c:); any other text the drive with the longest root that
// begins it. Empty when the text selects none (a relative path, say).
std::optional<std::size_t> FindDrive(const std::vector<Drive>& drives, const std::string& text);

// Whether `name` matches a wildcard `pattern` ("*" any run, "?" any one
// character). Letter case matters except on Windows.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// A directory made absolute (against the current directory) and without
// "." or ".." steps; a root keeps its final separator, any other directory
// has none. "\" counts as a separator only on Windows here.
std::string NormalDirectory(const std::string& path);

// Throws FileError when `directory` cannot be listed.
std::vector<std::string> ListSubdirectories(const std::string& directory);  // sorted names
std::vector<std::string> ListFiles(const std::string& directory,
                                   const std::string& pattern);  // sorted names

// The name up to its first ".": "run.1.out" gives "run", ".out" gives "".
std::string BaseName(const std::string& file_name);

// The stem for `base` in `directory`: exactly one separator between them,
// none added when the directory already ends in one (a root).
std::string JoinStem(const std::string& directory, const std::string& base);

// For the first placement: the text of the stem up to and including its
// first separator (empty when it has none), and the directory of the data
// file stem + ".out" with its separators made the platform's own.
std::string DriveTextOfStem(const std::string& stem);
std::string DirectoryOfStem(const std::string& stem);

}  // namespace quillet::ui
