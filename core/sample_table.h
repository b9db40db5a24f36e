// The two-dimensional text table that Read fills and Write empties: row 0
// holds the variable names, rows 1..R the values, one column per variable.
//
// The row range is fixed at Create(); columns grow one at a time. Cells are
// byte strings kept in one shared store, so a cell costs no allocation of its
// own, and a column's slots are allocated only as far as rows are filled, so
// memory follows what was read, not the declared row count. Every access is
// bounds-checked and throws SubscriptOutOfRangeError outside the table.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/byte_copy.h"

namespace quillet {

// The most columns a table may have: the Write's column counter is signed
// 16-bit, so a table that a Write could not write is not read either.
inline constexpr std::int64_t kMostColumns = INT16_MAX;

class SampleTable {
  // A cell: where its bytes stand in the store, packed into one word.
  // Small cells: offset (40 bits) and length (23 bits); large ones (flag bit)
  // index into the large cells. The value 0 is the empty cell.
  using CellRef = std::uint64_t;

  // The store's chunks: 4 MiB; the fuzz build picks small ones, so that short
  // inputs fill several.
#ifndef QUILLET_TABLE_CHUNK_BITS
#define QUILLET_TABLE_CHUNK_BITS 22
#endif
  static constexpr int kChunkBits = QUILLET_TABLE_CHUNK_BITS;
  static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
  static constexpr int kLengthBits = 23;
  static constexpr std::uint64_t kLengthMask = (std::uint64_t{1} << kLengthBits) - 1;
  static constexpr std::uint64_t kLargeFlag = std::uint64_t{1} << 63;
  // Longer cells get a string of their own, so chunks waste little at their end.
  static constexpr std::size_t kLargeCell = std::min<std::size_t>(64 * 1024, kChunkSize / 4);

  // Small cells' bytes, in chunks numbered by their place in `chunks`; a
  // continuation's leave the numbers of the table's own chunks empty.
  struct CellBytes {
    std::vector<std::unique_ptr<char[]>> chunks;
    std::size_t used = kChunkSize;  // of the last chunk; the first Store opens one
    std::uint64_t stored = 0;       // every cell's bytes, large ones too
    // `text`, shorter than a large cell and not empty, copied into the
    // last chunk.
    CellRef Store(std::string_view text) {
      stored += text.size();
      if (kChunkSize - used < text.size()) Open();
      CopyBytes(chunks.back().get() + used, text.data(), text.size());
      const std::uint64_t offset = ((chunks.size() - 1) << kChunkBits) + used;
      used += text.size();
      return (offset << kLengthBits) | text.size();
    }
    // Starts a new chunk.
    void Open();
  };

 public:
  // The cells of a finished column, rows 1 on, taken out of the table so that
  // another thread can read them while the table goes on growing: the slots
  // are copied, the bytes stay where they are (the store's chunks never move).
  class FinishedColumn {
   public:
    // One past the last row with a cell; rows from there on are empty.
    std::int64_t rowEnd() const { return static_cast<std::int64_t>(slots_.size()); }
    // The bytes of `row` (1 <= row < rowEnd()).
    std::string_view Get(std::int64_t row) const {
      const CellRef ref = slots_[static_cast<std::size_t>(row)];
      if (ref & kLargeFlag) return large_[ref & ~kLargeFlag];
      return SmallCell(ref, chunks_);
    }

   private:
    friend class SampleTable;
    std::vector<CellRef> slots_;       // large cells index into large_
    std::vector<const char*> chunks_;  // the store's chunks when taken
    std::vector<std::string_view> large_;
  };

  // Cells read apart from the table, by another thread, to be joined to it
  // later: from row `row` of column `column` on down, then the rows of the
  // columns after it. Its bytes take chunk numbers from `firstChunk` on, so
  // its cells keep their references when joined.
  class Continuation {
   public:
    Continuation(std::int64_t column, std::int64_t row, std::int64_t lastRow,
                 std::size_t firstChunk);
    // Whether a continuation can hold `text`: a large cell it cannot.
    static bool Takes(std::string_view text) { return text.size() < kLargeCell; }
    // Moves on to the next column.
    void AddColumn();
    // `text` (Takes) as the next row of the last column.
    void Append(std::string_view text) {
      std::vector<CellRef>& slots = columns_.back();
      if (slots.size() == slots.capacity()) Grow();
      slots.push_back(text.empty() ? 0 : bytes_.Store(text));
    }

   private:
    friend class SampleTable;
    // Room for more slots in the last column (and its row 0, when new).
    void Grow();

    std::int64_t first_column_;
    std::int64_t first_row_;
    std::size_t rows_;  // of a whole column, row 0 included
    std::size_t first_chunk_;
    // The first column's slots from first_row_ on; the others' from row 0.
    std::vector<std::vector<CellRef>> columns_;
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
  // The same; a large cell's string is taken as it is, without a copy, so
  // that a long line is held once. A small one is copied, `text` left as is.
  void SetTaking(std::int64_t row, std::int64_t column, std::string&& text);

  // The cell's bytes; valid until the table is next changed by Create.
  std::string_view Get(std::int64_t row, std::int64_t column) const;

  // The bytes of every cell stored since Create, together: at least what
  // the cells hold now.
  std::uint64_t StoredBytes() const {
    return bytes_.stored;
  }

  // Rows first .. first + count - 1 of `column`, bounds checked by the
  // caller, into out[0], out[stride], ...: a walk down a column reads its
  // slots in order, and its cells' bytes, which stand in the order of the
  // rows, one after another.
  void CellsDown(std::size_t column, std::size_t first, std::size_t count, std::string_view* out,
                 std::size_t stride) const {
    const std::vector<CellRef>& cells = columns_[column];
    // The next column's slots of the same rows, while this one's are read.
    if (column + 1 < columns_.size() && first < columns_[column + 1].size()) {
      Prefetch(columns_[column + 1].data() + first);
    }
    for (std::size_t k = 0; k < count; ++k) {
      out[k * stride] = first + k < cells.size() ? Load(cells[first + k]) : std::string_view();
    }
  }

  // C - 1, the upper bound of the column range.
  std::int64_t LastColumn() const;

  bool created() const {
    return created_;
  }
  std::int64_t last_row() const {
    return last_row_;
  }

 private:
  // A hint to the processor to load the cache line at `at` + `ahead`, which
  // need not be ours; nothing is read.
  static void Prefetch(const void* at, std::size_t ahead = 0) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(at) + ahead));
#else
    (void)at;
    (void)ahead;
#endif
  }

  // How many slots to make room for when `slots` must reach index `index`:
  // their room grows as the rows come, up to the `rows` a column can have.
  static std::size_t Room(const std::vector<CellRef>& slots, std::size_t index, std::size_t rows);
  // The slots of `column` made to reach index `index`, their room grown as
  // the rows come, up to the `rows` a column can have.
  static void GrowSlots(std::vector<CellRef>& slots, std::size_t index, std::size_t rows);

  void CheckBounds(std::int64_t row, std::int64_t column) const;
  CellRef Store(std::string_view text);
  std::string_view Load(CellRef ref) const {
    if (ref & kLargeFlag) return large_cells_[ref & ~kLargeFlag];
    return SmallCell(ref, bytes_.chunks);
  }
  // The bytes of a small cell, whichever way its chunks are held.
  template <typename Chunks>
  static std::string_view SmallCell(CellRef ref, const Chunks& chunks) {
    const std::size_t length = ref & kLengthMask;
    if (length == 0) return {};
    const std::uint64_t offset = ref >> kLengthBits;
    return {&chunks[offset >> kChunkBits][offset & (kChunkSize - 1)], length};
  }

  bool created_ = false;
  std::int64_t last_row_ = 0;
  std::vector<std::vector<CellRef>> columns_;

  // The byte store: fixed-size chunks that never move once written.
  CellBytes bytes_;
  std::vector<std::string> large_cells_;
  std::function<void(std::int64_t)> column_finished_;
};

}  // namespace quillet
