// The ranks of split chains' draws: where each draw stands among the split
// chains, and the normal scores of the ranks.
#pragma once

#include <cstddef>
#include <limits>
#include <span>

namespace quillet::stats {

// The place of no draw: the middle draw of a chain of odd length, which the
// split leaves out.
inline constexpr std::size_t kDropped = std::numeric_limits<std::size_t>::max();

// Where draw `i` of chain `chain`, n draws long, stands among the split
// chains (chain c's halves are chains 2c and 2c + 1), or kDropped.
inline std::size_t SplitPosition(std::size_t chain, std::size_t i, std::size_t n) {
  const std::size_t half = n / 2;
  if (i < half) return 2 * chain * half + i;
  if (i >= n - half) return (2 * chain + 1) * half + (i - (n - half));
  return kDropped;
}

// The normal scores of draws given in ascending order of a key: `positions`
// says where each goes in `scores`, `keys` its key (equal neighbours are ties
// and share their average rank r). The score is Phi^-1((r - 3/8) / (S + 1/4)),
// S the number of draws.
void NormalScores(std::span<const std::size_t> positions, std::span<const double> keys,
                  std::span<double> scores);

}  // namespace quillet::stats
