#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/process.h"
#include "support/temp_dir.h"

namespace quillet::testing {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
  TempDir capture;
  const std::string out_path = capture / "stdout";
  const std::string err_path = capture / "stderr";
  std::vector<std::string> argv_text = {program};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : argv_text) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    // Only async-signal-safe calls until exec.
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
        ::dup2(err, 2) < 0 || (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0)) {
      ::_exit(127);
    }
    if (options.address_space_limit != 0) {
      const rlimit limit{options.address_space_limit, options.address_space_limit};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(127);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ProcessResult result;
  int wait_status = 0;
  if (pid < 0 || ::waitpid(pid, &wait_status, 0) != pid) {
    ADD_FAILURE() << "cannot run " << program;
    return result;
  }
  result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  result.out = ReadFileBytes(out_path);
  result.err = ReadFileBytes(err_path);
  return result;
}

std::string TextLines(const std::string& text) {
  return text;
}

std::string ReadInTextMode(const std::string& bytes) {
  return bytes;
}

std::string NullDevice() {
  return "/dev/null";
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
