#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "files/platform.h"

namespace quillet::testing {

namespace fs = std::filesystem;

TempDir::TempDir(bool make_current) {
  // A random name, made by this process alone: create_directory tells
  // whether it was new.
  std::mt19937_64 random{std::random_device{}()};
  const fs::path base = fs::temp_directory_path();
  std::error_code error;
  for (int tried = 0; tried < 100 && path_.empty(); ++tried) {
    const fs::path candidate = base / ("quillet-test-" + std::to_string(random() % 1'000'000'000));
    if (fs::create_directory(candidate, error)) path_ = candidate;
  }
  if (path_.empty()) ADD_FAILURE() << "cannot make a temporary directory: " << error.message();
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

std::string TempDir::operator/(const std::string& name) const {
  return PathText(path_ / NativePath(name));
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  WriteFileBytes(*this / name, bytes);
}

std::string TempDir::Read(const std::string& name) const {
  const auto full = path_ / NativePath(name);
  EXPECT_TRUE(fs::exists(full)) << full;
  return ReadFileBytes(PathText(full));
}

bool TempDir::Exists(const std::string& name) const {
  return fs::exists(path_ / NativePath(name));
}

std::string TempDir::Listing() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.push_back(PathText(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& name : names) listing += name + "\n";
  return listing;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

}  // namespace quillet::testing
