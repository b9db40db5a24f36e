#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

namespace quillet::testing {

namespace fs = std::filesystem;

TempDir::TempDir(bool make_current) {
  std::string pattern = (fs::temp_directory_path() / "quillet-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make a temporary directory";
  path_ = pattern;
  if (make_current) {
    previous_current_ = fs::current_path();
    fs::current_path(path_);
  }
}

TempDir::~TempDir() {
  if (!previous_current_.empty()) fs::current_path(previous_current_);
  std::error_code ignored;
  // Restore write permission that a test may have taken away, then remove.
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  WriteFileBytes((path_ / name).string(), bytes);
}

std::string TempDir::Read(const std::string& name) const {
  const auto full = path_ / name;
  EXPECT_TRUE(fs::exists(full)) << full;
  return ReadFileBytes(full.string());
}

bool TempDir::Exists(const std::string& name) const {
  return fs::exists(path_ / name);
}

std::string TempDir::Listing() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& name : names) listing += name + "\n";
  return listing;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::optional<bool> IsOpenInThisProcess(const std::string& path) {
  const std::filesystem::path descriptors = "/proc/self/fd";
  std::error_code error;
  if (!std::filesystem::is_directory(descriptors, error)) return std::nullopt;
  const std::filesystem::path wanted = std::filesystem::canonical(path, error);
  if (error) return false;
  for (const auto& entry : std::filesystem::directory_iterator(descriptors, error)) {
    std::error_code gone;  // the descriptor of this very listing closes on the way
    if (std::filesystem::read_symlink(entry.path(), gone) == wanted) return true;
  }
  return false;
}

}  // namespace quillet::testing
