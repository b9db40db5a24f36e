// The operations a file is replaced with, on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>

#include "files/errors.h"
#include "files/replacement_primitives.h"

namespace quillet::replacement {
namespace {

// As many links as the kernel itself follows before it gives up with ELOOP.
constexpr int kMostLinksFollowed = 40;

Fault FaultOf(int error) {
  const Fault::Kind kind = error == EEXIST                     ? Fault::kClash
                           : error == EACCES || error == EPERM ? Fault::kNoPermission
                                                               : Fault::kOther;
  return Fault{kind, std::strerror(error)};
}

// -1, with the fault of errno, when `result` is negative.
int Checked(int result, Fault& fault) {
  if (result < 0) fault = FaultOf(errno);
  return result;
}

Fault Done(bool succeeded) {
  return succeeded ? Fault{} : FaultOf(errno);
}

std::string ContainingDirectory(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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

}  // namespace

// Only the last step is followed here; links among the directories are the
// kernel's. A link to a missing file gives that missing name: the file is
// created there, as a plain open would do. A name that stands for an open
// descriptor ends the walk there: the kernel's link behind it names a file
// the shell opened, or a pipe that has no name at all.
std::string FollowLinks(const std::string& path, int* descriptor) {
  std::string name = path;
  for (int followed = 0;; ++followed) {
    if (descriptor != nullptr && (*descriptor = DescriptorNamed(name)) >= 0) return name;
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return name;
    if (followed == kMostLinksFollowed) throw FileError(kCannotCreate, path, FaultOf(ELOOP).reason);
    std::string link(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : PATH_MAX, '\0');
    ssize_t got;
    // A link that grew since lstat fills the buffer: read it again, larger.
    while ((got = ::readlink(name.c_str(), link.data(), link.size())) >=
           static_cast<ssize_t>(link.size())) {
      link.resize(link.size() * 2);
    }
    if (got < 0) throw FileError(kCannotCreate, path, FaultOf(errno).reason);
    link.resize(static_cast<std::size_t>(got));
    name = SeenFrom(ContainingDirectory(name), link);
  }
}

OldFile::~OldFile() = default;

void Examine(const std::string& path, OldFile& old) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return;
  old.exists = true;
  old.directory = S_ISDIR(info.st_mode);
  if (old.directory) return;
  if (::access(path.c_str(), W_OK) != 0) old.write_refused = FaultOf(errno);
  old.read_only = (info.st_mode & 0222) == 0;
  old.regular = S_ISREG(info.st_mode);
  old.more_than_one_link = info.st_nlink > 1;
  old.owner = info.st_uid;
  old.group = info.st_gid;
  old.mode = info.st_mode;
}

NameParts SplitName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return {SeenFrom(ContainingDirectory(path), ""),
          slash == std::string::npos ? path : path.substr(slash + 1)};
}

std::string NameHead(const std::string& name, std::size_t units) {
  return name.substr(0, units);
}

std::size_t LongestPath() {
  return PATH_MAX - 1;  // without its terminating NUL
}

int CreateUnnamed(const std::string& beside, Fault& fault) {
#ifdef O_TMPFILE
  // Only where it can be given a name later: through /proc, as any user can.
  if (::access("/proc/self/fd", X_OK) == 0) {
    const int fd =
        ::open(ContainingDirectory(beside).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    const int error = errno;
    fault = FaultOf(error);
    // Only a file system without unnamed files goes on to a named one.
    if (error == EOPNOTSUPP || error == EISDIR || error == EINVAL) fault.kind = Fault::kUnsupported;
    return -1;
  }
#else
  (void)beside;
#endif
  fault = Fault{Fault::kUnsupported, {}};
  return -1;
}

// The kernel applies the umask (or the directory's default access list) to
// 0666; the process-wide umask is never touched.
int CreateExclusive(const std::string& path, Fault& fault) {
  return Checked(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666), fault);
}

Fault NameUnnamed(int fd, const std::string& name) {
  const std::string by_descriptor = "/proc/self/fd/" + std::to_string(fd);
  return Done(
      ::linkat(AT_FDCWD, by_descriptor.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0);
}

// A writer other than root cannot give a file away, nor give it a group it is
// no member of.
bool CarryMetadata(int fd, const OldFile& old, const std::string& old_path) {
  struct stat fresh {};
  if (::fstat(fd, &fresh) != 0) return false;
  if ((fresh.st_uid != old.owner || fresh.st_gid != old.group) &&
      ::fchown(fd, old.owner, old.group) != 0) {
    return false;
  }
  // After fchown, which clears file capabilities; before fchmod, since an
  // access list sets the group bits as its mask.
  if (!TakeExtendedAttributes(old_path, fd)) return false;
  // Only after fchown, which may clear the set-user-ID and set-group-ID bits.
  // Best effort: some file systems refuse it (some network and FUSE mounts),
  // and the file then keeps the mode that any new file gets there.
  (void)::fchmod(fd, old.mode & 07777);
  return true;
}

Fault KeepNewFile(int /*fd*/, std::uint32_t /*attributes*/) {
  return {};
}

int WriteThrough(int descriptor, Fault& fault) {
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
    fault = FaultOf(EBADF);
    return -1;
  }
  // What the program wrote to its own streams goes out before the table.
  std::fflush(nullptr);
  return Checked(::fcntl(descriptor, F_DUPFD_CLOEXEC, 0), fault);
}

int OpenInPlace(const std::string& path, OldFile& /*old*/, Fault& fault) {
  return Checked(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC), fault);
}

Fault Truncate(int fd) {
  return Done(::ftruncate(fd, 0) == 0);
}

Fault WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ::write(fd, data, size);
    if (done < 0) {
      if (errno == EINTR) continue;
      return FaultOf(errno);
    }
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return {};
}

Fault Flush(int fd) {
  return Done(::fsync(fd) == 0);
}

void StartWritingOut(int fd, std::uint64_t offset, std::uint64_t size) {
#ifdef __linux__
  // Only a request: a failure to write shows in the Flush.
  (void)::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(size),
                          SYNC_FILE_RANGE_WRITE);
#else
  (void)fd;
  (void)offset;
  (void)size;
#endif
}

Fault Close(int fd) {
  return Done(::close(fd) == 0);
}

Fault RenameOver(const std::string& from, const std::string& to) {
  return Done(::rename(from.c_str(), to.c_str()) == 0);
}

// The directory is written out too, so that after a power cut the name holds
// the new file. Some file systems cannot sync a directory at all.
void SyncDirectoryOf(const std::string& path) {
  const int fd = ::open(ContainingDirectory(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

void Remove(const std::string& path) {
  ::unlink(path.c_str());
}

}  // namespace quillet::replacement
