// The two-dimensional text table that Read fills and Write empties: row 0
// holds the variable names, rows 1..R the values, one column per variable.
//
// The row range is fixed at Create(); columns grow one at a time. Cells are
// byte strings kept in one shared store, so a cell costs no allocation of its
// own, and a column's slots are allocated only as far as rows are filled, so
// memory follows what was read, not the declared row count. A slot takes five
// bytes: where the cell stands after its column's first byte in the store,
// and its length. Every access is bounds-checked and throws
// SubscriptOutOfRangeError outside the table.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/byte_copy.h"

namespace quillet {

// The most columns a table may have: the Write's column counter is signed
// 16-bit, so a table that a Write could not write is not read either.
inline constexpr std::int64_t kMostColumns = INT16_MAX;

// The store's chunks: 4 MiB; the fuzz build picks small ones, so that short
// inputs fill several.
#ifndef QUILLET_TABLE_CHUNK_BITS
#define QUILLET_TABLE_CHUNK_BITS 22
#endif

class SampleTable {
  // Where a cell's bytes stand in the store, packed into one word: offset
  // (40 bits) and length (23 bits) of a small cell; a large one (flag bit)
  // indexes the large cells. The value 0 is the empty cell.
  using CellRef = std::uint64_t;

  static constexpr int kChunkBits = QUILLET_TABLE_CHUNK_BITS;
  static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
  static constexpr int kLengthBits = 23;
  static constexpr std::uint64_t kLengthMask = (std::uint64_t{1} << kLengthBits) - 1;
  static constexpr std::uint64_t kLargeFlag = std::uint64_t{1} << 63;
  // Longer cells get a string of their own, so chunks waste little at their end.
  static constexpr std::size_t kLargeCell = std::min<std::size_t>(64 * 1024, kChunkSize / 4);
  // The length of a slot whose cell is kept apart, as a CellRef (Column::escaped).
  static constexpr std::uint8_t kEscaped = 255;

  // Small cells' bytes, in chunks numbered by their place in `chunks`; a
  // continuation's leave the numbers of the table's own chunks empty.
  struct CellBytes {
    std::vector<std::unique_ptr<char[]>> chunks;
    std::size_t used = kChunkSize;  // of the last chunk; the first Store opens one
    std::uint64_t stored = 0;       // every cell's bytes, large ones too
    // Where the next byte stored will stand, or after.
    std::uint64_t End() const {
      return chunks.empty() ? 0 : ((chunks.size() - 1) << kChunkBits) + used;
    }
    // `text`, shorter than a large cell and not empty, copied into the last
    // chunk; where it stands.
    std::uint64_t Store(std::string_view text) {
      stored += text.size();
      if (kChunkSize - used < text.size()) Open();
      CopyBytes(chunks.back().get() + used, text.data(), text.size());
      const std::uint64_t offset = ((chunks.size() - 1) << kChunkBits) + used;
      used += text.size();
      return offset;
    }
    // Starts a new chunk.
    void Open();
  };

  // A column's cells. Row r's bytes stand offsets[r] bytes after `base` in the
  // store, lengths[r] long; a cell that does not fit so (kEscaped: a large
  // cell, one of kEscaped bytes or more, or one 4 GiB or more after `base`)
  // is kept in `escaped` by its row.
  struct Column {
    std::uint64_t base = 0;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint8_t> lengths;
    std::unordered_map<std::size_t, CellRef> escaped;
    // The slots the column before came to. A run's columns most often have
    // as many rows, so this one's room is made for as many at once rather
    // than grown and copied step by step.
    std::size_t expected = 0;

    std::size_t size() const { return lengths.size(); }
    // Makes the slots reach index `index`, their room grown as the rows come,
    // up to the `rows` a column can have.
    void Reach(std::size_t index, std::size_t rows) {
      if (index < size()) return;
      // The reader fills each column's rows in order: one slot more.
      if (index == size() && index < lengths.capacity()) {
        offsets.push_back(0);
        lengths.push_back(0);
        return;
      }
      Grow(index, rows);
    }
    void Grow(std::size_t index, std::size_t rows);
    // Row `index`'s slot (which exists) set to `text`, its bytes stored in
    // `bytes` unless it is large.
    void Put(std::size_t index, std::string_view text, CellBytes& bytes) {
      if (text.empty()) {
        lengths[index] = 0;
        return;
      }
      const std::uint64_t at = bytes.Store(text);
      if (text.size() < kEscaped && at - base <= UINT32_MAX) {
        offsets[index] = static_cast<std::uint32_t>(at - base);
        lengths[index] = static_cast<std::uint8_t>(text.size());
      } else {
        Escape(index, (at << kLengthBits) | text.size());
      }
    }
    void Escape(std::size_t index, CellRef ref) {
      escaped[index] = ref;
      lengths[index] = kEscaped;
    }
    // The bytes of row `index`, with its chunks and large cells as given.
    template <typename Chunks, typename Large>
    std::string_view Cell(std::size_t index, const Chunks& chunks, const Large& large) const {
      const std::uint8_t length = lengths[index];
      if (length == 0) return {};
      if (length != kEscaped) return Bytes(base + offsets[index], length, chunks);
      const CellRef ref = escaped.find(index)->second;
      if (ref & kLargeFlag) return large[ref & ~kLargeFlag];
      return Bytes(ref >> kLengthBits, ref & kLengthMask, chunks);
    }
  };

  // The `length` bytes at `offset` in the store, whichever way its chunks are held.
  template <typename Chunks>
  static std::string_view Bytes(std::uint64_t offset, std::size_t length, const Chunks& chunks) {
    return {&chunks[offset >> kChunkBits][offset & (kChunkSize - 1)], length};
  }

 public:
  // The cells of a finished column, rows 1 on, taken out of the table so that
  // another thread can read them while the table goes on growing: the slots
  // are copied, the bytes stay where they are (the store's chunks never move).
  class FinishedColumn {
   public:
    // One past the last row with a cell; rows from there on are empty.
    std::int64_t rowEnd() const { return static_cast<std::int64_t>(cells_.size()); }
    // The bytes of `row` (1 <= row < rowEnd()).
    std::string_view Get(std::int64_t row) const {
      return cells_.Cell(static_cast<std::size_t>(row), chunks_, large_);
    }

   private:
    friend class SampleTable;
    Column cells_;                     // large cells index into large_
    std::vector<const char*> chunks_;  // the store's chunks when taken
    std::vector<std::string_view> large_;
  };

  // Cells read apart from the table, by another thread, to be joined to it
  // later: from row `row` of column `column` on down, then the rows of the
  // columns after it. Its bytes take chunk numbers from `firstChunk` on, so
  // its cells keep their place in the store when joined.
  class Continuation {
   public:
    Continuation(std::int64_t column, std::int64_t row, std::int64_t lastRow,
                 std::size_t firstChunk);
    // Whether a continuation can hold `text`: a long cell it cannot, nor a
    // large one (which, in a build of tiny chunks, may be shorter).
    static bool Takes(std::string_view text) {
      return text.size() < std::min<std::size_t>(kEscaped, kLargeCell);
    }
    // Moves on to the next column.
    void AddColumn();
    // `text` (Takes) as the next row of the last column.
    void Append(std::string_view text) {
      Column& cells = columns_.back();
      const std::size_t index = cells.size();
      cells.Reach(index,
                  columns_.size() == 1 ? rows_ - static_cast<std::size_t>(first_row_) : rows_);
      cells.Put(index, text, bytes_);
    }

   private:
    friend class SampleTable;
    std::int64_t first_column_;
    std::int64_t first_row_;
    std::size_t rows_;  // of a whole column, row 0 included
    std::size_t first_chunk_;
    // The first column's slots from first_row_ on; the others' from row 0.
    std::vector<Column> columns_;
    CellBytes bytes_;
  };

  // A chunk number that storing at most `bytes` more bytes into the table
  // leaves unused, for a continuation's chunks.
  std::size_t ChunkNumberAfter(std::uint64_t bytes) const;

  // Appends `later`'s cells: the table's last column must be `later`'s first
  // and hold no row from `later`'s first row on, and the table must not have
  // stored into the chunk numbers `later` took. Columns are added as
  // AddColumn adds them. False, with the table unchanged, when `later` does
  // not fit it so.
  bool Join(Continuation&& later);

  // `finished` is called with a column's index when the table moves on to
  // the next column (AddColumn); from then on only its row 0 may change.
  // It is kept across Create.
  void OnColumnFinished(std::function<void(std::int64_t column)> finished) {
    column_finished_ = std::move(finished);
  }

  // The cells of a column that no longer changes (see OnColumnFinished).
  FinishedColumn TakeFinishedColumn(std::int64_t column) const;

  // Discards the old table: rows 0..last_row, the single column 0, all empty.
  // A negative last_row is out of range.
  void Create(std::int64_t last_row);

  // Adds an empty column after the last one, keeping every cell.
  void AddColumn();

  void Set(std::int64_t row, std::int64_t column, std::string_view text);
  // The same, in fewer steps for a small cell of the last column, which the
  // reader fills.
  void SetNext(std::int64_t row, std::int64_t column, std::string_view text) {
    if (static_cast<std::size_t>(column) + 1 == columns_.size() && row >= 0 && row <= last_row_ &&
        text.size() < kLargeCell) {
      Column& cells = columns_.back();
      const auto index = static_cast<std::size_t>(row);
      cells.Reach(index, static_cast<std::size_t>(last_row_) + 1);
      cells.Put(index, text, bytes_);
      return;
    }
    Set(row, column, text);
  }
  // The same; a large cell's string is taken as it is, without a copy, so
  // that a long line is held once. A small one is copied, `text` left as is.
  void SetTaking(std::int64_t row, std::int64_t column, std::string&& text);

  // The cell's bytes; valid until the table is next changed by Create.
  std::string_view Get(std::int64_t row, std::int64_t column) const;

  // The bytes of every cell stored since Create, together: at least what
  // the cells hold now.
  std::uint64_t StoredBytes() const { return bytes_.stored; }

  // Rows first .. first + count - 1 of `column`, bounds checked by the
  // caller, into out[0], out[stride], ...: a walk down a column reads its
  // slots in order, and its cells' bytes, which stand in the order of the
  // rows, one after another.
  void CellsDown(std::size_t column, std::size_t first, std::size_t count, std::string_view* out,
                 std::size_t stride) const {
    const Column& cells = columns_[column];
    // The slots of the same rows a few columns on, while this one's are
    // read: far enough ahead that they have come from memory when reached.
    constexpr std::size_t kAhead = 8;
    if (column + kAhead < columns_.size() && first < columns_[column + kAhead].size()) {
      Prefetch(columns_[column + kAhead].offsets.data() + first);
      Prefetch(columns_[column + kAhead].lengths.data() + first);
    }
    const std::size_t filled = std::min(count, cells.size() > first ? cells.size() - first : 0);
    for (std::size_t k = 0; k < filled; ++k) {
      out[k * stride] = cells.Cell(first + k, bytes_.chunks, large_cells_);
    }
    for (std::size_t k = filled; k < count; ++k) out[k * stride] = {};
  }

  // C - 1, the upper bound of the column range.
  std::int64_t LastColumn() const;

  bool created() const { return created_; }
  std::int64_t last_row() const { return last_row_; }

 private:
  // A hint to the processor to load the cache line at `at`, which need not
  // be ours; nothing is read.
  static void Prefetch(const void* at) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(at);
#else
    (void)at;
#endif
  }

  void CheckBounds(std::int64_t row, std::int64_t column) const;
  // Row `row` of `column` (both in range) set to the large cell `text`.
  void SetLarge(std::int64_t row, std::int64_t column, std::string&& text);
  // A new column, its cells counted from where the store stands now.
  Column NewColumn() const;

  bool created_ = false;
  std::int64_t last_row_ = 0;
  std::vector<Column> columns_;

  // The byte store: fixed-size chunks that never move once written.
  CellBytes bytes_;
  std::vector<std::string> large_cells_;
  std::function<void(std::int64_t)> column_finished_;
};

}  // namespace quillet
