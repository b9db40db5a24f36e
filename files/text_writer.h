// A buffered byte stream that writes a text file anew.
//
// A file target is replaced safely where it can be (see ReplacementFile): the
// bytes go to a file beside it, which takes the target's place only when
// Close() succeeds, and a writer destroyed without Close() (an error on the
// way) leaves the target as it was. A target written in place keeps its old
// bytes only until the first buffer full goes out.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "files/byte_copy.h"
#include "files/platform.h"
#include "files/replacement_file.h"

// The fuzz build picks a few bytes, so that short outputs flush often.
#ifndef QUILLET_WRITE_BUFFER_SIZE
#define QUILLET_WRITE_BUFFER_SIZE (std::size_t{1} << 20)
#endif

namespace quillet {

// How messages name the standard output when it is the target.
inline constexpr const char* kStandardOutputName = "(standard output)";

class TextWriter {
 public:
  // Creates (or will replace) the file at `path`. Throws FileError.
  explicit TextWriter(const std::string& path);
  // A writer whose bytes go to the process's standard output.
  static std::unique_ptr<TextWriter> ToStandardOutput();
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // The bytes of `text`, nothing added.
  void Write(std::string_view text) {
    if (text.size() <= static_cast<std::size_t>(kBufferSize - used_)) {
      // An empty cell's view may hold no pointer at all: CopyBytes does not use it.
      CopyBytes(buffer_.get() + used_, text.data(), text.size());
      used_ += text.size();
    } else {
      WriteLarge(text);
    }
  }

  // The bytes of `text`, then `end`: a cell and the tab after it in one step.
  void Write(std::string_view text, char end) {
    if (text.size() < static_cast<std::size_t>(kBufferSize - used_)) {
      CopyBytes(buffer_.get() + used_, text.data(), text.size());
      buffer_[used_ + text.size()] = end;
      used_ += text.size() + 1;
    } else {
      Write(text);
      Write(end);
    }
  }

  // The bytes of `text` straight to the target after those buffered, not
  // copied: for a long run that the caller made in a buffer of its own.
  void WriteUnbuffered(std::string_view text) {
    Flush();
    if (!text.empty()) Emit(text.data(), text.size());
  }

  void Write(char byte) {
    if (used_ == kBufferSize) Flush();
    buffer_[used_++] = byte;
  }

  // The bytes of `text`, then CR LF.
  void WriteLine(std::string_view text = {}) {
    Write(text);
    Write(std::string_view("\r\n"));
  }

  // Writes out everything and puts the file in place. Throws FileError.
  void Close();

  // True when the target is an existing file written in place, nothing
  // written to it yet (see ReplacementFile).
  bool OverwritesInPlace() const { return file_ && file_->overwritesInPlace(); }

 private:
  static constexpr std::size_t kBufferSize = QUILLET_WRITE_BUFFER_SIZE;

  TextWriter();
  void Emit(const char* data, std::size_t size);
  void Flush();
  void WriteLarge(std::string_view text);

  std::unique_ptr<ReplacementFile> file_;  // null for standard output
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  bool closed_ = false;
};

}  // namespace quillet
