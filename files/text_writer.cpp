#include "files/text_writer.h"

#include <cerrno>
#include <cstdio>

#include "files/errors.h"

namespace quillet {
namespace {

[[noreturn]] void ThrowWriteError(const std::string& path) {
  throw FileError(kCannotWrite, path, std::strerror(errno ? errno : EIO));
}

}  // namespace

TextWriter::TextWriter() : buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}

TextWriter::TextWriter(const std::string& path) : TextWriter() {
  file_ = std::make_unique<ReplacementFile>(path);
}

std::unique_ptr<TextWriter> TextWriter::ToStandardOutput() {
  return std::unique_ptr<TextWriter>(new TextWriter());
}

TextWriter::~TextWriter() = default;

void TextWriter::Emit(const char* data, std::size_t size) {
  if (file_) {
    file_->Write(data, size);
  } else {
    errno = 0;
    if (std::fwrite(data, 1, size, BinaryStandardOutput()) != size)
      ThrowWriteError(kStandardOutputName);
  }
}

void TextWriter::Flush() {
  if (used_ == 0) return;
  const std::size_t size = used_;
  used_ = 0;
  Emit(buffer_.get(), size);
}

void TextWriter::WriteLarge(std::string_view text) {
  Flush();
  if (text.size() < kBufferSize) {
    std::memcpy(buffer_.get(), text.data(), text.size());
    used_ = text.size();
  } else {
    Emit(text.data(), text.size());
  }
}

void TextWriter::Close() {
  if (closed_) return;
  Flush();
  if (file_) {
    file_->Commit();
  } else {
    errno = 0;
    if (std::fflush(BinaryStandardOutput()) != 0) ThrowWriteError(kStandardOutputName);
  }
  closed_ = true;
}

}  // namespace quillet
