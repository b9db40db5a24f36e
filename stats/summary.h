// The summary of one variable's draws over one or more chains: location,
// spread, quantiles, the 95 % highest-density interval, and the convergence
// diagnostics R-hat, bulk and tail ESS with the Monte Carlo error of the mean.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace quillet::stats {

// The statistics, in the order of the summary's columns.
enum Statistic {
  kMean,
  kSd,
  kMcseMean,
  kQ2_5,
  kQ25,
  kQ50,
  kQ75,
  kQ97_5,
  kHdi95Lower,
  kHdi95Upper,
  kRhat,
  kEssBulk,
  kEssTail,
  kStatisticCount
};

// Their column names.
inline constexpr std::array<const char*, kStatisticCount> kStatisticNames = {
    "mean",  "sd",          "mcse_mean",   "q2.5", "q25",      "q50",     "q75",
    "q97.5", "hdi95_lower", "hdi95_upper", "rhat", "ess_bulk", "ess_tail"};

struct Summary {
  std::size_t chains = 0;
  std::size_t draws = 0;                         // per chain
  std::array<double, kStatisticCount> values{};  // NaN where undefined
  std::string note;                              // empty, or why values are missing
};

// Summarises `draws`: `chains` chains one after another, each draws.size() /
// chains long. mean and sd (n - 1) over all draws; quantiles of type 7;
// R-hat the larger of the rank-normalised split R-hats of the draws and of
// their distances from the median; bulk ESS that of the rank-normalised split
// draws; tail ESS the smaller of those of the indicators x <= q5 and
// x <= q95; mcse_mean sd / sqrt(ESS of the split draws). Draws that are not
// all finite, fewer than 4 per chain, or constant leave what they do not
// define as NaN and say so in the note.
Summary Summarise(std::span<const double> draws, std::size_t chains);

// The memory that summaries work in, kept from one to the next: a run's
// variables are summarised one after another, most of one length, and
// memory taken from the system anew is faulted in and cleared page by page.
class SummaryBuffers {
 public:
  SummaryBuffers();
  ~SummaryBuffers();
  SummaryBuffers(const SummaryBuffers&) = delete;
  SummaryBuffers& operator=(const SummaryBuffers&) = delete;

  struct Vectors;  // what they are, known to Summarise alone
  Vectors& vectors() { return *vectors_; }

 private:
  std::unique_ptr<Vectors> vectors_;
};

// Summarise, in `buffers`.
Summary Summarise(std::span<const double> draws, std::size_t chains, SummaryBuffers& buffers);

// The least number of draws per chain for R-hat and the ESS.
inline constexpr std::size_t kLeastDiagnosedDraws = 4;

}  // namespace quillet::stats
