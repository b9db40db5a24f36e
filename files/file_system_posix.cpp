// POSIX implementation of the file-system layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/errors.h"
#include "files/file_system.h"

namespace quillet {
namespace {

constexpr const char* kCreateOperation = "Cannot create file";

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t ModeForNewFile() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Follows a symbolic link so that replacing a linked file keeps the link.
std::string ResolveLink(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  std::vector<char> resolved(PATH_MAX + 1);
  if (::realpath(path.c_str(), resolved.data()) == nullptr) return path;
  return resolved.data();
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

ReplacementFile::ReplacementFile(const std::string& target)
    : target_(target), real_path_(ResolveLink(target)) {
  struct stat info {};
  if (::stat(real_path_.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) throw FileError(kCreateOperation, target_, std::strerror(EISDIR));
    // Without any write bit the file is read-only, even to a superuser who
    // could write it anyway: a direct create would be refused for others.
    if ((info.st_mode & 0222) == 0 || ::access(real_path_.c_str(), W_OK) != 0) {
      throw FileError(kCreateOperation, target_, std::strerror(EACCES));
    }
    mode_ = info.st_mode & 07777;
    // A device, pipe or socket (-o /dev/null, a named pipe) cannot be
    // replaced by renaming a regular file over it; it is written in place.
    if (!S_ISREG(info.st_mode)) {
      fd_ = ::open(real_path_.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd_ < 0) throw FileError(kCreateOperation, target_, std::strerror(errno));
      return;
    }
  } else {
    mode_ = ModeForNewFile();
  }
  std::string pattern = DirectoryOf(real_path_) + "/." + BaseNameOf(real_path_) + ".XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) throw FileError(kCreateOperation, target_, std::strerror(errno));
  temp_path_ = pattern;
}

ReplacementFile::~ReplacementFile() {
  Discard();
}

void ReplacementFile::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ::write(fd_, data, size);
    if (done < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      Discard();
      throw FileError("Cannot write file", target_, std::strerror(error));
    }
    data += done;
    size -= static_cast<std::size_t>(done);
  }
}

void ReplacementFile::Commit() {
  int error = 0;
  if (temp_path_.empty()) {  // written in place: nothing to put in place
    if (::close(fd_) != 0) error = errno;
    fd_ = -1;
    if (error != 0) throw FileError("Cannot write file", target_, std::strerror(error));
    return;
  }
  if (::fchmod(fd_, mode_) != 0 || ::fsync(fd_) != 0) error = errno;
  // close() releases the descriptor even when it reports an error.
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && ::rename(temp_path_.c_str(), real_path_.c_str()) != 0) error = errno;
  if (error != 0) {
    Discard();
    throw FileError("Cannot write file", target_, std::strerror(error));
  }
  temp_path_.clear();
}

void ReplacementFile::Discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_path_.empty()) {
    ::unlink(temp_path_.c_str());
    temp_path_.clear();
  }
}

}  // namespace quillet
