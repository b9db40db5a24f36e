#include "files/text_reader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "files/platform.h"

namespace quillet {
namespace {

// The fuzz build picks a few bytes, so that short inputs cross many blocks.
#ifndef QUILLET_READ_BLOCK_SIZE
#define QUILLET_READ_BLOCK_SIZE (std::size_t{1} << 20)
#endif
constexpr std::size_t kBlockSize = QUILLET_READ_BLOCK_SIZE;

std::string SystemReason(int error) {
  return std::strerror(error);
}

}  // namespace

TextReader::TextReader(const std::string& path)
    : path_(path),
      buffer_(std::make_unique_for_overwrite<char[]>(kBlockSize)),
      capacity_(kBlockSize) {
  errno = 0;
  file_ = OpenForReading(path);
  if (file_ == nullptr) {
    throw FileError(kCannotOpenForReading, path, SystemReason(errno ? errno : ENOENT));
  }
  // Our own buffer is large; a second one inside stdio would only copy.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  pos_ = end_ = origin_ = buffer_.get();
  std::error_code unknown;
  regular_file_ = std::filesystem::is_regular_file(NativePath(path), unknown);
}

TextReader::TextReader(const std::string& path, std::string_view bytes)
    : path_(path),
      capacity_(0),
      pos_(bytes.data()),
      end_(bytes.data() + bytes.size()),
      origin_(bytes.data()) {}

TextReader::~TextReader() {
  Close();
}

void TextReader::Close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  pos_ = end_ = origin_ = buffer_.get();
  content_ahead_ = nullptr;
}

void TextReader::ThrowTooLong(const std::string& what) const {
  throw FileError(kCannotRead, path_,
                  what + " runs on for more than 1 GiB (" + std::to_string(kLongestLine) +
                      " bytes) without an end");
}

void TextReader::SeekTo(std::uint64_t offset) {
  if (file_ == nullptr || !regular_file_ || !SeekForReading(file_, offset)) {
    throw FileError(kCannotRead, path_, "cannot move to byte " + std::to_string(offset));
  }
  pos_ = end_ = origin_ = buffer_.get();
  origin_offset_ = offset;
  content_ahead_ = nullptr;
}

bool TextReader::Refill() {
  if (file_ == nullptr) return false;
  origin_offset_ += static_cast<std::uint64_t>(end_ - origin_);
  pos_ = end_ = origin_ = buffer_.get();
  content_ahead_ = nullptr;
  return ReadMore() > 0;
}

std::size_t TextReader::ReadMore() {
  const auto filled = static_cast<std::size_t>(end_ - buffer_.get());
  errno = 0;
  const std::size_t got = std::fread(buffer_.get() + filled, 1, capacity_ - filled, file_);
  if (got == 0 && std::ferror(file_)) {
    const int error = errno ? errno : EIO;
    throw FileError(kCannotRead, path_, SystemReason(error));
  }
  end_ += got;
  return got;
}

bool TextReader::ReadAhead() {
  if (file_ == nullptr) return false;
  const std::size_t kept = static_cast<std::size_t>(end_ - pos_);
  if (kept == capacity_) {
    // Only blank lines are kept here (see OnlyBlankLinesLeft): a file can
    // hold them all, a stream read once only so many.
    if (!regular_file_ && 2 * capacity_ > kMostBlankReadAhead) {
      throw FileError(kCannotRead, path_,
                      "more than 64 MiB of blank lines in a row, more than is kept of a stream "
                      "that cannot be read again");
    }
    origin_offset_ += static_cast<std::uint64_t>(pos_ - origin_);
    auto larger = std::make_unique_for_overwrite<char[]>(2 * capacity_);
    std::memcpy(larger.get(), pos_, kept);
    buffer_ = std::move(larger);
    capacity_ *= 2;
  } else {
    origin_offset_ += static_cast<std::uint64_t>(pos_ - origin_);
    if (kept > 0 && pos_ != buffer_.get()) std::memmove(buffer_.get(), pos_, kept);
  }
  pos_ = origin_ = buffer_.get();
  end_ = pos_ + kept;
  content_ahead_ = nullptr;
  return ReadMore() > 0;
}

bool TextReader::OnlyBlankLinesLeft() {
  if (content_ahead_ != nullptr && pos_ < content_ahead_) return false;
  std::size_t looked = 0;  // bytes after pos_ known to be blank
  for (;;) {
    for (const char* p = pos_ + looked; p < end_; ++p) {
      if (!IsLineBlank(static_cast<unsigned char>(*p))) {
        content_ahead_ = p;
        return false;
      }
    }
    looked = static_cast<std::size_t>(end_ - pos_);
    if (!ReadAhead()) return true;
  }
}

bool TextReader::AppendLine(std::string& out) {
  if (AtEndOfStream()) return false;
  const std::size_t start = out.size();
  bool last_byte_was_cr = false;  // of this line, possibly across blocks
  for (;;) {
    const auto* lf = static_cast<const char*>(std::memchr(pos_, '\n', end_ - pos_));
    const char* stop = lf != nullptr ? lf : end_;
    if (out.size() - start + static_cast<std::size_t>(stop - pos_) > kLongestLine) {
      ThrowTooLong("a line");
    }
    out.append(pos_, stop);
    if (stop > pos_) last_byte_was_cr = stop[-1] == '\r';
    pos_ = stop;
    if (lf != nullptr) {
      ++pos_;
      if (last_byte_was_cr && out.size() > start) out.pop_back();
      return true;
    }
    if (!Refill()) return true;
  }
}

bool TextReader::SkipLine() {
  if (AtEndOfStream()) return false;
  std::size_t skipped = 0;
  for (;;) {
    const auto* lf = static_cast<const char*>(std::memchr(pos_, '\n', end_ - pos_));
    if (lf != nullptr) {
      pos_ = lf + 1;
      return true;
    }
    skipped += static_cast<std::size_t>(end_ - pos_);
    if (skipped > kLongestLine) ThrowTooLong("a line");
    pos_ = end_;
    if (!Refill()) return true;
  }
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t most) {
  TextReader file(path);
  std::string bytes;
  // A block at a time, so that a stream far larger than `most` is not read
  // to its end.
  while (!file.AtEndOfStream()) {
    const std::size_t block = static_cast<std::size_t>(file.end_ - file.pos_);
    if (bytes.size() + block > most) return std::nullopt;
    bytes.append(file.pos_, block);
    file.pos_ = file.end_;
  }
  return bytes;
}

}  // namespace quillet
