#include "stats/ranks.h"

#include <cmath>
#include <vector>

#include "stats/normal_quantile.h"

namespace quillet::stats {

void NormalScores(std::span<const std::size_t> positions, std::span<const double> keys,
                  std::span<double> scores) {
  const std::size_t count = positions.size();
  const double denominator = static_cast<double>(count) - 2.0 * 0.375 + 1.0;
  // The scores of the lower half by twice their rank, kept for the next call
  // of the same count (every variable of a run has one): a rank r of the
  // upper half takes the negated score of count + 1 - r, so that a score
  // does not depend on which ranks the draws happen to take.
  thread_local std::size_t known_count = 0;
  thread_local std::vector<double> lower;
  if (known_count != count || lower.size() != count + 2) {
    lower.assign(count + 2, std::numeric_limits<double>::quiet_NaN());
    known_count = count;
  }
  const auto lower_score = [&](std::size_t twice_rank) {
    double& score = lower[twice_rank];
    if (std::isnan(score)) {
      score = NormalQuantile((static_cast<double>(twice_rank) / 2.0 - 0.375) / denominator);
    }
    return score;
  };
  for (std::size_t first = 0; first < count;) {
    std::size_t last = first;
    while (last + 1 < count && keys[last + 1] == keys[first]) ++last;
    // Ranks count from 1; ties share the mean of theirs.
    const std::size_t twice_rank = first + 1 + last + 1;
    const double score = twice_rank <= count + 1 ? lower_score(twice_rank)
                                                 : -lower_score(2 * (count + 1) - twice_rank);
    for (std::size_t i = first; i <= last; ++i) scores[positions[i]] = score;
    first = last + 1;
  }
}

}  // namespace quillet::stats
