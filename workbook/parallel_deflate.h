// One raw deflate stream, compressed on every core: the bytes are cut into
// chunks that are compressed independently and side by side, each but the
// last ended on a byte boundary without the final-block mark, so that the
// compressed chunks, put one after another in their order, form a single
// valid stream. A chunk cannot refer back into the one before it, which costs
// a little compression and gains a compression about as many times faster as
// there are cores. Where no thread can be started, the chunks are compressed
// on the calling thread, into the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <string>
#include <string_view>

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

  // Ends the stream and hands on what is still being compressed; the object
  // may then begin a new stream. Throws what a compression threw.
  DeflateSummary Finish();

 private:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 20;

  void WriteLarge(std::string_view bytes);
  void Submit(bool last);
  void HandOnOldest();

  std::function<void(std::string_view)> sink_;
  std::string chunk_;
  std::deque<std::future<std::string>> pending_;
  std::size_t most_pending_;
  bool helpers_start_ = true;  // false once a helper thread could not start
  DeflateSummary summary_;
};

// `bytes` as one raw deflate stream, compressed as ParallelDeflate does.
DeflatedBytes DeflateWhole(std::string_view bytes);

}  // namespace quillet
