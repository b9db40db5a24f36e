// A forward-only byte stream over one file, read in large blocks, or over
// bytes already in memory.
//
// Lines end at LF; one CR just before the LF is dropped, a lone CR is kept as
// an ordinary byte. Bytes pass through unchanged: no encoding conversion, no
// byte-order mark handling, NUL and high bytes included. The stream may be a
// pipe: nothing relies on seeking.
//
// Memory stays bounded however the bytes are shaped: a line (or a field that
// a caller scans for) longer than kLongestLine, and blank lines read ahead of
// a stream that is not a regular file beyond kMostBlankReadAhead, end the
// read with a FileError that says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "files/errors.h"  // FileError

namespace quillet {

// What blank lines are made of: blanks, CR and LF.
inline bool IsLineBlank(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The longest line (or scanned field) a stream may hold: 1 GiB.
inline constexpr std::size_t kLongestLine = std::size_t{1} << 30;
// The most blank lines (in bytes) read ahead of a stream that cannot be read
// again, looking for content after them: 64 MiB.
inline constexpr std::size_t kMostBlankReadAhead = std::size_t{64} << 20;

class TextReader {
 public:
  // Opens an existing file for reading from its first byte. Throws FileError.
  explicit TextReader(const std::string& path);
  // Reads `bytes`, which must outlive the stream; `path` names them in errors.
  TextReader(const std::string& path, std::string_view bytes);
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // What Peek() gives at the end of the stream.
  static constexpr int kEnd = -1;

  // True once no byte is left to read.
  bool AtEndOfStream() {
    if (pos_ < end_) return false;
    return !Refill();
  }

  // The next byte (0..255) without consuming it, or kEnd.
  int Peek() {
    if (pos_ == end_ && !Refill()) return kEnd;
    return static_cast<unsigned char>(*pos_);
  }

  // The next byte (0..255), CR and LF included, or kEnd once none is left.
  int Read() {
    if (pos_ == end_ && !Refill()) return kEnd;
    return static_cast<unsigned char>(*pos_++);
  }

  // The bytes up to the next LF into `line`, without a CR just before it;
  // the stream then stands after the LF. At the end without LF: the rest of
  // the file. False, with `line` empty, when nothing is left.
  bool ReadLine(std::string& line) {
    line.clear();
    return AppendLine(line);
  }

  // As ReadLine, but appends the line to `out` (reusing its capacity). A CR
  // already in `out` is never dropped: only one read as part of this line is.
  bool AppendLine(std::string& out);

  // Skips what ReadLine would read, without copying it; false at the end.
  bool SkipLine();

  // True when nothing but blank lines is left: every byte still to read is a
  // space, tab, CR or LF (or none is left). Consumes nothing; it reads ahead
  // as far as it must, keeping what it read for the reads that follow.
  bool OnlyBlankLinesLeft();

  // The unread bytes that the buffer already holds (nothing more is read for
  // them): a caller may scan them in place, then Consume what it took.
  std::string_view Buffered() const { return {pos_, static_cast<std::size_t>(end_ - pos_)}; }
  // Takes the first `count` bytes of Buffered() as read.
  void Consume(std::size_t count) { pos_ += count; }

  // Reads more after the unread bytes, which stay in Buffered() (the buffer
  // grows when they fill it); false, with nothing read, at the end.
  bool BufferMore() { return ReadAhead(); }

  // How many bytes of the stream were read past: where the next read starts.
  std::uint64_t Position() const {
    return origin_offset_ + static_cast<std::uint64_t>(pos_ - origin_);
  }
  // Moves a stream over a regular file to `offset`, dropping what the
  // buffer holds. Throws FileError where the file cannot seek.
  void SeekTo(std::uint64_t offset);

  // Releases the file. Further reads see the end of the stream.
  void Close();

  // Throws the FileError of `what` ("a line", "an iteration number") running
  // on for more than kLongestLine bytes.
  [[noreturn]] void ThrowTooLong(const std::string& what) const;

  const std::string& path() const { return path_; }

 private:
  friend std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t most);

  // Loads the next block; false at the end of the file. Throws FileError.
  bool Refill();
  // Reads more after the unread bytes, which it keeps (moving them to the
  // front, or growing the buffer when they fill it). False at the end.
  bool ReadAhead();
  // Reads into [end_, buffer end); the number of bytes read. Throws FileError.
  std::size_t ReadMore();

  std::string path_;
  std::FILE* file_ = nullptr;
  bool regular_file_ = false;  // can be read again: blank lines ahead are not limited
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
  // Where the stream's byte at origin_ (the buffer's first, or the first of
  // the bytes in memory) stands in the file.
  const char* origin_ = nullptr;
  std::uint64_t origin_offset_ = 0;
  // A byte ahead that is not blank, found by OnlyBlankLinesLeft(): until the
  // stream passes it the answer stays false without another look. Null when
  // unknown; the buffer's moves reset it.
  const char* content_ahead_ = nullptr;
};

// The whole of the file at `path`, read once from its first byte (a pipe
// too); nullopt when it holds more than `most` bytes. Throws FileError.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t most);

}  // namespace quillet
