// The platform seam for Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <random>

#include "files/errors.h"
#include "files/platform.h"

namespace quillet {
namespace {

constexpr const char* kCreateOperation = "Cannot create file";
constexpr const char* kWriteOperation = "Cannot write file";

// As many links as the kernel itself follows before it gives up with ELOOP.
constexpr int kMostLinksFollowed = 40;
// Names tried for the new file before giving up; each is random, so a clash
// means another writer picked the same name just now.
constexpr int kNamesTried = 100;
// The new file's name is the target's, hidden and lengthened by a random
// suffix; a long target name is cut so that the whole stays a valid name.
constexpr std::size_t kLongestBaseKept = 128;

[[noreturn]] void Fail(const char* operation, const std::string& path, int error) {
  throw FileError(operation, path, std::strerror(error));
}

std::string ContainingDirectory(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// `name` as a symbolic link in `directory` means it: an absolute name stands
// for itself, a relative one starts at the link's directory.
std::string SeenFrom(const std::string& directory, const std::string& name) {
  if (!name.empty() && name.front() == '/') return name;
  return directory == "/" ? "/" + name : directory + "/" + name;
}

// Follows symbolic links from `path` to the name that holds the bytes, so that
// writing through a link keeps the link. A link to a missing file gives that
// missing name: the file is created there, as a plain open would do. Only the
// last step is followed here; links among the directories are the kernel's.
std::string FollowLinks(const std::string& path) {
  std::string name = path;
  for (int followed = 0;; ++followed) {
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return name;
    if (followed == kMostLinksFollowed) Fail(kCreateOperation, path, ELOOP);
    std::string link(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : PATH_MAX, '\0');
    ssize_t got;
    // A link that grew since lstat fills the buffer: read it again, larger.
    while ((got = ::readlink(name.c_str(), link.data(), link.size())) >=
           static_cast<ssize_t>(link.size())) {
      link.resize(link.size() * 2);
    }
    if (got < 0) Fail(kCreateOperation, path, errno);
    link.resize(static_cast<std::size_t>(got));
    name = SeenFrom(ContainingDirectory(name), link);
  }
}

std::string RandomSuffix() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string suffix(8, '\0');
  for (char& letter : suffix) letter = kLetters[pick(random)];
  return suffix;
}

// Creates a new, empty file beside `path` under a name of its own, with the
// mode any new file gets: the kernel applies the umask (or the directory's
// default ACL) to 0666, and the process-wide umask is never touched. Returns
// the open descriptor, or -1 with errno set.
int CreateBeside(const std::string& path, std::string& created) {
  const std::string prefix =
      SeenFrom(ContainingDirectory(path), "." + FileNameOf(path).substr(0, kLongestBaseKept) + ".");
  for (int tried = 0; tried < kNamesTried; ++tried) {
    std::string name = prefix + RandomSuffix();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      created = std::move(name);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Gives the new file the old one's owner, group and mode. False when the
// owner or group cannot be given: a writer other than root cannot give a file
// away, nor give it a group it is no member of.
bool TakeOwnerAndMode(int fd, const struct stat& old) {
  struct stat fresh {};
  if (::fstat(fd, &fresh) != 0) return false;
  if ((fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) &&
      ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    return false;
  }
  // Only after fchown, which may clear the set-user-ID and set-group-ID bits.
  // Best effort: some file systems refuse it (some network and FUSE mounts),
  // and the file then keeps the mode that any new file gets there.
  (void)::fchmod(fd, old.st_mode & 07777);
  return true;
}

// Makes the rename last: the directory is written out too, so that after a
// power cut the name holds the new file. The file is in place whatever this
// does, and some file systems cannot sync a directory at all, so a failure
// here is no failure of the Write.
void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

std::string WriteDestination(const std::string& path) {
  return FollowLinks(path);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::FILE* OpenForReading(const std::string& path) {
  return std::fopen(path.c_str(), "rb");
}

std::FILE* BinaryStandardOutput() {
  return stdout;  // no text mode here: bytes pass unchanged
}

std::filesystem::path NativePath(const std::string& path) {
  return std::filesystem::path(path);  // bytes, whatever their encoding
}

std::string PathText(const std::filesystem::path& path) {
  return path.string();
}

std::string PathFromStoredText(const std::string& text) {
  return text;  // names are bytes here, whatever wrote them
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

std::vector<Drive> SystemDriveList() {
  return {{"/", "/"}};
}

ReplacementFile::ReplacementFile(const std::string& target)
    : target_(target), real_path_(FollowLinks(target)) {
  struct stat old {};
  if (::stat(real_path_.c_str(), &old) != 0) {
    // No file to keep: a new one, put in place by Commit like any other.
    fd_ = CreateBeside(real_path_, temp_path_);
    if (fd_ < 0) Fail(kCreateOperation, target_, errno);
    return;
  }
  if (S_ISDIR(old.st_mode)) Fail(kCreateOperation, target_, EISDIR);
  // Without any write bit the file is read-only, even to a superuser who
  // could write it anyway: a direct create would be refused for others.
  if ((old.st_mode & 0222) == 0 || ::access(real_path_.c_str(), W_OK) != 0) {
    Fail(kCreateOperation, target_, EACCES);
  }

  // Replace the file by a new one where the new one can be all that the old
  // one was; otherwise write in place, as a plain open and write would.
  regular_file_ = S_ISREG(old.st_mode);
  if (!regular_file_) {
    // A device, pipe or socket (-o /dev/null, a named pipe): a regular file
    // renamed over it would end it.
  } else if (old.st_nlink > 1) {
    // Hard links: the other names would keep the old bytes.
  } else if ((fd_ = CreateBeside(real_path_, temp_path_)) < 0) {
    // The directory takes no new file, but the file itself can be written.
  } else if (!TakeOwnerAndMode(fd_, old)) {
    // An owner or group that the new file cannot be given (root's file in
    // a shared folder, say) would be lost.
    Discard();
  } else {
    return;  // replaced by rename in Commit
  }
  // No O_TRUNC: the old bytes stay until the first Write needs the room.
  fd_ = ::open(real_path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) Fail(kCreateOperation, target_, errno);
  empty_first_ = regular_file_;
}

ReplacementFile::~ReplacementFile() {
  Discard();
}

void ReplacementFile::Write(const char* data, std::size_t size) {
  if (size > 0 && empty_first_) {
    if (::ftruncate(fd_, 0) != 0) {
      const int error = errno;
      Discard();
      Fail(kWriteOperation, target_, error);
    }
    empty_first_ = false;
  }
  while (size > 0) {
    const ssize_t done = ::write(fd_, data, size);
    if (done < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      Discard();
      Fail(kWriteOperation, target_, error);
    }
    data += done;
    size -= static_cast<std::size_t>(done);
  }
}

void ReplacementFile::Commit() {
  int error = 0;
  // Written in place without a byte: the file ends empty all the same.
  if (empty_first_ && ::ftruncate(fd_, 0) != 0) error = errno;
  empty_first_ = false;
  if (error == 0 && regular_file_ && ::fsync(fd_) != 0) error = errno;
  // close() releases the descriptor even when it reports an error.
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && !temp_path_.empty()) {
    if (::rename(temp_path_.c_str(), real_path_.c_str()) == 0) {
      temp_path_.clear();
      SyncDirectory(ContainingDirectory(real_path_));
    } else {
      error = errno;
    }
  }
  if (error != 0) {
    Discard();
    Fail(kWriteOperation, target_, error);
  }
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
