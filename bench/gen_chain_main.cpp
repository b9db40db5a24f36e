// quillet-gen-chain: writes a deterministic chain pair for benchmarks.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "bench/chain_generator.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillet-gen-chain --variables V --samples S [--seed N] OUTSTEM\n"
    "Writes OUTSTEM.ind and OUTSTEM.out: V variables of S samples each.\n";

template <typename Number>
bool ParseNumber(std::string_view text, Number& number) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "quillet-gen-chain: %s\n%s", problem.c_str(), kUsage);
  return 64;
}

}  // namespace

int main(int argc, char** argv) {
  quillet::bench::ChainSpec spec;
  std::string stem;
  bool have_variables = false, have_samples = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--variables" || arg == "--samples" || arg == "--seed") {
      if (i + 1 == argc) return Usage(std::string(arg) + " needs a number");
      const std::string_view value = argv[++i];
      bool ok = false;
      if (arg == "--variables") {
        ok = ParseNumber(value, spec.variables) && spec.variables > 0;
        have_variables = true;
      } else if (arg == "--samples") {
        ok = ParseNumber(value, spec.samples) && spec.samples > 0;
        have_samples = true;
      } else {
        ok = ParseNumber(value, spec.seed);
      }
      if (!ok) return Usage("bad number for " + std::string(arg) + ": " + std::string(value));
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage("unknown option " + std::string(arg));
    } else if (!stem.empty()) {
      return Usage("more than one OUTSTEM");
    } else {
      stem = arg;
    }
  }
  if (!have_variables || !have_samples || stem.empty()) return Usage("missing arguments");
  if (!quillet::bench::WriteChainPair(spec, stem)) {
    std::fprintf(stderr, "quillet-gen-chain: cannot write %s: %s\n", stem.c_str(),
                 std::strerror(errno));
    return 1;
  }
  return 0;
}
