#include "bench/chain_generator.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

namespace quillet::bench {
namespace {

// splitmix64: a small, well-mixed hash with the same results everywhere,
// unlike the standard library's distributions.
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

std::uint64_t Hash(std::uint64_t seed, std::uint64_t a, std::uint64_t b) {
  return Mix(Mix(Mix(seed) ^ a) ^ (b * 0x632be59bd9b4e019ULL));
}

// Uniform in (0, 1).
double Uniform(std::uint64_t bits) {
  return (static_cast<double>(bits >> 11) + 0.5) * 0x1.0p-53;
}

double Normal(std::uint64_t bits) {
  const double u1 = Uniform(bits);
  const double u2 = Uniform(Mix(bits));
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
}

// The kinds of monitored quantities, each with the magnitudes it brings.
enum Kind { kLocation, kDeviance, kScale, kProbability, kIndicator, kCount };

struct Variable {
  Kind kind;
  double centre;
  double spread;
};

Variable Describe(const ChainSpec& spec, std::int64_t variable) {
  const std::uint64_t h = Hash(spec.seed, static_cast<std::uint64_t>(variable), ~0ULL);
  if (variable == 0) return {kDeviance, -1.4e6 - 1e5 * Uniform(h), 1e3 + 1e4 * Uniform(Mix(h))};
  // Mostly continuous quantities printed with six significant digits, as in
  // a typical model; some integer-valued ones.
  static constexpr Kind kMix[20] = {
      kLocation,    kLocation,    kLocation,    kLocation,    kLocation,  kLocation, kLocation,
      kDeviance,    kScale,       kScale,       kScale,       kScale,     kScale,    kDeviance,
      kProbability, kProbability, kProbability, kProbability, kIndicator, kCount};
  const Kind kind = kMix[h % 20];
  const double u = Uniform(Mix(h));
  switch (kind) {
    case kLocation:
      return {kind, 10.0 * u - 5.0, 0.05 + 2.0 * Uniform(Mix(h + 1))};
    case kDeviance:
      return {kind, -2e6 * u, 1e4 * Uniform(Mix(h + 1))};
    case kScale:
      return {kind, 8.0 * u - 2.0, 0.5 + Uniform(Mix(h + 1))};  // of the logarithm
    case kProbability:
      return {kind, -12.0 * u - 1.0, 1.0};  // of the logarithm
    case kIndicator:
      return {kind, u, 0.0};
    default:
      return {kind, 40.0 * u, 0.0};
  }
}

// A buffered file: a large buffer and one fwrite per buffer.
class Output {
 public:
  explicit Output(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~Output() {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool ok() const { return file_ != nullptr && ok_; }

  void Put(std::string_view text) {
    if (text.size() > kSize - used_) Flush();
    text.copy(buffer_.get() + used_, text.size());
    used_ += text.size();
  }
  void PutNumber(std::int64_t number) {
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(number));
    Put(std::string_view(digits, static_cast<std::size_t>(n)));
  }
  bool Close() {
    Flush();
    if (file_ == nullptr) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok_ && closed;
  }

 private:
  static constexpr std::size_t kSize = std::size_t{1} << 20;
  void Flush() {
    if (file_ != nullptr && used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_) {
      ok_ = false;
    }
    used_ = 0;
  }

  std::FILE* file_;
  std::unique_ptr<char[]> buffer_ = std::make_unique<char[]>(kSize);
  std::size_t used_ = 0;
  bool ok_ = true;
};

}  // namespace

std::string VariableName(const ChainSpec& spec, std::int64_t variable) {
  if (variable == 0) return "deviance";
  static constexpr const char* kBases[] = {"alpha", "beta",  "gamma", "tau",
                                           "theta", "sigma", "mu",    "p"};
  constexpr std::int64_t kBaseCount = 8;
  // The other variables are vectors of about equal length, one per base name.
  const std::int64_t length = std::max<std::int64_t>(1, (spec.variables - 2) / kBaseCount + 1);
  const std::int64_t position = variable - 1;
  std::string name = kBases[(position / length) % kBaseCount];
  if (position / length >= kBaseCount) name += std::to_string(position / length / kBaseCount);
  return name + "[" + std::to_string(position % length + 1) + "]";
}

std::string SampleValue(const ChainSpec& spec, std::int64_t variable, std::int64_t sample) {
  const Variable v = Describe(spec, variable);
  const std::uint64_t h =
      Hash(spec.seed, static_cast<std::uint64_t>(variable), static_cast<std::uint64_t>(sample));
  double value = 0.0;
  switch (v.kind) {
    case kLocation:
    case kDeviance:
      value = v.centre + v.spread * Normal(h);
      break;
    case kScale:
    case kProbability:
      value = std::exp(v.centre + v.spread * Normal(h));
      break;
    case kIndicator:
      value = Uniform(h) < v.centre ? 1.0 : 0.0;
      break;
    default:
      value = std::floor(v.centre + 4.0 * Normal(h));
      if (value < 0.0) value = 0.0;
      break;
  }
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%g", value);
  return std::string(text, static_cast<std::size_t>(n));
}

bool WriteChainPair(const ChainSpec& spec, const std::string& stem) {
  Output index(stem + ".ind");
  if (!index.ok()) return false;
  for (std::int64_t variable = 0; variable < spec.variables; ++variable) {
    index.Put(VariableName(spec, variable));
    index.Put(" ");
    index.PutNumber(variable * spec.samples + 1);
    index.Put(" ");
    index.PutNumber((variable + 1) * spec.samples);
    index.Put("\r\n");
  }
  if (!index.Close()) return false;

  Output data(stem + ".out");
  if (!data.ok()) return false;
  for (std::int64_t variable = 0; variable < spec.variables; ++variable) {
    for (std::int64_t sample = 0; sample < spec.samples; ++sample) {
      data.PutNumber(kFirstIteration + sample);
      data.Put("  ");
      data.Put(SampleValue(spec, variable, sample));
      data.Put("\r\n");
    }
  }
  return data.Close();
}

}  // namespace quillet::bench
