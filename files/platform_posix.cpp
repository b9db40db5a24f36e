// The platform seam for Linux and other POSIX systems (the operations a file
// is replaced with are in replacement_posix.cpp).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/statfs.h>
#endif

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cwctype>
#include <limits>

#include "files/ascii.h"
#include "files/platform.h"
#include "files/replacement_primitives.h"
#include "files/utf8.h"

namespace quillet {

std::string WriteDestination(const std::string& path) {
  return replacement::FollowLinks(path, nullptr);
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

bool SeekForReading(std::FILE* file, std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
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
      folded.push_back(AsciiLower(static_cast<char>(byte)));
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

}  // namespace quillet
