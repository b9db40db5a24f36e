#include "core/second_half_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/field_scanner.h"
#include "core/try_thread.h"
#include "files/byte_count.h"

namespace quillet {
namespace {

// How often, in lines, the thread tells its progress and looks for a stop.
constexpr std::int64_t kLinesBetweenLooks = 4096;

// The next line of `stream` into `value` when it is of the usual shape, read
// in place, the buffer filled further when the line runs past it; false for
// any other line. The value is set through `value` rather than returned as an
// optional, which the compiler builds on the stack piece by piece and then
// reads back whole: a stall on every line.
bool TakeUsualLine(FieldScanner& scan, TextReader& stream, std::string_view& value) {
  for (;;) {
    if (const std::optional<std::string_view> taken = scan.TakeBufferedDataLine()) {
      value = *taken;
      return true;
    }
    // Not of the usual shape, unless its LF is still to be read. A cell that
    // long would not be taken anyway.
    const std::string_view held = stream.Buffered();
    if (std::memchr(held.data(), '\n', held.size()) != nullptr) return false;
    if (!SampleTable::Continuation::Takes(held) || !stream.BufferMore()) return false;
  }
}

}  // namespace

std::unique_ptr<SecondHalfReader> SecondHalfReader::Begin(const std::string& path,
                                                          std::uint64_t near,
                                                          const IndexCounts& counts,
                                                          const SampleTable& table,
                                                          std::int32_t linesBefore) {
  auto stream = std::make_unique<TextReader>(path);
  stream->SeekTo(near);
  // The line that byte `near` stands in is the first part's.
  if (near > 0 && !stream->SkipLine()) return nullptr;
  if (stream->AtEndOfStream()) return nullptr;
  // The first part's cells take no more bytes than it has.
  const std::size_t first_chunk = table.ChunkNumberAfter(stream->Position());
  const std::int64_t last_row = table.last_row();
  std::unique_ptr<SecondHalfReader> reader(
      new SecondHalfReader(std::move(stream), counts, last_row, linesBefore, first_chunk));
  reader->thread_ = TryThread([raw = reader.get()] { raw->Run(); });
  // No thread: the pass reads the whole file itself.
  if (!reader->thread_.joinable()) return nullptr;
  return reader;
}

SecondHalfReader::SecondHalfReader(std::unique_ptr<TextReader> stream, const IndexCounts& counts,
                                   std::int64_t lastRow, std::int32_t linesBefore,
                                   std::size_t firstChunk)
    : stream_(std::move(stream)),
      start_(stream_->Position()),
      counts_(counts),
      last_row_(lastRow),
      lines_before_(linesBefore),
      first_chunk_(firstChunk) {}

SecondHalfReader::~SecondHalfReader() {
  stop_.store(true, std::memory_order_relaxed);
  if (thread_.joinable()) thread_.join();
}

std::optional<SecondHalfReader::Result> SecondHalfReader::Finish() {
  if (thread_.joinable()) thread_.join();
  return std::move(result_);
}

void SecondHalfReader::Run() noexcept {
  try {
    const std::int64_t line_ends = CountLineEndsBefore();
    LinePlacement placement(counts_.ranges, counts_.samplesPerVariable, last_row_);
    if (stop_.load(std::memory_order_relaxed) || !placement.Skip(line_ends)) return;
    Result result{
        line_ends,
        SampleTable::Continuation(placement.column(), placement.row(), last_row_, first_chunk_), 0,
        start_, placement};
    Read(result);
    result_.emplace(std::move(result));
  } catch (...) {
    // A read error, or no memory: the pass reads these lines itself and
    // meets the same failure at its own moment.
    result_.reset();
  }
}

std::int64_t SecondHalfReader::CountLineEndsBefore() {
  TextReader file(stream_->path());
  std::int64_t line_ends = 0;
  while (file.Position() < start_ && !file.AtEndOfStream()) {
    if (stop_.load(std::memory_order_relaxed)) return 0;
    const std::string_view held = file.Buffered();
    const std::size_t take =
        static_cast<std::size_t>(std::min<std::uint64_t>(held.size(), start_ - file.Position()));
    line_ends += static_cast<std::int64_t>(CountByte(held.substr(0, take), '\n'));
    file.Consume(take);
  }
  return line_ends;
}

void SecondHalfReader::Read(Result& result) {
  FieldScanner scan(*stream_);
  LinePlacement& placement = result.placement;
  const std::int64_t lines_before = lines_before_ + result.lineEndsBefore;
  for (;;) {
    if (result.lines % kLinesBetweenLooks == 0) {
      lines_so_far_.store(result.lines, std::memory_order_relaxed);
      if (stop_.load(std::memory_order_relaxed)) return;
    }
    // The pass stops at the line that would pass the counter's limit.
    if (lines_before + result.lines >= INT32_MAX) return;
    // A line that opens a column is placed on a copy, kept once it is taken.
    const bool opens = placement.NextOpensColumn();
    std::optional<LinePlacement> opened;
    if (opens) {
      opened = placement;
      if (!opened->NewColumnAllowed()) return;
      opened->OpenColumn();
    }
    if (!(opens ? *opened : placement).RowExists()) return;
    // A line led by a blank, a CR or a LF may begin the blank lines at the
    // end, which are no data lines: the pass looks for itself.
    if (IsLineBlank(stream_->Peek())) return;
    std::string_view value;
    if (!TakeUsualLine(scan, *stream_, value) || !SampleTable::Continuation::Takes(value)) return;
    if (opens) {
      placement = *opened;
      result.cells.AddColumn();
    }
    result.cells.Append(value);
    placement.Advance();
    ++result.lines;
    result.end = stream_->Position();
  }
}

}  // namespace quillet
