// The operations a file is replaced with, on Windows. A failure is reported
// in the C library's words where it has them ("No such file or directory"),
// so that messages read the same as on other systems, and otherwise in the
// system's own.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "files/errors.h"
#include "files/removal_on_signal.h"
#include "files/replacement_primitives.h"
#include "files/wide_text.h"

namespace quillet {

// The new file is deleted when its handle closes until it is complete: there
// is no name to remove on a signal, and no signal that could leave one.
void PrepareForWriting() {}
int RemoveOnSignal(const std::string& /*path*/) {
  return -1;
}
void KeepOnSignal(int /*slot*/) {}

namespace replacement {
namespace {

// Others may go on reading, writing, renaming or deleting a file while it is
// open here, as they could before.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
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

Fault FaultOf(DWORD error) {
  const int number = ErrnoOf(error);
  const Fault::Kind kind = error == ERROR_FILE_EXISTS     ? Fault::kClash
                           : error == ERROR_ACCESS_DENIED ? Fault::kNoPermission
                                                          : Fault::kOther;
  return Fault{kind, number != 0 ? std::strerror(number) : SystemMessage(error)};
}

Fault Done(bool succeeded) {
  return succeeded ? Fault{} : FaultOf(GetLastError());
}

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// A C runtime descriptor that owns `file` from now on; -1, with the handle
// closed, when the runtime has none left.
int DescriptorOf(HANDLE file, Fault& fault) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    fault = Fault{Fault::kOther, std::strerror(EMFILE)};
  }
  return fd;
}

// Marks `file` to be deleted when its last handle closes, or takes the mark
// away again. False, with the error for GetLastError, when it cannot.
bool DeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) !=
         0;
}

}  // namespace

// A link that leads nowhere is refused: without a file behind it there is no
// name to create.
std::string FollowLinks(const std::string& path, int* descriptor) {
  if (descriptor != nullptr) *descriptor = -1;
  const std::wstring name = Wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return path;
  }
  // Opening follows the links to the file itself; the system knows its name.
  const HANDLE file = CreateFileW(name.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw FileError(kCannotCreate, path, FaultOf(GetLastError()).reason);
  }
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
  if (length == 0) throw FileError(kCannotCreate, path, FaultOf(error).reason);
  final_name.resize(length);
  return Utf8Of(final_name);
}

OldFile::~OldFile() {
  if (held != nullptr) CloseHandle(held);
}

// The target itself is opened to learn what it is and that it can be written.
void Examine(const std::string& path, OldFile& old) {
  const std::wstring name = Wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    old.exists = true;
    old.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Read-only is refused, as a file without write permission is elsewhere,
    // even where the writer could take the attribute away.
    old.read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (old.directory || old.read_only) return;
  }
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // Refused (no permission, open elsewhere without sharing, no such
    // directory) unless there is simply no file yet.
    const DWORD error = GetLastError();
    old.exists = error != ERROR_FILE_NOT_FOUND;
    if (old.exists) old.write_refused = FaultOf(error);
    return;
  }
  old.exists = true;
  old.held = file;
  old.regular = GetFileType(file) == FILE_TYPE_DISK;
  BY_HANDLE_FILE_INFORMATION info{};
  if (old.regular) {
    old.more_than_one_link = GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1;
  }
  old.attributes = info.dwFileAttributes;
}

// After the last separator, or after a drive ("c:name" is a file in drive
// c's current directory).
NameParts SplitName(const std::string& path) {
  const std::wstring wide = Wide(path);
  const auto separator = wide.find_last_of(L"\\/");
  const std::size_t start = separator != std::wstring::npos       ? separator + 1
                            : wide.size() >= 2 && wide[1] == L':' ? 2
                                                                  : 0;
  return {Utf8Of(wide.substr(0, start)), Utf8Of(wide.substr(start))};
}

std::string NameHead(const std::string& name, std::size_t units) {
  return Utf8Of(Wide(name).substr(0, units));
}

std::size_t LongestPath() {
  return std::numeric_limits<std::size_t>::max();
}

int CreateUnnamed(const std::string& /*beside*/, Fault& fault) {
  fault = Fault{Fault::kUnsupported, {}};
  return -1;
}

// Hidden, and deleted when its handle closes until KeepNewFile takes that
// away, so that a process ended in any way (Ctrl-C, the console closed,
// killed) leaves nothing behind.
int CreateExclusive(const std::string& path, Fault& fault) {
  const std::wstring name = Wide(path);
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    fault = FaultOf(GetLastError());
    return -1;
  }
  // Where the file system cannot mark it, Discard still removes it after an
  // error; only an ended process would leave it.
  (void)DeleteOnClose(file, true);
  const int fd = DescriptorOf(file, fault);
  if (fd < 0) DeleteFileW(name.c_str());
  return fd;
}

Fault NameUnnamed(int /*fd*/, const std::string& /*name*/) {
  return Fault{Fault::kOther, std::strerror(ENOSYS)};  // no unnamed files here
}

bool CarryMetadata(int /*fd*/, const OldFile& /*old*/, const std::string& /*old_path*/) {
  return true;
}

// The new file keeps its name from now on, and is hidden only when the old
// one was. The attributes are best effort, as the mode is elsewhere.
Fault KeepNewFile(int fd, std::uint32_t attributes) {
  const HANDLE file = HandleOf(fd);
  FILE_BASIC_INFO basic{};
  const DWORD kept = attributes & kKeptAttributes;
  basic.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
  (void)SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
  return Done(DeleteOnClose(file, false));
}

int WriteThrough(int /*descriptor*/, Fault& fault) {
  fault = Fault{Fault::kOther, std::strerror(EBADF)};  // no name stands for one here
  return -1;
}

int OpenInPlace(const std::string& /*path*/, OldFile& old, Fault& fault) {
  const HANDLE file = static_cast<HANDLE>(old.held);
  old.held = nullptr;
  return DescriptorOf(file, fault);
}

Fault Truncate(int fd) {
  const HANDLE file = HandleOf(fd);
  return Done(SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) && SetEndOfFile(file));
}

Fault WriteAll(int fd, const char* data, std::size_t size) {
  const HANDLE file = HandleOf(fd);
  while (size > 0) {
    DWORD done = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(std::min(size, kLargestWrite)), &done, nullptr) ||
        done == 0) {
      return FaultOf(done == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT
                                                                  : GetLastError());
    }
    data += done;
    size -= done;
  }
  return {};
}

Fault Flush(int fd) {
  return Done(FlushFileBuffers(HandleOf(fd)));
}

// Windows writes a file's data out by itself, soon after it is written.
void StartWritingOut(int /*fd*/, std::uint64_t /*offset*/, std::uint64_t /*size*/) {}

// _close releases the descriptor and its handle even when it reports an error.
Fault Close(int fd) {
  return _close(fd) == 0 ? Fault{} : Fault{Fault::kOther, std::strerror(errno)};
}

// On disk before it returns.
Fault RenameOver(const std::string& from, const std::string& to) {
  return Done(MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

void SyncDirectoryOf(const std::string& /*path*/) {}  // MoveFileEx wrote it through

void Remove(const std::string& path) {
  DeleteFileW(Wide(path).c_str());
}

}  // namespace replacement
}  // namespace quillet
