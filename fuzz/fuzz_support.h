// What the fuzz targets share: a private scratch directory in memory and a
// user interface that answers OK to every question and draws nothing.
//
// The targets are plain LLVMFuzzerTestOneInput functions, so the same source
// runs under libFuzzer (clang) and under the replay main (any compiler).
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/user_interface.h"

namespace quillet::fuzzing {

// A directory of our own for the whole process, under /dev/shm when there is
// one so that the many small writes stay in memory. Never removed while the
// process runs; the process removes it at exit.
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    // fuzz/run.sh names a parent that it removes afterwards, since a crash
    // ends the process without the clean-up below.
    const char* parent = std::getenv("QUILLET_FUZZ_SCRATCH");
    if (parent == nullptr) parent = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(parent) + "/quillet-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("quillet fuzz: cannot make a scratch directory");
      std::abort();
    }
    static std::string removal = "rm -rf '" + pattern + "'";
    std::atexit([] {
      if (std::system(removal.c_str()) != 0) std::fputs("cannot remove scratch dir\n", stderr);
    });
    return pattern;
  }();
  return dir;
}

// Replaces `path` with exactly `bytes`; aborts when the scratch file system
// refuses, which is a fault of the machine, not of the code under test.
inline void WriteScratchFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::size_t done = 0;
  while (fd >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (fd < 0 || done != bytes.size() || ::close(fd) != 0) {
    std::perror(path.c_str());
    std::abort();
  }
}

inline std::string ReadScratchFile(const std::string& path) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  char block[65536];
  ssize_t n;
  while ((n = ::read(fd, block, sizeof block)) > 0)
    bytes.append(block, static_cast<std::size_t>(n));
  ::close(fd);
  return bytes;
}

// An input of the chain-pair targets is the index file's bytes, then this
// line and the data file's bytes (none without it).
constexpr std::string_view kDataMarker = "#data#\n";

// Writes the two files of `input` as STEM.ind and STEM.out in the scratch
// directory; gives STEM.
inline std::string WriteScratchPair(std::string_view input) {
  const auto marker = input.find(kDataMarker);
  const std::string stem = ScratchDir() + "/run";
  WriteScratchFile(stem + ".ind", input.substr(0, marker));
  WriteScratchFile(stem + ".out", marker == std::string_view::npos
                                      ? std::string_view()
                                      : input.substr(marker + kDataMarker.size()));
  return stem;
}

// Stops the run with a message; libFuzzer saves the input that got here.
[[noreturn]] inline void Finding(const char* what) {
  std::fprintf(stderr, "quillet fuzz finding: %s\n", what);
  std::abort();
}

class AnswerOkUi : public UserInterface {
 public:
  MessageAnswer ShowMessage(const std::string&, MessageStyle,
                            const std::optional<std::string>&) override {
    return MessageAnswer::kOk;
  }
  void ShowProgress() override {}
  void HideProgress() override {}
  void SetProgressMaximum(float) override {}
  void SetProgressValue(float) override {}
  void RememberStem(const std::string&) override {}
};

}  // namespace quillet::fuzzing
