// The platform seam for Windows. Paths are UTF-8 and reach the system through
// its wide-character API. A failure is reported in the C library's words
// where it has them ("No such file or directory"), so that messages read the
// same as on other systems, and otherwise in the system's own.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cwchar>
#include <random>

#include "files/errors.h"
#include "files/platform.h"
#include "files/wide_text.h"

namespace quillet {
namespace {

constexpr const char* kCreateOperation = "Cannot create file";
constexpr const char* kWriteOperation = "Cannot write file";

// Others may go on reading, writing, renaming or deleting a file while it is
// open here, as they could before.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Names tried for the new file before giving up; each is random, so a clash
// means another writer picked the same name just now.
constexpr int kNamesTried = 100;
// The new file's name is the target's behind a dot, lengthened by a random
// suffix; a long target name is cut so that the whole stays a valid name.
constexpr std::size_t kLongestBaseKept = 128;
// WriteFile takes a 32-bit count: larger blocks go out in pieces.
constexpr std::size_t kLargestWrite = std::size_t{1} << 30;
// What the new file takes over from the old one; read-only never gets here.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The C library's number for the errors it has words for; 0 for the others.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    default:
      return 0;
  }
}

// The system's own sentence for an error, such as "The process cannot access
// the file because it is being used by another process."
std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message =
      length > 0 ? Utf8Of(text, length) : "Windows error " + std::to_string(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message;
}

std::string ReasonOf(DWORD error) {
  const int number = ErrnoOf(error);
  return number != 0 ? std::strerror(number) : SystemMessage(error);
}

[[noreturn]] void Fail(const char* operation, const std::string& path, DWORD error) {
  throw FileError(operation, path, ReasonOf(error));
}

[[noreturn]] void FailWithErrno(const char* operation, const std::string& path, int error) {
  throw FileError(operation, path, std::strerror(error));
}

// Follows a symbolic link (or a chain of them) to the file that holds the
// bytes, so that writing through a link keeps the link. A name that is no
// link is given back as it is. A link that leads nowhere is refused: without
// a file behind it there is no name to create.
std::string FollowLinks(const std::string& path) {
  const std::wstring name = Wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return path;
  }
  // Opening follows the links to the file itself; the system knows its name.
  const HANDLE file = CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(kCreateOperation, path, GetLastError());
  std::wstring final_name(MAX_PATH, L'\0');
  DWORD length;
  // Too small a buffer gives the size it needs.
  while ((length = GetFinalPathNameByHandleW(
              file, final_name.data(), static_cast<DWORD>(final_name.size()),
              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)) >= final_name.size()) {
    final_name.resize(length);
  }
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (length == 0) Fail(kCreateOperation, path, error);
  final_name.resize(length);
  return Utf8Of(final_name);
}

std::wstring RandomSuffix() {
  static constexpr wchar_t kLetters[] =
      L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kLetters) - 2);
  std::wstring suffix(8, L'\0');
  for (wchar_t& letter : suffix) letter = kLetters[pick(random)];
  return suffix;
}

// Where the file name starts: after the last separator, or after a drive
// ("c:name" is a file in drive c's current directory).
std::size_t NameStart(const std::wstring& path) {
  const auto separator = path.find_last_of(L"\\/");
  if (separator != std::wstring::npos) return separator + 1;
  return path.size() >= 2 && path[1] == L':' ? 2 : 0;
}

// Marks `file` to be deleted when its last handle closes, or takes the mark
// away again. False, with the error for GetLastError, when it cannot.
bool DeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) !=
         0;
}

// Creates a new, empty file beside `path` under a name of its own, with the
// permissions any new file gets in that directory: hidden, and deleted when
// its handle closes until Commit takes that away, so that a process ended in
// any way (Ctrl-C, the console closed, killed) leaves nothing behind.
// INVALID_HANDLE_VALUE, with the error for GetLastError, when it cannot.
HANDLE CreateBeside(const std::wstring& path, std::wstring& created) {
  const std::size_t start = NameStart(path);
  const std::wstring prefix =
      path.substr(0, start) + L"." + path.substr(start, kLongestBaseKept) + L".";
  for (int tried = 0; tried < kNamesTried; ++tried) {
    std::wstring name = prefix + RandomSuffix();
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      // Where the file system cannot mark it, Discard still removes it after
      // an error; only an ended process would leave it.
      (void)DeleteOnClose(file, true);
      created = std::move(name);
      return file;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

// A C runtime descriptor that owns `file` from now on; -1, with the handle
// closed, when the runtime has none left.
int DescriptorOf(HANDLE file) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
  if (fd < 0) CloseHandle(file);
  return fd;
}

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool Truncate(HANDLE file) {
  return SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

std::string WriteDestination(const std::string& path) {
  return FollowLinks(path);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

bool NamesMayIgnoreCase(const std::string& /*directory*/) {
  // A folder can be made to keep case apart, but most ignore it: in doubt.
  return true;
}

std::string FoldedCase(const std::string& text) {
  std::wstring wide;
  if (!DecodeUtf8(text, wide) || wide.empty()) {
    std::string folded = text;
    for (char& c : folded) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
  }
  // Upper case, as the file systems here compare names.
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return Utf8Of(wide);
}

bool FileIsReadable(const std::string& path) {
  const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool FileExists(const std::string& path) {
  const std::wstring name = Wide(path);
  DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link: what counts is the file it leads to, if any.
    const HANDLE file = CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!known) return false;
    attributes = info.dwFileAttributes;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::FILE* OpenForReading(const std::string& path) {
  // Shared for reading and writing, as fopen shares: others may still read it.
  return _wfopen(Wide(path).c_str(), L"rb");
}

std::FILE* BinaryStandardOutput() {
  // In text mode each LF would gain a CR: the table's CR LF would become CR CR LF.
  static const int previous_mode = _setmode(_fileno(stdout), _O_BINARY);
  (void)previous_mode;
  return stdout;
}

std::filesystem::path NativePath(const std::string& path) {
  return std::filesystem::path(Wide(path));
}

std::string PathText(const std::filesystem::path& path) {
  return Utf8Of(path.native());
}

std::string Utf8FromSystemCodePage(const std::string& text) {
  if (text.size() > INT_MAX) return text;
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return Utf8Of(wide);
}

std::optional<std::vector<std::string>> SystemCommandLine() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr) return std::nullopt;
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8Of(words[i], std::wcslen(words[i])));
  LocalFree(words);
  return args;
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::vector<std::string> DriveRoots() {
  // The roots one after another, each ended by a NUL: "C:\", "D:\", ...
  std::wstring roots(128, L'\0');
  DWORD length;
  while ((length = GetLogicalDriveStringsW(static_cast<DWORD>(roots.size()), roots.data())) >=
         roots.size()) {
    roots.resize(length + 1);
  }
  roots.resize(length);
  std::vector<std::string> drives;
  for (std::size_t start = 0; start < roots.size();) {
    std::size_t end = roots.find(L'\0', start);
    if (end == std::wstring::npos) end = roots.size();
    std::string root = Utf8Of(roots.data() + start, end - start);
    if (!root.empty()) drives.push_back(std::move(root));
    start = end + 1;
  }
  return drives;
}

ReplacementFile::ReplacementFile(const std::string& target)
    : target_(target), real_path_(FollowLinks(target)) {
  const std::wstring real = Wide(real_path_);
  const DWORD attributes = GetFileAttributesW(real.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      FailWithErrno(kCreateOperation, target_, EISDIR);
    // Read-only is refused, as a file without write permission is elsewhere,
    // even where the writer could take the attribute away.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
      FailWithErrno(kCreateOperation, target_, EACCES);
  }
  // The target itself, opened to learn what it is and that it can be written.
  const HANDLE existing = CreateFileW(real.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::wstring temp;
  HANDLE fresh = INVALID_HANDLE_VALUE;
  if (existing == INVALID_HANDLE_VALUE) {
    // Refused (no permission, open elsewhere without sharing, no such
    // directory) unless there is simply no file yet.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) Fail(kCreateOperation, target_, error);
    // No file to keep: a new one, put in place by Commit like any other.
    fresh = CreateBeside(real, temp);
    if (fresh == INVALID_HANDLE_VALUE) Fail(kCreateOperation, target_, GetLastError());
  } else {
    // Replace the file by a new one where the new one can be all that the
    // old one was; otherwise write in place, as a plain open and write would.
    regular_file_ = GetFileType(existing) == FILE_TYPE_DISK;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!regular_file_) {
      // A device (NUL, CON) or a pipe: a file renamed over its name would
      // not reach it.
    } else if (GetFileInformationByHandle(existing, &info) && info.nNumberOfLinks > 1) {
      // Hard links: the other names would keep the old bytes.
    } else if ((fresh = CreateBeside(real, temp)) == INVALID_HANDLE_VALUE) {
      // Only a directory that the writer may not add to is what writing in
      // place is for. Anything else (a full disk, a quota, a name too long)
      // would fail the write in place too, after emptying the file.
      const DWORD error = GetLastError();
      if (error != ERROR_ACCESS_DENIED) {
        CloseHandle(existing);
        Fail(kCreateOperation, target_, error);
      }
    }
    if (fresh == INVALID_HANDLE_VALUE) {
      // No truncation: the old bytes stay until the first Write needs the room.
      fd_ = DescriptorOf(existing);
      if (fd_ < 0) FailWithErrno(kCreateOperation, target_, EMFILE);
      empty_first_ = regular_file_;
      return;
    }
    CloseHandle(existing);
    // Given in Commit: the new file is hidden, say, when the old one was.
    final_attributes_ = info.dwFileAttributes & kKeptAttributes;
  }
  fd_ = DescriptorOf(fresh);
  if (fd_ < 0) {
    DeleteFileW(temp.c_str());
    FailWithErrno(kCreateOperation, target_, EMFILE);
  }
  temp_path_ = Utf8Of(temp);  // replaced by rename in Commit
}

ReplacementFile::~ReplacementFile() {
  Discard();
}

void ReplacementFile::Write(const char* data, std::size_t size) {
  const HANDLE file = HandleOf(fd_);
  if (size > 0 && empty_first_) {
    if (!Truncate(file)) {
      const DWORD error = GetLastError();
      Discard();
      Fail(kWriteOperation, target_, error);
    }
    empty_first_ = false;
  }
  while (size > 0) {
    DWORD done = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(std::min(size, kLargestWrite)), &done, nullptr) ||
        done == 0) {
      const DWORD error =
          done == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : GetLastError();
      Discard();
      Fail(kWriteOperation, target_, error);
    }
    data += done;
    size -= done;
  }
}

void ReplacementFile::Commit() {
  const HANDLE file = HandleOf(fd_);
  std::string reason;  // empty while all goes well
  // Written in place without a byte: the file ends empty all the same.
  if (empty_first_ && !Truncate(file)) reason = ReasonOf(GetLastError());
  empty_first_ = false;
  if (reason.empty() && !temp_path_.empty()) {
    // The new file keeps its name from now on, and is hidden only when the
    // old one was. Best effort, as the mode is elsewhere.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = final_attributes_ != 0 ? final_attributes_ : FILE_ATTRIBUTE_NORMAL;
    (void)SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    if (!DeleteOnClose(file, false)) reason = ReasonOf(GetLastError());
  }
  if (reason.empty() && regular_file_ && !FlushFileBuffers(file)) reason = ReasonOf(GetLastError());
  // _close releases the descriptor and its handle even when it reports an error.
  if (_close(fd_) != 0 && reason.empty()) reason = std::strerror(errno);
  fd_ = -1;
  if (reason.empty() && !temp_path_.empty()) {
    // One step that either puts the new file in place or leaves the old one,
    // on disk before it returns.
    if (MoveFileExW(Wide(temp_path_).c_str(), Wide(real_path_).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      temp_path_.clear();
    } else {
      reason = ReasonOf(GetLastError());
    }
  }
  if (!reason.empty()) {
    Discard();
    throw FileError(kWriteOperation, target_, reason);
  }
}

void ReplacementFile::Discard() noexcept {
  if (fd_ >= 0) {
    _close(fd_);
    fd_ = -1;
  }
  if (!temp_path_.empty()) {
    DeleteFileW(Wide(temp_path_).c_str());
    temp_path_.clear();
  }
}

}  // namespace quillet
