// Everything that differs between operating systems in file access, and
// nothing more: the questions asked of the file system, opening files, and
// the machine's drives (the operations that replace a file safely are in
// replacement_primitives.h). Exactly one implementation is built:
// platform_posix.cpp (Linux and other POSIX systems) or platform_win32.cpp
// (Windows). Paths are bytes everywhere; on
// Windows they are UTF-8 and reach the system through its wide-character API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quillet {

// The directory separator in the paths the program forms. Where paths are
// read, "\" and "/" both separate directories.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
inline constexpr bool kFileNamesIgnoreCase = true;
#else
inline constexpr char kNativeSeparator = '/';
inline constexpr bool kFileNamesIgnoreCase = false;
#endif

// True when a file (not a directory) of that name exists. A name without a
// directory is looked for in the current directory.
bool FileExists(const std::string& path);

// True when the file at `path` could be opened for reading now; found
// without opening it where the system can tell (a named pipe is not
// disturbed).
bool FileIsReadable(const std::string& path);

// Opens an existing file for reading its bytes from the first; null, with
// errno set, when it cannot be opened.
std::FILE* OpenForReading(const std::string& path);

// Moves a file opened for reading to byte `offset` from its start, past
// 2 GiB too; false when the file cannot seek (a pipe).
bool SeekForReading(std::FILE* file, std::uint64_t offset);

// The process's standard output, set to pass bytes unchanged (no CR added
// before a LF).
std::FILE* BinaryStandardOutput();

// A path as the standard library's file system takes it, and back to bytes.
// On Windows the bytes are UTF-8 (a name that no UTF-8 text can spell, with
// an unpaired UTF-16 surrogate, keeps it in the three-byte form UTF-8 would
// give it, so that it still round-trips).
std::filesystem::path NativePath(const std::string& path);
std::string PathText(const std::filesystem::path& path);

// Text in the code page of the system's older programs (Windows' ANSI code
// page) as UTF-8. Elsewhere, where names are bytes whatever wrote them,
// unchanged.
std::string Utf8FromSystemCodePage(const std::string& text);

// The words of the command line, the program's name first, where the system
// keeps it apart from argv: on Windows the wide-character command line as
// UTF-8 (argv there holds the words in the ANSI code page, which cannot spell
// every file name). None elsewhere, and where it cannot be had.
std::optional<std::vector<std::string>> SystemCommandLine();

// True when standard error is a terminal (on Windows: a console).
bool StandardErrorIsTerminal();

// True when standard output is a terminal (on Windows: a console).
bool StandardOutputIsTerminal();

// Which file an existing path leads to (its links followed): the same pair
// for every name of one file, hard links included, as the system numbers it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};
// Empty when no file of that name can be reached.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Whether the file system holding `directory` may take two names that differ
// only in letter case for one file: true where it does (a folder marked so,
// FAT and exFAT, Windows), and wherever that cannot be told for certain (a
// network or FUSE mount, a file system not known to keep case apart, a
// directory that cannot be asked). Refusing a rare pair of names that were
// two files costs less than writing one file over the other.
bool NamesMayIgnoreCase(const std::string& directory);

// `text` with its letters in one case, as such a file system compares names:
// ASCII letters always, and the letters of valid UTF-8 where the system's
// character tables know them. Other bytes pass unchanged.
std::string FoldedCase(const std::string& text);

// Where a write to `path` lands: its symbolic links followed to the file that
// holds the bytes (ReplacementFile writes there, keeping the links). On
// POSIX a link to no file yet gives the missing name, which the write
// creates; on Windows such a link is refused. Throws FileError for a link that cannot be
// followed (a loop).
std::string WriteDestination(const std::string& path);

// The root directories of the machine's drives: "C:\", "D:\", ... on
// Windows, "/" elsewhere.
std::vector<std::string> DriveRoots();

}  // namespace quillet
