#include "workbook/parallel_deflate.h"

#ifdef QUILLET_HAVE_ISAL
#include <isa-l.h>
#else
#include <zlib.h>
#endif

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace quillet {
namespace {

#ifdef QUILLET_HAVE_ISAL
// The fastest level of the Intel storage library's deflate, several times
// faster than zlib's fastest on the worksheets' XML for a few percent more
// bytes; where it is not built (Windows), zlib's fastest below.
std::string DeflateChunk(const std::string& input, bool last) {
  isal_zstream stream;
  isal_deflate_init(&stream);
  std::unique_ptr<std::uint8_t[]> level_buffer(new std::uint8_t[ISAL_DEF_LVL1_DEFAULT]);
  stream.level = 1;
  stream.level_buf = level_buffer.get();
  stream.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
  stream.flush = SYNC_FLUSH;
  stream.end_of_stream = last ? 1 : 0;
  // Room for the worst case: stored blocks, each with its header, and the
  // empty stored block of the flush.
  std::string output(input.size() + input.size() / 1024 * 8 + 1024, '\0');
  stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input.data()));
  stream.avail_in = static_cast<std::uint32_t>(input.size());
  stream.next_out = reinterpret_cast<std::uint8_t*>(output.data());
  stream.avail_out = static_cast<std::uint32_t>(output.size());
  const int result = isal_deflate(&stream);
  const bool complete = result == COMP_OK && stream.avail_in == 0 &&
                        (!last || stream.internal_state.state == ZSTATE_END);
  if (!complete) throw std::runtime_error("Compression failed");
  output.resize(stream.total_out);
  return output;
}

std::uint32_t Crc32(std::uint32_t crc, const std::string& bytes) {
  return crc32_gzip_refl(crc, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}
#else
// The fastest level: its output is within a fifth of the best level's on
// tables of numbers, at a third of the time.
constexpr int kLevel = 1;
constexpr int kRawWindowBits = -15;  // a bare deflate stream: the container holds the rest
constexpr int kMemoryLevel = 8;

// Compresses one chunk on its own; `last` ends the whole stream.
std::string DeflateChunk(const std::string& input, bool last) {
  z_stream z{};
  if (deflateInit2(&z, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::bad_alloc();
  }
  // Room for the worst case, plus the empty stored block of a flush.
  std::string output(deflateBound(&z, static_cast<uLong>(input.size())) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = reinterpret_cast<Bytef*>(output.data());
  z.avail_out = static_cast<uInt>(output.size());
  const int result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
  const bool complete = last ? result == Z_STREAM_END : result == Z_OK && z.avail_in == 0;
  output.resize(z.total_out);
  deflateEnd(&z);
  if (!complete) throw std::runtime_error("Compression failed");
  return output;
}

std::uint32_t Crc32(std::uint32_t crc, const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}
#endif

}  // namespace

ParallelDeflate::ParallelDeflate(std::function<void(std::string_view)> sink)
    : sink_(std::move(sink)),
      // Enough chunks in flight to keep every core busy while the oldest is
      // handed on, few enough to keep memory small.
      most_pending_(std::max(2u, std::thread::hardware_concurrency()) + 1) {
  chunk_.reserve(kChunkSize);
}

// A future of std::async waits for its compression when it is destroyed, so
// no thread outlives the stream.
ParallelDeflate::~ParallelDeflate() = default;

void ParallelDeflate::WriteLarge(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t part = std::min(bytes.size(), kChunkSize - chunk_.size());
    chunk_.append(bytes.substr(0, part));
    bytes.remove_prefix(part);
    if (chunk_.size() == kChunkSize) Submit(false);
  }
}

void ParallelDeflate::Submit(bool last) {
  summary_.crc = Crc32(summary_.crc, chunk_);
  summary_.size += chunk_.size();
  if (pending_.size() == most_pending_) HandOnOldest();
  auto input = std::make_shared<const std::string>(std::move(chunk_));
  const auto compress = [input, last] { return DeflateChunk(*input, last); };
  if (helpers_start_) {
    try {
      pending_.push_back(std::async(std::launch::async, compress));
    } catch (const std::system_error&) {
      // No thread can be started (a limit of processes, of memory for a
      // stack): from now on every chunk is compressed on this thread.
      helpers_start_ = false;
    }
  }
  if (!helpers_start_) pending_.push_back(std::async(std::launch::deferred, compress));
  chunk_ = std::string();
  chunk_.reserve(kChunkSize);
}

void ParallelDeflate::HandOnOldest() {
  std::future<std::string> oldest = std::move(pending_.front());
  pending_.pop_front();
  const std::string compressed = oldest.get();
  summary_.compressed_size += compressed.size();
  sink_(compressed);
}

DeflateSummary ParallelDeflate::Finish() {
  Submit(true);
  while (!pending_.empty()) HandOnOldest();
  const DeflateSummary summary = summary_;
  summary_ = {};
  return summary;
}

DeflatedBytes DeflateWhole(std::string_view bytes) {
  DeflatedBytes deflated;
  ParallelDeflate deflate([&](std::string_view compressed) { deflated.bytes.append(compressed); });
  deflate.Write(bytes);
  deflated.summary = deflate.Finish();
  return deflated;
}

}  // namespace quillet
