// The platform seam for Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <random>

#include "files/errors.h"
#include "files/platform.h"
#include "files/removal_on_signal.h"
#include "files/utf8.h"

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
// The random suffix: as long as this where the path allows, never shorter
// than the least, whose 62^4 names still make a clash rare.
constexpr std::size_t kSuffixLength = 8;
constexpr std::size_t kLeastSuffixLength = 4;
// The longest path the kernel takes, without its terminating NUL.
constexpr std::size_t kLongestPath = PATH_MAX - 1;

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

// The descriptor that `name` stands for: 1 for "/dev/stdout", 2 for
// "/dev/stderr", 0 for "/dev/stdin", N for "/dev/fd/N" and for
// "/proc/self/fd/N" (or this process's number instead of "self"); -1 for any
// other name.
int DescriptorNamed(const std::string& name) {
  if (name == "/dev/stdin") return 0;
  if (name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
  std::string_view rest;
  for (const char* prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
    if (name.starts_with(prefix)) rest = std::string_view(name).substr(std::strlen(prefix));
  }
  if (name.starts_with(own)) rest = std::string_view(name).substr(own.size());
  int descriptor = -1;
  if (rest.empty() || rest.front() == '+' || rest.front() == '-') return -1;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), descriptor);
  return error == std::errc() && end == rest.data() + rest.size() ? descriptor : -1;
}

// Follows symbolic links from `path` to the name that holds the bytes, so that
// writing through a link keeps the link. A link to a missing file gives that
// missing name: the file is created there, as a plain open would do. Only the
// last step is followed here; links among the directories are the kernel's.
// A name that stands for an open descriptor ends the walk there, with the
// descriptor in `descriptor` (-1 otherwise): the kernel's link behind it
// names a file the shell opened, or a pipe that has no name at all.
std::string FollowLinks(const std::string& path, int* descriptor = nullptr) {
  std::string name = path;
  for (int followed = 0;; ++followed) {
    if (descriptor != nullptr && (*descriptor = DescriptorNamed(name)) >= 0) return name;
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

std::string RandomSuffix(std::size_t length) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string suffix(length, '\0');
  for (char& letter : suffix) letter = kLetters[pick(random)];
  return suffix;
}

// A name for the new file beside `path`: the target's, hidden and lengthened
// by a random suffix. Where that path would be too long for the system, the
// target's name in it is cut, then the suffix, down to kLeastSuffixLength;
// a path that is too long even so is returned as it is, for the caller to
// refuse (HiddenNameFits). The file is made with the mode any new file gets:
// the kernel applies the umask (or the directory's default ACL) to 0666, and
// the process-wide umask is never touched.
std::string HiddenNameBeside(const std::string& path) {
  std::string base = FileNameOf(path).substr(0, kLongestBaseKept);
  const std::string directory = ContainingDirectory(path);
  const std::size_t full =
      SeenFrom(directory, "." + base + "." + std::string(kSuffixLength, 'x')).size();
  std::size_t excess = full > kLongestPath ? full - kLongestPath : 0;
  const std::size_t base_cut = std::min(excess, base.size());
  base.resize(base.size() - base_cut);
  excess -= base_cut;
  const std::size_t suffix_length =
      kSuffixLength - std::min(excess, kSuffixLength - kLeastSuffixLength);
  return SeenFrom(directory, "." + base + "." + RandomSuffix(suffix_length));
}

// Whether a hidden name beside `path` is a path the system takes.
bool HiddenNameFits(const std::string& path) {
  return HiddenNameBeside(path).size() <= kLongestPath;
}

#ifdef O_TMPFILE
// Whether an unnamed file can be given a name later: through /proc, as any
// user can, or with the privilege to link a descriptor directly.
bool UnnamedFilesCanBeNamed() {
  return ::access("/proc/self/fd", X_OK) == 0;
}
#endif

// Copies the extended attributes of the file at `from` (its access list and
// security label among them) to the new file `to`, and takes away those the
// new file got that the old one lacks (an access list inherited from the
// directory). False when the new file cannot be made to carry exactly those.
bool TakeExtendedAttributes(const std::string& from, int to) {
#ifdef __linux__
  const auto names_of = [](auto list_call, std::string& names) {
    for (;;) {
      const ssize_t size = list_call(nullptr, 0);
      if (size < 0) return errno == ENOTSUP;  // none where the file system keeps none
      names.resize(static_cast<std::size_t>(size));
      const ssize_t got = list_call(names.data(), names.size());
      if (got >= 0) {
        names.resize(static_cast<std::size_t>(got));
        return true;
      }
      if (errno != ERANGE) return false;  // grew since: ask again
    }
  };
  std::string old_names, new_names;
  if (!names_of([&](char* list, std::size_t size) { return ::listxattr(from.c_str(), list, size); },
                old_names) ||
      !names_of([&](char* list, std::size_t size) { return ::flistxattr(to, list, size); },
                new_names)) {
    return false;
  }
  const auto each = [](const std::string& names, auto visit) {
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
      if (!visit(names.c_str() + at)) return false;
    }
    return true;
  };
  const bool added = each(old_names, [&](const char* name) {
    std::string value;
    for (;;) {
      const ssize_t size = ::getxattr(from.c_str(), name, nullptr, 0);
      if (size < 0) return false;
      value.resize(static_cast<std::size_t>(size));
      const ssize_t got = ::getxattr(from.c_str(), name, value.data(), value.size());
      if (got >= 0) {
        value.resize(static_cast<std::size_t>(got));
        break;
      }
      if (errno != ERANGE) return false;
    }
    return ::fsetxattr(to, name, value.data(), value.size(), 0) == 0;
  });
  if (!added) return false;
  return each(new_names, [&](const char* name) {
    for (std::size_t at = 0; at < old_names.size(); at += std::strlen(old_names.c_str() + at) + 1) {
      if (std::strcmp(old_names.c_str() + at, name) == 0) return true;
    }
    return ::fremovexattr(to, name) == 0;
  });
#else
  (void)from;
  (void)to;
  return true;
#endif
}

// Gives the new file the old one's owner, group, extended attributes and
// mode. False when the owner, group or attributes cannot be given: a writer other than root cannot
// give a file away, nor give it a group it is no member of.
bool TakeOwnerAndMode(int fd, const struct stat& old, const std::string& old_path) {
  struct stat fresh {};
  if (::fstat(fd, &fresh) != 0) return false;
  if ((fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) &&
      ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    return false;
  }
  // After fchown, which clears file capabilities; before fchmod, since an
  // access list sets the group bits as its mask.
  if (!TakeExtendedAttributes(old_path, fd)) return false;
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

bool FileIsReadable(const std::string& path) {
  return ::access(path.c_str(), R_OK) == 0;
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

std::string Utf8FromSystemCodePage(const std::string& text) {
  return text;  // names are bytes here, whatever wrote them
}

std::optional<std::vector<std::string>> SystemCommandLine() {
  return std::nullopt;  // argv is the command line
}

bool StandardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

bool StandardOutputIsTerminal() {
  return ::isatty(STDOUT_FILENO) == 1;
}

std::vector<std::string> DriveRoots() {
  return {"/"};
}

namespace {

#ifdef __linux__
// File systems known to keep names apart by letter case, unless a directory
// is marked to fold case (ext4, f2fs and tmpfs can do that).
bool KeepsCaseApart(const std::string& directory) {
  struct statfs info {};
  if (::statfs(directory.c_str(), &info) != 0) return false;
  constexpr unsigned long kMayFold[] = {0xEF53, 0xF2F52010, 0x01021994, 0xCA451A4E};
  constexpr unsigned long kNeverFold[] = {0x58465342, 0x9123683E, 0x2FC12FC1, 0x794C7630,
                                          0x52654973, 0x858458F6, 0x3434};
  const auto type = static_cast<unsigned long>(info.f_type);
  if (std::find(std::begin(kNeverFold), std::end(kNeverFold), type) != std::end(kNeverFold)) {
    return true;
  }
  if (std::find(std::begin(kMayFold), std::end(kMayFold), type) == std::end(kMayFold)) {
    return false;
  }
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  int flags = 0;
  const bool asked = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  const int error = errno;
  ::close(fd);
  constexpr int kCaseFolded = 0x40000000;  // FS_CASEFOLD_FL, not in every kernel's headers
  if (!asked) return error == ENOTTY || error == ENOTSUP;  // no flags: no folding either
  return (flags & kCaseFolded) == 0;
}
#endif

// The C library's case tables for UTF-8, whatever locale the program runs in.
locale_t Utf8Locale() {
  static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return locale;
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

bool NamesMayIgnoreCase(const std::string& directory) {
#if defined(__linux__)
  return !KeepsCaseApart(directory);
#elif defined(_PC_CASE_SENSITIVE)
  return ::pathconf(directory.c_str(), _PC_CASE_SENSITIVE) != 1;
#else
  (void)directory;
  return true;
#endif
}

std::string FoldedCase(const std::string& text) {
  std::string folded;
  folded.reserve(text.size());
  const locale_t utf8 = Utf8Locale();
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      folded.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a')
                                                  : static_cast<char>(byte));
      ++at;
      continue;
    }
    const auto [code, length] = DecodeUtf8At(std::string_view(text).substr(at));
    if (length == 0 || utf8 == nullptr) {
      folded.push_back(text[at++]);
      continue;
    }
    AppendUtf8(static_cast<char32_t>(::towlower_l(static_cast<wint_t>(code), utf8)), folded);
    at += length;
  }
  return folded;
}

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
  PrepareForWriting();
  int descriptor = -1;
  real_path_ = FollowLinks(target, &descriptor);
  if (descriptor >= 0) {
    WriteThrough(descriptor);
    return;
  }
  struct stat old {};
  if (::stat(real_path_.c_str(), &old) != 0) {
    // No file to keep: a new one, put in place by Commit like any other.
    if (!CreateNew()) Fail(kCreateOperation, target_, errno);
    return;
  }
  if (S_ISDIR(old.st_mode)) Fail(kCreateOperation, target_, EISDIR);
  // Asked first, so that a read-only file system is named as the cause
  // rather than the file's own mode.
  if (::access(real_path_.c_str(), W_OK) != 0) Fail(kCreateOperation, target_, errno);
  // Without any write bit the file is read-only, even to a superuser who
  // could write it anyway: a direct create would be refused for others.
  if ((old.st_mode & 0222) == 0) Fail(kCreateOperation, target_, EACCES);

  // Replace the file by a new one where the new one can be all that the old
  // one was; otherwise write in place, as a plain open and write would.
  regular_file_ = S_ISREG(old.st_mode);
  if (!regular_file_) {
    // A device, pipe or socket (-o /dev/null, a named pipe): a regular file
    // renamed over it would end it.
  } else if (old.st_nlink > 1) {
    // Hard links: the other names would keep the old bytes.
  } else if (!CreateNew()) {
    // Only a directory that the writer may not add to is what writing in
    // place is for. Anything else (no space, no inode left, a quota, a name
    // too long) would fail the write in place too, after emptying the file.
    if (errno != EACCES && errno != EPERM) Fail(kCreateOperation, target_, errno);
  } else if (!TakeOwnerAndMode(fd_, old, real_path_)) {
    // An owner, group or attribute that the new file cannot be given (root's
    // file in a shared folder, a security label) would be lost.
    Discard();
  } else {
    return;  // replaced by rename in Commit
  }
  // No O_TRUNC: the old bytes stay until the first Write needs the room.
  fd_ = ::open(real_path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) Fail(kCreateOperation, target_, errno);
  empty_first_ = regular_file_;
}

bool ReplacementFile::CreateNew() {
  // Found now, not once the table is written and the new file is named.
  if (!HiddenNameFits(real_path_)) {
    errno = ENAMETOOLONG;
    return false;
  }
#ifdef O_TMPFILE
  if (UnnamedFilesCanBeNamed()) {
    fd_ = ::open(ContainingDirectory(real_path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      unnamed_ = true;
      return true;
    }
    // Only a file system without unnamed files goes on to a named one.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
#endif
  // The name is known before the file exists, so that a signal in between
  // finds it; removing a name not made yet does nothing.
  std::string name;
  for (int tried = 0; tried < kNamesTried; ++tried) {
    name = HiddenNameBeside(real_path_);
    removal_slot_ = RemoveOnSignal(name);
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temp_path_ = std::move(name);
      return true;
    }
    const int error = errno;
    KeepOnSignal(removal_slot_);
    removal_slot_ = -1;
    errno = error;
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

void ReplacementFile::WriteThrough(int descriptor) {
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) Fail(kCreateOperation, target_, EBADF);
  // What the program wrote to its own streams goes out before the table.
  std::fflush(nullptr);
  fd_ = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (fd_ < 0) Fail(kCreateOperation, target_, errno);
  regular_file_ = false;  // written as standard output is: no flush to disk
}

void ReplacementFile::NameNewFile() {
#ifdef O_TMPFILE
  const std::string by_descriptor = "/proc/self/fd/" + std::to_string(fd_);
  for (int tried = 0; tried < kNamesTried; ++tried) {
    std::string name = HiddenNameBeside(real_path_);
    removal_slot_ = RemoveOnSignal(name);
    if (::linkat(AT_FDCWD, by_descriptor.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp_path_ = std::move(name);
      unnamed_ = false;
      return;
    }
    const int error = errno;
    KeepOnSignal(removal_slot_);
    removal_slot_ = -1;
    if (error != EEXIST) Fail(kWriteOperation, target_, error);
  }
  Fail(kWriteOperation, target_, EEXIST);
#endif
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
  if (error == 0 && unnamed_) {
    // The complete file gets its hidden name only now, just before the
    // rename: the moment a signal could leave it behind is that short.
    try {
      NameNewFile();
    } catch (const FileError&) {
      Discard();
      throw;
    }
  }
  // close() releases the descriptor even when it reports an error.
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0 && !temp_path_.empty()) {
    if (::rename(temp_path_.c_str(), real_path_.c_str()) == 0) {
      temp_path_.clear();
      KeepOnSignal(removal_slot_);
      removal_slot_ = -1;
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
  KeepOnSignal(removal_slot_);
  removal_slot_ = -1;
  unnamed_ = false;
}

}  // namespace quillet
