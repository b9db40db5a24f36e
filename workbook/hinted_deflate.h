// Deflate for bytes whose maker knows where they repeat themselves: a
// worksheet's rows are the same markup around every cell, and the maker can
// say where the markup of one cell stands again in the next. Such hints take
// the place of a search for matches, which is most of a general compressor's
// work: each hint is only checked, byte by byte, and becomes a back-reference
// as long as the bytes agree; everything else is a literal. The literals and
// references are then coded with Huffman codes made from those of the first
// 64 KiB, which tell a worksheet's rows well; where they do not (the block
// came to more than half its size), from all of them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The bytes from `at` on may repeat those `distance` bytes before them.
struct RepeatHint {
  std::uint32_t at;
  std::uint32_t distance;
};

constexpr std::size_t kMostHintedBytes = std::size_t{1} << 30;

class HintedDeflater {
 public:
  // `any_processor`: the coding compiled for every processor of its kind,
  // even where one for this processor's extensions could run (for tests,
  // which compare the two).
  explicit HintedDeflater(bool any_processor = false) : any_processor_(any_processor) {}

  // Appends `bytes` to `out` as a deflate block that refers to nothing
  // before it, ended on a byte boundary: as the final block when `last`,
  // else followed by an empty stored block, so that another such piece may
  // follow. The hints are in order of `at` (where several share one, the
  // first whose bytes agree is taken); a hint is used only where at least
  // four bytes agree, so a wrong one costs compression, never the bytes. At
  // most kMostHintedBytes at once.
  void Add(std::string_view bytes, std::span<const RepeatHint> hints, bool last, std::string& out);

 private:
  bool any_processor_;
  std::vector<char> room_;  // the memory the bits are written into, kept
};

}  // namespace quillet
