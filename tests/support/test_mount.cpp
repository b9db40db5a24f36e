#include "support/test_mount.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace quillet::testing {
namespace {

namespace fs = std::filesystem;

// A shell command's standard output, without its last line end; empty
// when it fails.
std::string OutputOf(const std::string& command) {
  std::string output;
  if (std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char block[256];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, pipe)) > 0) output.append(block, got);
    if (::pclose(pipe) != 0) output.clear();
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quoted(const fs::path& path) {
  std::string quoted = "'";
  for (const char c : path.string()) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

}  // namespace

TestMount::TestMount(fs::path at, std::string loop_device, fs::path image)
    : at_(std::move(at)), loop_device_(std::move(loop_device)), image_(std::move(image)) {}

std::unique_ptr<TestMount> TestMount::Tmpfs(const fs::path& at, const std::string& options,
                                            std::string& why_not) {
  if (::geteuid() != 0) {
    why_not = "mounting needs root";
    return nullptr;
  }
  if (!Run("mount -t tmpfs -o " + options + " quillet-test " + Quoted(at))) {
    why_not = "cannot mount a tmpfs";
    return nullptr;
  }
  return std::unique_ptr<TestMount>(new TestMount(at, "", ""));
}

std::unique_ptr<TestMount> TestMount::Exfat(const fs::path& at, std::string& why_not) {
  if (::geteuid() != 0) {
    why_not = "mounting needs root";
    return nullptr;
  }
  if (::access("/dev/fuse", R_OK | W_OK) != 0) {
    why_not = "no FUSE (/dev/fuse)";
    return nullptr;
  }
  // Outside the test's directories, so that no listing of them shows it.
  static int made = 0;
  const fs::path image =
      fs::temp_directory_path() /
      ("quillet-exfat-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
  if (!Run("truncate -s 8M " + Quoted(image)) || !Run("mkfs.exfat " + Quoted(image))) {
    why_not = "cannot make an exFAT image (exfatprogs)";
    fs::remove(image);
    return nullptr;
  }
  const std::string loop = OutputOf("losetup -f --show " + Quoted(image));
  if (loop.empty()) {
    why_not = "no loop device";
    fs::remove(image);
    return nullptr;
  }
  // The object owns the loop device and image from here; its destructor
  // releases them even when the mount fails.
  std::unique_ptr<TestMount> mount(new TestMount(at, loop, image));
  if (!Run("mount.exfat-fuse " + Quoted(loop) + " " + Quoted(at))) {
    why_not = "cannot mount exFAT through FUSE (exfat-fuse)";
    mount->at_.clear();
    return nullptr;
  }
  return mount;
}

TestMount::~TestMount() {
  if (!at_.empty()) Run("umount " + Quoted(at_));
  if (!loop_device_.empty()) Run("losetup -d " + Quoted(loop_device_));
  if (!image_.empty()) {
    std::error_code ignored;
    fs::remove(image_, ignored);
  }
}

}  // namespace quillet::testing
