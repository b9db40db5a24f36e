// A deterministic maker of chain pairs for benchmarks and tests: the index
// file STEM.ind and the data file STEM.out, as a sampler writes them. Every
// name and value is a pure function of (seed, variable, sample), so a reader
// of the pair can check any cell without keeping the data.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::bench {

struct ChainSpec {
  std::int64_t variables = 1;
  std::int64_t samples = 1;  // per variable
  std::uint64_t seed = 1;
};

// The first iteration number of every variable's samples.
inline constexpr std::int64_t kFirstIteration = 1001;

// The name of variable `variable` (from 0): "deviance", then names such as
// "beta[12]".
std::string VariableName(const ChainSpec& spec, std::int64_t variable);

// The value text of sample `sample` (from 0) of `variable`, printed as a
// sampler prints it ("%g": "-1.43658e+06", "0.215463", "1", ...).
std::string SampleValue(const ChainSpec& spec, std::int64_t variable, std::int64_t sample);

// Writes STEM.ind ("name first last" per variable) and STEM.out
// ("iteration", two blanks, value per sample), every line ended by CR LF.
// Returns false, with errno set, when a file cannot be written.
bool WriteChainPair(const ChainSpec& spec, const std::string& stem);

}  // namespace quillet::bench
