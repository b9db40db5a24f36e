// The platform seam for Windows (the operations a file is replaced with are
// in replacement_win32.cpp). Paths are UTF-8 and reach the system through its
// wide-character API.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "files/ascii.h"
#include "files/platform.h"
#include "files/replacement_primitives.h"
#include "files/wide_text.h"

namespace quillet {
namespace {

// Others may go on reading, writing, renaming or deleting a file while it is
// open here, as they could before.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

std::string WriteDestination(const std::string& path) {
  return replacement::FollowLinks(path, nullptr);
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
    for (char& c : folded) c = AsciiLower(c);
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

bool SeekForReading(std::FILE* file, std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
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

}  // namespace quillet
