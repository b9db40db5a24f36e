// One raw deflate stream, compressed on every core: the bytes are cut into
// pieces that are compressed independently and side by side, each but the
// last ended on a byte boundary without the final-block mark, so that the
// compressed pieces, put one after another in their order, form a single
// valid stream. A piece cannot refer back into the one before it, which costs
// a little compression and gains a compression about as many times faster as
// there are cores. A piece is either bytes written here, cut into chunks, or
// bytes that a helper thread makes itself before it compresses them, so that
// making them is shared among the cores too; a maker that knows where its
// bytes repeat themselves says so, and spares the compression the search for
// them (HintedDeflater). Where no thread can be started,
// the pieces are made and compressed on the calling thread, into the same
// bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/hinted_deflate.h"

namespace quillet {

// What the stream's consumer needs to describe it: the checksum (CRC-32) and
// size of the bytes given, and the size of what they became.
struct DeflateSummary {
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  std::uint64_t compressed_size = 0;
};

// A whole stream compressed beforehand: its bytes and their summary.
struct DeflatedBytes {
  std::string bytes;
  DeflateSummary summary;
};

// The CRC-32 of two byte strings one after the other, from the CRC-32 of each
// and the size of the second.
std::uint32_t CombineCrc32(std::uint32_t first, std::uint32_t second, std::uint64_t second_size);

class ParallelDeflate {
 public:
  // The compressed bytes go to `sink`, in order, on the calling thread.
  explicit ParallelDeflate(std::function<void(std::string_view)> sink);
  ~ParallelDeflate();
  ParallelDeflate(const ParallelDeflate&) = delete;
  ParallelDeflate& operator=(const ParallelDeflate&) = delete;

  void Write(std::string_view bytes) {
    if (bytes.size() <= kChunkSize - chunk_.size()) {
      chunk_.append(bytes);
    } else {
      WriteLarge(bytes);
    }
  }

  // What a maker makes: bytes, and where it knows them to repeat earlier
  // ones of the same bytes (none: they are compressed as any bytes are).
  struct Made {
    std::string bytes;
    std::vector<RepeatHint> hints;
  };
  // Where a maker may hand on what it has made so far (which it then
  // empties itself), so that its bytes are never all held at once. A part
  // with hints is compressed on its own; one without goes on from the parts
  // without hints just before it.
  using Spill = std::function<void(const Made&)>;
  // Appends its bytes (and their hints) to what it is given, on a helper
  // thread.
  using Maker = std::function<void(Made& made, const Spill& spill)>;

  // The bytes `make` makes follow in the stream what was written before. What
  // `make` uses must last until Settle() or Finish() returned.
  void WriteMade(Maker make);

  // Waits until every piece given so far is made and compressed, handing
  // nothing on and throwing nothing: after it, no maker runs any more.
  void Settle() noexcept;

  // Ends the stream and hands on what is still being compressed; the object
  // may then begin a new stream. Throws what a maker or a compression threw.
  DeflateSummary Finish();

  // Compressed bytes with the checksum and size of what they were made of.
  struct Piece {
    std::string bytes;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
  };

 private:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 20;
  struct Job;
  class Helpers;

  void WriteLarge(std::string_view bytes);
  void SubmitChunk(bool last);
  void Submit(Job job);
  void HandOnOldest();
  void HandOn(Piece& piece);

  std::function<void(std::string_view)> sink_;
  std::string chunk_;
  std::unique_ptr<Helpers> helpers_;
  std::deque<std::future<Piece>> pending_;
  DeflateSummary summary_;
};

// `bytes` as one raw deflate stream, compressed as ParallelDeflate does.
DeflatedBytes DeflateWhole(std::string_view bytes);

}  // namespace quillet
