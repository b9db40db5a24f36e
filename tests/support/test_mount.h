// File systems mounted for one test (POSIX, as root): a tmpfs with chosen
// options, or an exFAT image through FUSE on a loop device, as a USB stick
// would be. Unmounted, and the loop device released, when the object goes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace quillet::testing {

class TestMount {
 public:
  // Mounts over the existing directory `at`; null, with the reason in
  // `why_not`, where this system cannot (not root, no FUSE, no tools).
  static std::unique_ptr<TestMount> Tmpfs(const std::filesystem::path& at,
                                          const std::string& options, std::string& why_not);
  static std::unique_ptr<TestMount> Exfat(const std::filesystem::path& at, std::string& why_not);

  ~TestMount();
  TestMount(const TestMount&) = delete;
  TestMount& operator=(const TestMount&) = delete;

 private:
  TestMount(std::filesystem::path at, std::string loop_device, std::filesystem::path image);

  std::filesystem::path at_;
  std::string loop_device_;      // empty for a tmpfs
  std::filesystem::path image_;  // the exFAT image, removed after the loop device
};

}  // namespace quillet::testing
