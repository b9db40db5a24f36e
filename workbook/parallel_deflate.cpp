#include "workbook/parallel_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <thread>

namespace quillet {
namespace {

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
  summary_.crc =
      static_cast<std::uint32_t>(crc32(summary_.crc, reinterpret_cast<const Bytef*>(chunk_.data()),
                                       static_cast<uInt>(chunk_.size())));
  summary_.size += chunk_.size();
  if (pending_.size() == most_pending_) HandOnOldest();
  pending_.push_back(std::async(
      std::launch::async, [input = std::move(chunk_), last] { return DeflateChunk(input, last); }));
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

}  // namespace quillet
