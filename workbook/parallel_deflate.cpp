#include "workbook/parallel_deflate.h"

#ifdef QUILLET_HAVE_ISAL
#include <isa-l.h>
#else
#include <zlib.h>
#endif

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/try_thread.h"

namespace quillet {
namespace {

// The largest part of a piece given to the compressor at once: its sizes are
// 32-bit.
constexpr std::size_t kMostAtOnce = std::size_t{1} << 20;

// Memory a compressor writes into before its bytes are appended where they
// go: kept from one call to the next and never cleared, since the room for
// the worst case is several times what compression gives.
class OutputRoom {
 public:
  char* Get(std::size_t size) {
    if (size > size_) {
      bytes_.reset(new char[size]);
      size_ = size;
    }
    return bytes_.get();
  }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
};

#ifdef QUILLET_HAVE_ISAL
// The fastest level of the Intel storage library's deflate, several times
// faster than zlib's fastest on the worksheets' XML for a few percent more
// bytes; where it is not built (Windows), zlib's fastest below.
class Deflater {
 public:
  Deflater() : level_buffer_(new std::uint8_t[ISAL_DEF_LVL1_DEFAULT]) {}

  // Begins a piece of its own, referring to nothing before it. Its bytes
  // depend only on what it compresses: the matches the library finds depend
  // on what its state and buffer hold before, so both start out cleared.
  void Begin() {
    stream_ = isal_zstream{};
    std::memset(level_buffer_.get(), 0, ISAL_DEF_LVL1_DEFAULT);
    isal_deflate_init(&stream_);
    stream_.level = 1;
    stream_.level_buf = level_buffer_.get();
    stream_.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
  }

  // Compresses `bytes` (at most kMostAtOnce) onto `out`, up to a byte
  // boundary; `last` ends the whole stream.
  void Add(std::string_view bytes, bool last, std::string& out) {
    // The library reads a little past the end of what it is given, and what
    // stands there sways the matches it finds: the last bytes are given from
    // a copy followed by zeros, so that the compressed bytes depend on
    // nothing but the bytes given.
    const std::size_t head = bytes.size() - std::min(bytes.size(), kTail);
    std::array<char, kTail + kPastTheEnd> tail{};
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(head), bytes.end(), tail.begin());
    // Room for the worst case: stored blocks, each with its header, and the
    // empty stored block of the flush.
    const std::size_t room = bytes.size() + bytes.size() / 1024 * 8 + 1024;
    char* const into = room_.Get(room);
    stream_.next_out = reinterpret_cast<std::uint8_t*>(into);
    stream_.avail_out = static_cast<std::uint32_t>(room);
    bool complete = true;
    if (head > 0) {
      stream_.flush = NO_FLUSH;
      stream_.end_of_stream = 0;
      complete = Deflate(bytes.data(), head);
    }
    stream_.flush = SYNC_FLUSH;
    stream_.end_of_stream = last ? 1 : 0;
    complete = complete && Deflate(tail.data(), bytes.size() - head) &&
               (!last || stream_.internal_state.state == ZSTATE_END);
    if (!complete) throw std::runtime_error("Compression failed");
    out.append(into, room - stream_.avail_out);
  }

 private:
  static constexpr std::size_t kTail = 64;
  static constexpr std::size_t kPastTheEnd = 256;

  // Compresses `size` bytes from `bytes` into the output left; false when
  // they are not all taken.
  bool Deflate(const char* bytes, std::size_t size) {
    stream_.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(bytes));
    stream_.avail_in = static_cast<std::uint32_t>(size);
    return isal_deflate(&stream_) == COMP_OK && stream_.avail_in == 0;
  }

  isal_zstream stream_;
  std::unique_ptr<std::uint8_t[]> level_buffer_;
  OutputRoom room_;
};

std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes) {
  return crc32_gzip_refl(crc, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}
#else
// The fastest level: its output is within a fifth of the best level's on
// tables of numbers, at a third of the time.
constexpr int kLevel = 1;
constexpr int kRawWindowBits = -15;  // a bare deflate stream: the container holds the rest
constexpr int kMemoryLevel = 8;

class Deflater {
 public:
  Deflater() {
    if (deflateInit2(&z_, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
      throw std::bad_alloc();
    }
  }
  ~Deflater() { deflateEnd(&z_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  void Begin() { deflateReset(&z_); }

  void Add(std::string_view bytes, bool last, std::string& out) {
    // Room for the worst case, plus the empty stored block of a flush.
    const std::size_t room = deflateBound(&z_, static_cast<uLong>(bytes.size())) + 16;
    char* const into = room_.Get(room);
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z_.avail_in = static_cast<uInt>(bytes.size());
    z_.next_out = reinterpret_cast<Bytef*>(into);
    z_.avail_out = static_cast<uInt>(room);
    const int result = deflate(&z_, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool complete = last ? result == Z_STREAM_END : result == Z_OK && z_.avail_in == 0;
    if (!complete) throw std::runtime_error("Compression failed");
    out.append(into, room - z_.avail_out);
  }

 private:
  z_stream z_{};
  OutputRoom room_;
};

std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}
#endif

// Compresses `bytes` onto `piece`, a part at a time, with their checksum.
void AddToPiece(Deflater& deflater, std::string_view bytes, bool last,
                ParallelDeflate::Piece& piece) {
  piece.crc = Crc32(piece.crc, bytes);
  piece.size += bytes.size();
  do {
    const std::string_view part = bytes.substr(0, kMostAtOnce);
    bytes.remove_prefix(part.size());
    // Nothing to add and nothing to end: no flush of its own either.
    if (!part.empty() || (last && bytes.empty())) {
      deflater.Add(part, last && bytes.empty(), piece.bytes);
    }
  } while (!bytes.empty());
}

// The compressors of a helper: one for bytes with hints, one for any bytes.
struct Deflaters {
  Deflater any;
  HintedDeflater hinted;
  // Whether `any`'s stream goes on from the piece's bytes just before, which
  // it may then refer back to: not after a part with hints, whose bytes it
  // did not see.
  bool any_goes_on = false;
};

// Compresses a maker's part onto `piece`: with hints, on its own; without,
// going on from the parts before it that had none.
void AddMadeToPiece(Deflaters& deflaters, const ParallelDeflate::Made& made, bool last,
                    ParallelDeflate::Piece& piece) {
  if (made.hints.empty() || made.bytes.size() > kMostHintedBytes) {
    if (!deflaters.any_goes_on) deflaters.any.Begin();
    deflaters.any_goes_on = true;
    AddToPiece(deflaters.any, made.bytes, last, piece);
    return;
  }
  piece.crc = Crc32(piece.crc, made.bytes);
  piece.size += made.bytes.size();
  deflaters.hinted.Add(made.bytes, made.hints, last, piece.bytes);
  deflaters.any_goes_on = false;
}

// Polynomials over GF(2) modulo the CRC-32 polynomial, bit-reflected: the
// way a checksum moves past bytes it did not see.
constexpr std::uint32_t kCrcPolynomial = 0xEDB88320;

std::uint32_t MultiplyModulo(std::uint32_t a, std::uint32_t b) {
  std::uint32_t product = 0;
  for (std::uint32_t bit = std::uint32_t{1} << 31; bit != 0; bit >>= 1) {
    if (a & bit) product ^= b;
    b = b & 1 ? (b >> 1) ^ kCrcPolynomial : b >> 1;
  }
  return product;
}

// x to the power 8 * `bytes`, modulo the polynomial.
std::uint32_t PowerOfBytes(std::uint64_t bytes) {
  std::uint32_t power = std::uint32_t{1} << 31;   // 1
  std::uint32_t square = std::uint32_t{1} << 23;  // x^8, then x^16, x^32, ...
  for (; bytes != 0; bytes >>= 1) {
    if (bytes & 1) power = MultiplyModulo(power, square);
    square = MultiplyModulo(square, square);
  }
  return power;
}

}  // namespace

std::uint32_t CombineCrc32(std::uint32_t first, std::uint32_t second, std::uint64_t second_size) {
  return MultiplyModulo(PowerOfBytes(second_size), first) ^ second;
}

// A piece to make: bytes written here, or a maker of its own bytes.
struct ParallelDeflate::Job {
  std::string input;
  Maker make;
  bool last = false;
  std::promise<Piece> done;
};

// The helper threads, started with the first piece that is not the whole
// stream, and the strings they and the calling thread hand each other, kept
// for the next pieces so that their memory is not taken from the system anew.
class ParallelDeflate::Helpers {
 public:
  ~Helpers() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // Starts the threads, one per core, when none runs yet; false when not one
  // could be started.
  bool Start() {
    if (!threads_.empty()) return true;
    if (!threads_start_) return false;
    const unsigned count = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i) {
      std::thread thread = TryThread([this] { Work(); });
      if (!thread.joinable()) break;  // a limit of processes, of memory for a stack: fewer helpers
      threads_.push_back(std::move(thread));
    }
    threads_start_ = !threads_.empty();
    return threads_start_;
  }

  // Enough pieces in flight to keep every helper busy while the oldest is
  // handed on, few enough to keep memory small.
  std::size_t MostPending() const { return threads_.size() + 1; }

  void Push(Job job) {
    {
      const std::lock_guard lock(mutex_);
      queue_.push_back(std::move(job));
    }
    changed_.notify_one();
  }

  // Makes and compresses `job`'s piece with `deflaters`, in `made`'s room.
  Piece Run(Job& job, Deflaters& deflaters, Made& made) {
    Piece piece;
    piece.bytes = Spare();
    if (job.make) {
      made.bytes.clear();
      made.hints.clear();
      deflaters.any_goes_on = false;
      const Spill spill = [&](const Made& part) { AddMadeToPiece(deflaters, part, false, piece); };
      job.make(made, spill);
      AddMadeToPiece(deflaters, made, job.last, piece);
    } else {
      deflaters.any.Begin();
      AddToPiece(deflaters.any, job.input, job.last, piece);
      Keep(std::move(job.input));
    }
    return piece;
  }

  // A string without bytes, with room kept from an earlier piece if any.
  std::string Spare() {
    const std::lock_guard lock(mutex_);
    if (spares_.empty()) return {};
    std::string spare = std::move(spares_.back());
    spares_.pop_back();
    return spare;
  }

  void Keep(std::string spare) {
    spare.clear();
    const std::lock_guard lock(mutex_);
    if (spares_.size() < 2 * MostPending() + 2) spares_.push_back(std::move(spare));
  }

 private:
  void Work() {
    Deflaters deflaters;
    Made made;  // a maker's bytes, their room kept from piece to piece
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      Job job = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      try {
        job.done.set_value(Run(job, deflaters, made));
      } catch (...) {
        job.done.set_exception(std::current_exception());
      }
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  std::vector<std::string> spares_;
  bool stopping_ = false;
  bool threads_start_ = true;  // false once not one helper could start
  std::vector<std::thread> threads_;
};

ParallelDeflate::ParallelDeflate(std::function<void(std::string_view)> sink)
    : sink_(std::move(sink)), helpers_(new Helpers) {
  chunk_.reserve(kChunkSize);
}

// The helpers end before the pieces still waiting for them are dropped.
ParallelDeflate::~ParallelDeflate() {
  helpers_.reset();
}

void ParallelDeflate::WriteLarge(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t part = std::min(bytes.size(), kChunkSize - chunk_.size());
    chunk_.append(bytes.substr(0, part));
    bytes.remove_prefix(part);
    if (chunk_.size() == kChunkSize) SubmitChunk(false);
  }
}

void ParallelDeflate::WriteMade(Maker make) {
  if (!chunk_.empty()) SubmitChunk(false);
  Job job;
  job.make = std::move(make);
  Submit(std::move(job));
}

void ParallelDeflate::SubmitChunk(bool last) {
  Job job;
  job.input = std::move(chunk_);
  job.last = last;
  chunk_ = helpers_->Spare();
  chunk_.reserve(kChunkSize);
  Submit(std::move(job));
}

void ParallelDeflate::Submit(Job job) {
  // The whole stream in one piece, or no helper to be had: made here, and
  // handed on at once, after every piece before it.
  if ((job.last && pending_.empty()) || !helpers_->Start()) {
    while (!pending_.empty()) HandOnOldest();
    Deflaters deflaters;
    Made made;
    Piece piece = helpers_->Run(job, deflaters, made);
    HandOn(piece);
    return;
  }
  if (pending_.size() >= helpers_->MostPending()) HandOnOldest();
  pending_.push_back(job.done.get_future());
  helpers_->Push(std::move(job));
}

void ParallelDeflate::HandOnOldest() {
  std::future<Piece> oldest = std::move(pending_.front());
  pending_.pop_front();
  Piece piece = oldest.get();
  HandOn(piece);
}

void ParallelDeflate::HandOn(Piece& piece) {
  summary_.crc = CombineCrc32(summary_.crc, piece.crc, piece.size);
  summary_.size += piece.size;
  summary_.compressed_size += piece.bytes.size();
  sink_(piece.bytes);
  helpers_->Keep(std::move(piece.bytes));
}

void ParallelDeflate::Settle() noexcept {
  for (const std::future<Piece>& piece : pending_) piece.wait();
}

DeflateSummary ParallelDeflate::Finish() {
  SubmitChunk(true);
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
