#include "workbook/zip_writer.h"

#include <stdexcept>

namespace quillet {
namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kDataDescriptor = 0x08074b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kEndOfDirectory64 = 0x06064b50;
constexpr std::uint32_t kEndLocator64 = 0x07064b50;
constexpr std::uint16_t kZip64Extra = 0x0001;

constexpr std::uint16_t kVersionClassic = 20;  // deflate, data descriptors
constexpr std::uint16_t kVersionZip64 = 45;
constexpr std::uint16_t kFlagDataDescriptor = 1 << 3;
constexpr std::uint16_t kMethodDeflate = 8;
// 1 January 1980, 00:00, the earliest time the format can say: the archive
// depends on nothing but its content.
constexpr std::uint16_t kDosTime = 0;
constexpr std::uint16_t kDosDate = (1 << 5) | 1;

constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
constexpr std::uint16_t kMax16 = 0xFFFF;

// Little-endian fields, appended to a record.
class Record {
 public:
  Record& U16(std::uint64_t value) { return Bytes(value, 2); }
  Record& U32(std::uint64_t value) { return Bytes(value, 4); }
  Record& U64(std::uint64_t value) { return Bytes(value, 8); }
  Record& Text(std::string_view text) {
    bytes_.append(text);
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  Record& Bytes(std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return *this;
  }
  std::string bytes_;
};

// The most a deflate stream of `size` bytes can grow to: stored blocks of at
// most 64 KiB with five bytes of header each, plus every chunk's flush.
std::uint64_t MostCompressedBytes(std::uint64_t size) {
  return size + (size / 16384 + 1) * 5 + (size / (1 << 20) + 1) * 16 + 64;
}

// A value for a 32-bit field: itself, or the mark that the 64-bit extra field
// holds it.
std::uint64_t Field32(std::uint64_t value, bool in_extra) {
  return in_extra ? kMax32 : value;
}

}  // namespace

ZipWriter::ZipWriter(std::unique_ptr<TextWriter> out, std::uint64_t zip64_from)
    : out_(std::move(out)),
      zip64_from_(zip64_from),
      deflate_([this](std::string_view bytes) { Emit(bytes); }) {}

bool ZipWriter::NeedsLargeForm(std::uint64_t most_bytes) const {
  return MostCompressedBytes(most_bytes) >= zip64_from_;
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::Emit(std::string_view bytes) {
  out_->Write(bytes);
  written_ += bytes.size();
}

void ZipWriter::BeginEntry(std::string name, std::uint64_t most_bytes) {
  if (entry_open_) EndEntry();
  Entry entry;
  entry.name = std::move(name);
  entry.offset = written_;
  entry.most_bytes = most_bytes;
  entry.large = NeedsLargeForm(most_bytes);
  Record header;
  header.U32(kLocalHeader)
      .U16(entry.large ? kVersionZip64 : kVersionClassic)
      .U16(kFlagDataDescriptor)
      .U16(kMethodDeflate)
      .U16(kDosTime)
      .U16(kDosDate)
      .U32(0)  // checksum and sizes: in the data descriptor
      .U32(Field32(0, entry.large))
      .U32(Field32(0, entry.large))
      .U16(entry.name.size())
      .U16(entry.large ? 20 : 0)
      .Text(entry.name);
  // The 64-bit form announces itself with sizes of 0 here; the real ones follow.
  if (entry.large) header.U16(kZip64Extra).U16(16).U64(0).U64(0);
  Emit(header.bytes());
  entries_.push_back(std::move(entry));
  entry_open_ = true;
}

void ZipWriter::AddDeflated(std::string name, const DeflatedBytes& deflated) {
  BeginEntry(std::move(name), deflated.summary.size);
  Emit(deflated.bytes);
  EndEntry(deflated.summary);
}

void ZipWriter::EndEntry(const DeflateSummary& summary) {
  Entry& entry = entries_.back();
  entry.summary = summary;
  entry_open_ = false;
  // Within its announced size, an entry of the classic form fits its fields.
  if (entry.summary.size > entry.most_bytes) {
    throw std::logic_error("zip entry " + entry.name + " grew past the size it was begun for");
  }
  Record descriptor;
  descriptor.U32(kDataDescriptor).U32(entry.summary.crc);
  if (entry.large) {
    descriptor.U64(entry.summary.compressed_size).U64(entry.summary.size);
  } else {
    descriptor.U32(entry.summary.compressed_size).U32(entry.summary.size);
  }
  Emit(descriptor.bytes());
}

void ZipWriter::WriteCentralDirectory() {
  const std::uint64_t start = written_;
  for (const Entry& entry : entries_) {
    // Each value in the 64-bit extra field only when it does not fit its own.
    const bool size_in_extra = entry.summary.size >= kMax32;
    const bool compressed_in_extra = entry.summary.compressed_size >= kMax32;
    const bool offset_in_extra = entry.offset >= kMax32;
    Record extra;
    if (size_in_extra) extra.U64(entry.summary.size);
    if (compressed_in_extra) extra.U64(entry.summary.compressed_size);
    if (offset_in_extra) extra.U64(entry.offset);
    const bool any_extra = !extra.bytes().empty();
    const std::uint16_t version = any_extra || entry.large ? kVersionZip64 : kVersionClassic;
    Record header;
    header.U32(kCentralHeader)
        .U16(version)  // made by: MS-DOS attributes
        .U16(version)
        .U16(kFlagDataDescriptor)
        .U16(kMethodDeflate)
        .U16(kDosTime)
        .U16(kDosDate)
        .U32(entry.summary.crc)
        .U32(Field32(entry.summary.compressed_size, compressed_in_extra))
        .U32(Field32(entry.summary.size, size_in_extra))
        .U16(entry.name.size())
        .U16(any_extra ? 4 + extra.bytes().size() : 0)
        .U16(0)  // comment
        .U16(0)  // disk
        .U16(0)  // internal attributes
        .U32(0)  // external attributes
        .U32(Field32(entry.offset, offset_in_extra))
        .Text(entry.name);
    if (any_extra) header.U16(kZip64Extra).U16(extra.bytes().size()).Text(extra.bytes());
    Emit(header.bytes());
  }
  const std::uint64_t size = written_ - start;
  const std::uint64_t count = entries_.size();
  const bool large = start >= kMax32 || size >= kMax32 || count >= kMax16;
  if (large) {
    const std::uint64_t end64 = written_;
    Record record;
    record.U32(kEndOfDirectory64)
        .U64(44)  // the size of what follows
        .U16(kVersionZip64)
        .U16(kVersionZip64)
        .U32(0)  // this disk
        .U32(0)  // the directory's disk
        .U64(count)
        .U64(count)
        .U64(size)
        .U64(start)
        .U32(kEndLocator64)
        .U32(0)
        .U64(end64)
        .U32(1);  // disks
    Emit(record.bytes());
  }
  Record end;
  end.U32(kEndOfDirectory)
      .U16(0)
      .U16(0)
      .U16(large ? kMax16 : count)
      .U16(large ? kMax16 : count)
      .U32(large ? kMax32 : size)
      .U32(large ? kMax32 : start)
      .U16(0);  // comment
  Emit(end.bytes());
}

void ZipWriter::Close() {
  if (entry_open_) EndEntry();
  WriteCentralDirectory();
  out_->Close();
}

}  // namespace quillet
