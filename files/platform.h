// Everything that differs between operating systems in file access, and
// nothing more: the questions asked of the file system, opening and safely
// replacing files, and the machine's drives. Exactly one
// implementation is built: platform_posix.cpp (Linux and other POSIX
// systems) or platform_win32.cpp (Windows). Paths are bytes everywhere; on
// Windows they are UTF-8 and reach the system through its wide-character API.
#pragma once

#include <cstddef>
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
// holds the bytes (ReplacementFile writes there, keeping the links). On POSIX
// a link to no file yet gives the missing name, which the write creates; on
// Windows such a link is refused. Throws FileError for a link that cannot be
// followed (a loop).
std::string WriteDestination(const std::string& path);

// A new version of a file. Where it can, it is written beside the target
// and put in place only by Commit(): until then the target keeps its earlier
// content, and a replacement that is dropped or fails, or a process ended by
// a signal while writing, leaves no new file behind. Where a new file could
// not be all that the old one was, the target is written in place, as a
// plain open and write would do: its old bytes stay until the first Write,
// which empties it, so a failure after that leaves part of the new content.
class ReplacementFile {
 public:
  // Decides, once, how the target is written.
  // Through the descriptor already open: "/dev/stdout", "/dev/stderr",
  // "/dev/fd/N" and "/proc/self/fd/N" (POSIX), or a link to one, are written
  // from where that descriptor stands, as standard output is, so that a
  // shell's redirection (> file, >> file, >(command)) keeps what it holds.
  // In place: a device or named pipe; a file with more than one hard link; a
  // file whose owner or group (POSIX), access list or extended attributes
  // the new file cannot be given; a file in a directory where the new file
  // may not be made for want of permission.
  // Replaced by rename otherwise, keeping the owner, group, access list,
  // extended attributes and (as far as the file system allows) the mode; on
  // Windows the file attributes. On Linux the new file has no name until it
  // is complete; on Windows it is hidden and deleted when its handle closes
  // until it is complete, so Ctrl-C or a closed console leaves nothing;
  // elsewhere its hidden name is removed on SIGINT, SIGTERM, SIGHUP and
  // SIGPIPE before the signal takes its course. A symbolic link is
  // followed, so the link stays, and a missing file it names is created (on
  // Windows such a link is refused). SIGXFSZ is ignored from the first
  // replacement on, so that a file-size limit fails the Write like a full
  // disk instead of killing the process.
  // Refuses (FileError) a target that is a directory, an existing file that
  // cannot be written (read-only, on a read-only file system, or on Windows
  // open elsewhere without sharing), a new file in a directory that cannot
  // take one, a descriptor not open for writing, a loop of links, and any
  // other failure to make the new file (no space, no free inode, a quota, a
  // name too long): the target is then untouched.
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();  // Discards an uncommitted replacement.
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Throws FileError when the bytes cannot be written (a full disk, say).
  void Write(const char* data, std::size_t size);

  // Flushes the bytes to disk and puts the file in place. Throws FileError,
  // after discarding, on failure.
  void Commit();

  const std::string& target() const { return target_; }

  // True while an existing file written in place still holds its old bytes:
  // the first Write will empty it.
  bool overwritesInPlace() const { return empty_first_; }

 private:
  void Discard() noexcept;
  bool CreateNew();                   // the new file beside real_path_; false with errno set
  void WriteThrough(int descriptor);  // an open descriptor's file (POSIX)
  void NameNewFile();                 // gives an unnamed new file its hidden name (POSIX)

  std::string target_;        // the path as given, for messages
  std::string real_path_;     // where the file lands (a link's destination)
  std::string temp_path_;     // the new file beside it; empty when written in place
  int fd_ = -1;               // a C runtime descriptor; on Windows over the system's handle
  bool regular_file_ = true;  // false for a device, pipe or descriptor: nothing to flush to disk
  bool empty_first_ = false;  // in place, old bytes still there: emptied by the first Write
  bool unnamed_ = false;      // the new file has no name yet (Linux)
  int removal_slot_ = -1;     // the hidden name's place among those removed on a signal
#ifdef _WIN32
  unsigned long final_attributes_ = 0;  // the new file's attributes once in place
#endif
};

// The root directories of the machine's drives: "C:\", "D:\", ... on
// Windows, "/" elsewhere.
std::vector<std::string> DriveRoots();

}  // namespace quillet
