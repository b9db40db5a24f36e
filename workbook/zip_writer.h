// A zip archive written front to back, never seeking: each entry's deflated
// bytes are followed by a data descriptor with its checksum and sizes, and
// the central directory comes last. The output may thus be a pipe as well as
// a file, and an entry never has to be held whole. Entries, offsets and the
// directory that outgrow the classic format's 32-bit fields take its 64-bit
// extension (zip64), and only those: an entry whose size could reach 4 GiB
// has 64-bit sizes in its local header and data descriptor, and the central
// directory holds in 64-bit fields only the values that do not fit 32 bits
// (some spreadsheet programs refuse an archive with more).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/text_writer.h"
#include "workbook/parallel_deflate.h"

namespace quillet {

// The size from which an entry takes the 64-bit form: what a 32-bit field holds.
inline constexpr std::uint64_t kZip64From = 0xFFFFFFFF;

class ZipWriter {
 public:
  // Entries that could reach `zip64_from` bytes, compressed or not, take the
  // 64-bit form (kZip64From; the tests force the form with less).
  explicit ZipWriter(std::unique_ptr<TextWriter> out, std::uint64_t zip64_from = kZip64From);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Begins an entry named `name` (ASCII, "/" between folders), ending the one
  // before. `most_bytes`, the most it will hold, decides whether the entry
  // needs the 64-bit form: it has to be known before its first byte, since
  // nothing is written twice.
  void BeginEntry(std::string name, std::uint64_t most_bytes);

  // Whether an entry of at most `most_bytes` takes the 64-bit form.
  bool NeedsLargeForm(std::uint64_t most_bytes) const;

  void Write(std::string_view bytes) { deflate_.Write(bytes); }

  // Bytes of the open entry made on a helper thread (ParallelDeflate::WriteMade).
  void WriteMade(ParallelDeflate::Maker make) { deflate_.WriteMade(std::move(make)); }

  // Waits until no maker runs any more (ParallelDeflate::Settle).
  void Settle() noexcept { deflate_.Settle(); }

  // Adds an entry named `name` whose bytes were compressed beforehand
  // (DeflateWhole), ending the one before.
  void AddDeflated(std::string name, const DeflatedBytes& deflated);

  // Ends the last entry, writes the central directory and closes the output
  // (putting a file in place). Throws FileError.
  void Close();

 private:
  struct Entry {
    std::string name;
    std::uint64_t offset = 0;  // of its local header
    bool large = false;        // written in the 64-bit form
    std::uint64_t most_bytes = 0;
    DeflateSummary summary;
  };

  // Ends the open entry, its stream summed up by `summary`.
  void EndEntry(const DeflateSummary& summary);
  void EndEntry() { EndEntry(deflate_.Finish()); }
  void WriteCentralDirectory();
  void Emit(std::string_view bytes);

  std::unique_ptr<TextWriter> out_;
  std::uint64_t zip64_from_;
  ParallelDeflate deflate_;
  std::vector<Entry> entries_;
  bool entry_open_ = false;
  std::uint64_t written_ = 0;  // bytes of the archive so far
};

}  // namespace quillet
