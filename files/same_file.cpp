#include "files/same_file.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "files/errors.h"
#include "files/platform.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

// Where a write to `text` would land, as the writer finds it, with the rest
// of the path made absolute and plain.
fs::path WhereWritten(const std::string& text) {
  std::string destination = text;
  try {
    destination = WriteDestination(text);
  } catch (const FileError&) {
    // A link the writer refuses to follow: no file is written through it.
  }
  std::error_code error;
  fs::path path = fs::absolute(NativePath(destination), error);
  if (error) path = NativePath(destination);
  const fs::path resolved = fs::weakly_canonical(path, error);
  return error ? path.lexically_normal() : resolved;
}

// The path's bytes as the file system compares them.
std::string Compared(const fs::path& path) {
  std::string text = PathText(path);
  if (kFileNamesIgnoreCase) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  const fs::path path_a = NativePath(a);
  const fs::path path_b = NativePath(b);
  // Only when both exist is their identity known.
  if (fs::exists(path_a, error) && fs::exists(path_b, error)) {
    return fs::equivalent(path_a, path_b, error);
  }
  return Compared(WhereWritten(a)) == Compared(WhereWritten(b));
}

}  // namespace quillet
