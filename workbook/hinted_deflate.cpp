#include "workbook/hinted_deflate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <vector>

// The coding is compiled twice on x86-64 with GCC or Clang: for any such
// processor, and for those with BMI2, whose shifts by a count in a register
// take one instruction instead of three, the most of what a literal costs.
// Everything the coding calls is inlined into both, and the processor's
// kind chooses one at run time.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define QUILLET_CODING_FOR_BMI2 1
#define QUILLET_INLINE [[gnu::always_inline]] inline
#else
#define QUILLET_INLINE inline
#endif

namespace quillet {
namespace {

// The bits are stored eight bytes at a time, and bytes compared eight at a
// time, in the order of a little-endian processor's words.
static_assert(std::endian::native == std::endian::little,
              "the deflate by hints needs little-endian");

// The deflate format's alphabets: literals, the end of a block and the
// lengths of back-references in one; their distances in another; and the
// code lengths of those two, which head a block with codes of its own.
constexpr int kLiteralLengthSymbols = 286;
constexpr int kEndOfBlock = 256;
constexpr int kDistanceCount = 30;
constexpr int kCodeLengthSymbols = 19;
constexpr int kLongestCode = 15;
constexpr int kLongestCodeLengthCode = 7;
constexpr std::uint32_t kShortestMatch = 4;  // three bytes seldom pay for a far reference
constexpr std::uint32_t kLongestMatch = 258;
constexpr std::uint32_t kFarthestMatch = 32768;

// The symbol and extra bits of a match's length or distance.
struct Coded {
  int symbol;
  int extra_bits;
  std::uint32_t extra;
};

// Lengths 3..258: eight of one length each, then four by four twice as wide,
// and 258 alone.
constexpr Coded LengthCode(std::uint32_t length) {
  if (length == kLongestMatch) return {285, 0, 0};
  const std::uint32_t x = length - 3;
  if (x < 8) return {257 + static_cast<int>(x), 0, 0};
  const int high = std::bit_width(x) - 1;  // 3.. for x >= 8
  const std::uint32_t quarter = (x >> (high - 2)) & 3;
  return {257 + 4 * (high - 1) + static_cast<int>(quarter), high - 2,
          x - ((4 + quarter) << (high - 2))};
}

// Distances 1..32768: four of one distance each, then two by two twice as
// wide.
constexpr Coded DistanceCode(std::uint32_t distance) {
  const std::uint32_t x = distance - 1;
  if (x < 4) return {static_cast<int>(x), 0, 0};
  const int high = std::bit_width(x) - 1;  // 2.. for x >= 4
  const std::uint32_t half = (x >> (high - 1)) & 1;
  return {2 * high + static_cast<int>(half), high - 1, x - ((2 + half) << (high - 1))};
}

// The distances' symbols, looked up: the distance less one when below 256,
// else 256 and its bits above the lowest seven, which the extra bits of
// every symbol from 256 on cover.
constexpr auto kDistanceSymbols = [] {
  std::array<std::uint8_t, 512> table{};
  for (std::uint32_t x = 0; x < 256; ++x) {
    table[x] = static_cast<std::uint8_t>(DistanceCode(x + 1).symbol);
    table[256 + x] = static_cast<std::uint8_t>(DistanceCode((x << 7) + 1).symbol);
  }
  return table;
}();

// The lengths 3..258, coded once, since every match needs its own.
constexpr auto kLengthCodes = [] {
  std::array<Coded, kLongestMatch + 1> table{};
  for (std::uint32_t length = 3; length <= kLongestMatch; ++length) {
    table[length] = LengthCode(length);
  }
  return table;
}();

// Huffman code lengths of at most `longest` bits for symbols of the given
// frequencies (0: no code). The optimal lengths, unless one would pass
// `longest`: then the longest are cut to it and enough shorter codes made
// one bit longer to keep the code a prefix code. Ties fall by symbol, so the
// same frequencies always give the same lengths.
std::vector<std::uint8_t> CodeLengths(const std::vector<std::uint32_t>& frequencies, int longest) {
  std::vector<std::uint8_t> lengths(frequencies.size(), 0);
  std::vector<int> symbols;  // the used ones, least frequent first
  for (std::size_t s = 0; s < frequencies.size(); ++s) {
    if (frequencies[s] > 0) symbols.push_back(static_cast<int>(s));
  }
  std::stable_sort(symbols.begin(), symbols.end(),
                   [&](int a, int b) { return frequencies[a] < frequencies[b]; });
  const std::size_t n = symbols.size();
  if (n == 0) return lengths;
  if (n == 1) {
    lengths[symbols[0]] = 1;
    return lengths;
  }
  // The tree by the two-queue method: leaves in order of weight, and the
  // inner nodes, made in order of weight too.
  std::vector<std::uint64_t> weight(2 * n - 1);
  std::vector<std::size_t> parent(2 * n - 1);
  for (std::size_t i = 0; i < n; ++i) weight[i] = frequencies[symbols[i]];
  std::size_t next_leaf = 0;
  std::size_t next_inner = n;
  const auto take_lightest = [&](std::size_t made) {
    if (next_leaf < n && (next_inner == made || weight[next_leaf] <= weight[next_inner])) {
      return next_leaf++;
    }
    return next_inner++;
  };
  for (std::size_t made = n; made < 2 * n - 1; ++made) {
    const std::size_t a = take_lightest(made);
    const std::size_t b = take_lightest(made);
    weight[made] = weight[a] + weight[b];
    parent[a] = made;
    parent[b] = made;
  }
  // Depths from the root down: an inner node is made after its children.
  std::vector<int> depth(2 * n - 1, 0);
  for (std::size_t node = 2 * n - 2; node-- > 0;) depth[node] = depth[parent[node]] + 1;
  std::vector<std::uint32_t> count(64, 0);  // codes of each length
  for (std::size_t i = 0; i < n; ++i) ++count[std::min(depth[i], longest)];
  // Cutting overlong codes to `longest` leaves the lengths claiming more than
  // the whole code space: take one code of the longest length away at a
  // time and split a shorter one into two, which frees one place each time.
  std::uint64_t claimed = 0;
  for (int length = 1; length <= longest; ++length) {
    claimed += std::uint64_t{count[length]} << (longest - length);
  }
  for (; claimed > (std::uint64_t{1} << longest); --claimed) {
    --count[longest];
    for (int length = longest - 1; length > 0; --length) {
      if (count[length] > 0) {
        --count[length];
        count[length + 1] += 2;
        break;
      }
    }
  }
  // The longest codes to the least frequent symbols.
  std::size_t next = 0;
  for (int length = longest; length > 0; --length) {
    for (std::uint32_t k = 0; k < count[length]; ++k) {
      lengths[symbols[next++]] = static_cast<std::uint8_t>(length);
    }
  }
  return lengths;
}

// A prefix code: each symbol's bits, reversed into the order the format
// sends them (lowest first), and their number.
struct Code {
  std::vector<std::uint16_t> bits;
  std::vector<std::uint8_t> lengths;
};

// The canonical code of the given lengths.
Code CanonicalCode(std::vector<std::uint8_t> lengths) {
  std::array<std::uint32_t, kLongestCode + 2> count{};
  for (const std::uint8_t length : lengths) ++count[length];
  count[0] = 0;
  std::array<std::uint32_t, kLongestCode + 2> next{};
  std::uint32_t code = 0;
  for (int length = 1; length <= kLongestCode; ++length) {
    code = (code + count[length - 1]) << 1;
    next[length] = code;
  }
  Code result{std::vector<std::uint16_t>(lengths.size(), 0), std::move(lengths)};
  for (std::size_t s = 0; s < result.lengths.size(); ++s) {
    const int length = result.lengths[s];
    if (length == 0) continue;
    const std::uint32_t value = next[length]++;
    std::uint32_t reversed = 0;
    for (int bit = 0; bit < length; ++bit) reversed |= ((value >> bit) & 1) << (length - 1 - bit);
    result.bits[s] = static_cast<std::uint16_t>(reversed);
  }
  return result;
}

// Bits written lowest first into bytes, eight bytes stored at a time: the
// output has room for eight bytes past the last one written.
class BitWriter {
 public:
  explicit BitWriter(char* at) : at_(at) {}

  // At most 56 bits between two calls of Flush().
  QUILLET_INLINE void Put(std::uint64_t bits, int count) {
    buffer_ |= bits << used_;
    used_ += count;
  }

  QUILLET_INLINE void Flush() {
    std::memcpy(at_, &buffer_, sizeof buffer_);
    at_ += used_ >> 3;
    buffer_ >>= used_ & ~7;
    used_ &= 7;
  }

  // Pads to a byte boundary and returns the end of the bytes written.
  char* End() {
    Flush();
    if (used_ > 0) {
      used_ = 8;
      Flush();
    }
    return at_;
  }

 private:
  char* at_;
  std::uint64_t buffer_ = 0;
  int used_ = 0;
};

// How many bytes from `a` and `b` agree, up to `most`.
QUILLET_INLINE std::uint32_t Agreeing(const char* a, const char* b, std::uint32_t most) {
  std::uint32_t n = 0;
  for (; n + 8 <= most; n += 8) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + static_cast<std::uint32_t>(std::countr_zero(x ^ y) / 8);
  }
  while (n < most && a[n] == b[n]) ++n;
  return n;
}

// The code length codes, in the order the format sends their lengths.
constexpr std::array<int, kCodeLengthSymbols> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// A run of code lengths as the format abbreviates it: a length, or 16
// (repeat the last 3..6 times), 17 (3..10 zeros), 18 (11..138 zeros).
struct LengthRun {
  std::uint8_t symbol;
  std::uint8_t extra;
};

std::vector<LengthRun> RunsOf(const std::vector<std::uint8_t>& lengths) {
  std::vector<LengthRun> runs;
  for (std::size_t i = 0; i < lengths.size();) {
    const std::uint8_t length = lengths[i];
    std::size_t same = 1;
    while (i + same < lengths.size() && lengths[i + same] == length) ++same;
    std::size_t left = same;
    if (length == 0) {
      while (left >= 11) {
        const std::size_t n = std::min<std::size_t>(left, 138);
        runs.push_back({18, static_cast<std::uint8_t>(n - 11)});
        left -= n;
      }
      if (left >= 3) {
        runs.push_back({17, static_cast<std::uint8_t>(left - 3)});
        left = 0;
      }
    } else {
      runs.push_back({length, 0});
      --left;
      while (left >= 3) {
        const std::size_t n = std::min<std::size_t>(left, 6);
        runs.push_back({16, static_cast<std::uint8_t>(n - 3)});
        left -= n;
      }
    }
    for (; left > 0; --left) runs.push_back({length, 0});
    i += same;
  }
  return runs;
}

// Gives `frequencies` at least two used symbols, so that their code is a
// whole prefix code as every reader accepts.
void AtLeastTwo(std::vector<std::uint32_t>& frequencies) {
  int used = 0;
  for (const std::uint32_t f : frequencies) used += f > 0 ? 1 : 0;
  for (std::size_t s = 0; used < 2; ++s) {
    if (frequencies[s] == 0) {
      frequencies[s] = 1;
      ++used;
    }
  }
}

// The block's header: its kind and the two codes' lengths, themselves coded.
void PutHeader(BitWriter& out, bool last, const Code& literals, const Code& distances) {
  std::size_t literal_count = kLiteralLengthSymbols;
  while (literal_count > 257 && literals.lengths[literal_count - 1] == 0) --literal_count;
  std::size_t distance_count = kDistanceCount;
  while (distance_count > 1 && distances.lengths[distance_count - 1] == 0) --distance_count;
  std::vector<std::uint8_t> lengths(literals.lengths.begin(),
                                    literals.lengths.begin() + literal_count);
  lengths.insert(lengths.end(), distances.lengths.begin(),
                 distances.lengths.begin() + distance_count);
  const std::vector<LengthRun> runs = RunsOf(lengths);
  std::vector<std::uint32_t> frequencies(kCodeLengthSymbols, 0);
  for (const LengthRun& run : runs) ++frequencies[run.symbol];
  AtLeastTwo(frequencies);
  const Code code = CanonicalCode(CodeLengths(frequencies, kLongestCodeLengthCode));
  std::size_t code_count = kCodeLengthSymbols;
  while (code_count > 4 && code.lengths[kCodeLengthOrder[code_count - 1]] == 0) --code_count;

  out.Put(last ? 1 : 0, 1);
  out.Put(2, 2);  // dynamic Huffman codes
  out.Put(literal_count - 257, 5);
  out.Put(distance_count - 1, 5);
  out.Put(code_count - 4, 4);
  out.Flush();
  for (std::size_t i = 0; i < code_count; ++i) {
    out.Put(code.lengths[kCodeLengthOrder[i]], 3);
    out.Flush();
  }
  static constexpr int kExtraBits[] = {2, 3, 7};
  for (const LengthRun& run : runs) {
    out.Put(code.bits[run.symbol], code.lengths[run.symbol]);
    if (run.symbol >= 16) out.Put(run.extra, kExtraBits[run.symbol - 16]);
    out.Flush();
  }
}

// A distance less one, coded by its looked-up symbol.
QUILLET_INLINE Coded DistanceOf(std::uint32_t x) {
  const int symbol = kDistanceSymbols[x < 256 ? x : 256 + (x >> 7)];
  if (symbol < 4) return {symbol, 0, 0};
  const int extra_bits = symbol / 2 - 1;
  return {symbol, extra_bits, x - ((2u + (symbol & 1)) << extra_bits)};
}

// Walks the bytes up to `end`, handing `to` each run of literals and each
// back-reference that the hints give, in order.
template <typename To>
QUILLET_INLINE void Walk(std::string_view text, std::uint32_t end,
                         std::span<const RepeatHint> hints, To& to) {
  const char* bytes = text.data();
  std::uint32_t done = 0;  // bytes up to here are handed on
  for (const RepeatHint& hint : hints) {
    if (hint.at >= end) break;
    if (hint.at < done || hint.distance == 0 || hint.distance > hint.at ||
        hint.distance > kFarthestMatch) {
      continue;
    }
    for (std::uint32_t at = hint.at;;) {
      const std::uint32_t length =
          Agreeing(bytes + at, bytes + at - hint.distance, std::min(kLongestMatch, end - at));
      if (length < kShortestMatch) break;
      to.Literals(bytes + done, at - done);
      to.Match(length, hint.distance - 1);
      at += length;
      done = at;
      if (length < kLongestMatch) break;  // the bytes differ here
    }
  }
  to.Literals(bytes + done, end - done);
}

// How often each symbol is used.
struct Frequencies {
  std::vector<std::uint32_t> literals = std::vector<std::uint32_t>(kLiteralLengthSymbols, 0);
  std::vector<std::uint32_t> distances = std::vector<std::uint32_t>(kDistanceCount, 0);

  void Literals(const char* bytes, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) ++literals[static_cast<unsigned char>(bytes[i])];
  }
  void Match(std::uint32_t length, std::uint32_t distance) {
    ++literals[kLengthCodes[length].symbol];
    ++distances[DistanceOf(distance).symbol];
  }
};

// The literals and back-references, coded. The writer and the codes' tables
// are its own, not referred to, so that they stay in registers: the bytes it
// writes might otherwise be where they lie.
struct Coder {
  BitWriter out;
  const std::uint16_t* literal_bits;
  const std::uint8_t* literal_lengths;
  const std::uint16_t* distance_bits;
  const std::uint8_t* distance_lengths;

  Coder(BitWriter writer, const Code& literals, const Code& distances)
      : out(writer),
        literal_bits(literals.bits.data()),
        literal_lengths(literals.lengths.data()),
        distance_bits(distances.bits.data()),
        distance_lengths(distances.lengths.data()) {}

  QUILLET_INLINE void Literal(unsigned char byte) {
    out.Put(literal_bits[byte], literal_lengths[byte]);
  }

  QUILLET_INLINE void Literals(const char* text, std::uint32_t n) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::uint32_t i = 0;
    // Three codes of at most 15 bits fit the writer's room between flushes.
    for (; i + 3 <= n; i += 3) {
      Literal(bytes[i]);
      Literal(bytes[i + 1]);
      Literal(bytes[i + 2]);
      out.Flush();
    }
    for (; i < n; ++i) Literal(bytes[i]);
    out.Flush();
  }

  QUILLET_INLINE void Match(std::uint32_t length, std::uint32_t distance) {
    const Coded& l = kLengthCodes[length];
    out.Put(literal_bits[l.symbol], literal_lengths[l.symbol]);
    out.Put(l.extra, l.extra_bits);
    const Coded d = DistanceOf(distance);
    out.Put(distance_bits[d.symbol], distance_lengths[d.symbol]);
    out.Put(d.extra, d.extra_bits);
    out.Flush();
  }
};

// The piece's literals and back-references coded, for any processor.
// A copy of its own codes them, whose address nothing else knows.
void CodeAnywhere(std::string_view text, std::span<const RepeatHint> hints, Coder& coder) {
  Coder local = coder;
  Walk(text, static_cast<std::uint32_t>(text.size()), hints, local);
  coder = local;
}

#ifdef QUILLET_CODING_FOR_BMI2
[[gnu::target("bmi2")]] void CodeWithBmi2(std::string_view text, std::span<const RepeatHint> hints,
                                          Coder& coder) {
  Coder local = coder;
  Walk(text, static_cast<std::uint32_t>(text.size()), hints, local);
  coder = local;
}

bool HasBmi2() {
  static const bool has = __builtin_cpu_supports("bmi2");
  return has;
}
#endif

// The codes are made from the literals and back-references of the first
// bytes only, which tell those of the rest well enough at a fraction of the
// cost; every symbol has a code, in case it comes later.
constexpr std::uint32_t kSampledBytes = std::uint32_t{1} << 16;

// The block coded with codes made for `frequencies`, into `room`: its size.
std::size_t CodeBlock(std::string_view text, std::span<const RepeatHint> hints, bool last,
                      const Frequencies& frequencies, bool any_processor, std::vector<char>& room) {
  const Code literal_code = CanonicalCode(CodeLengths(frequencies.literals, kLongestCode));
  const Code distance_code = CanonicalCode(CodeLengths(frequencies.distances, kLongestCode));
  // At most 15 bits a byte, the header, the flush's empty stored block and
  // the writer's eight bytes past the end; written into memory kept from one
  // call to the next, not cleared.
  const std::size_t most = 2 * text.size() + 1024;
  if (room.size() < most) room.resize(most);
  BitWriter writer(room.data());
  PutHeader(writer, last, literal_code, distance_code);
  Coder coder(writer, literal_code, distance_code);
#ifdef QUILLET_CODING_FOR_BMI2
  if (!any_processor && HasBmi2()) {
    CodeWithBmi2(text, hints, coder);
  } else {
    CodeAnywhere(text, hints, coder);
  }
#else
  CodeAnywhere(text, hints, coder);
#endif
  writer = coder.out;
  writer.Put(literal_code.bits[kEndOfBlock], literal_code.lengths[kEndOfBlock]);
  char* end;
  if (!last) {
    // An empty stored block: its three header bits, then on the byte
    // boundary its length 0 and that length's complement.
    writer.Put(0, 3);
    end = writer.End();
    std::memcpy(end, "\x00\x00\xff\xff", 4);
    end += 4;
  } else {
    end = writer.End();
  }
  return static_cast<std::size_t>(end - room.data());
}

}  // namespace

void HintedDeflater::Add(std::string_view text, std::span<const RepeatHint> hints, bool last,
                         std::string& out) {
  if (text.size() > kMostHintedBytes) throw std::length_error("Too many bytes to compress at once");
  if (text.empty() && !last) return;
  const auto size = static_cast<std::uint32_t>(text.size());

  // Codes from the first bytes, every symbol given one; where the first
  // bytes did not tell the rest (the block came to more than half its
  // size), codes from all of them, and the smaller result kept.
  Frequencies sampled;
  Walk(text, std::min(size, kSampledBytes), hints, sampled);
  for (std::uint32_t& f : sampled.literals) ++f;
  for (std::uint32_t& f : sampled.distances) ++f;
  std::size_t made = CodeBlock(text, hints, last, sampled, any_processor_, room_);
  if (size > kSampledBytes && made > size / 2) {
    Frequencies all;
    Walk(text, size, hints, all);
    ++all.literals[kEndOfBlock];
    AtLeastTwo(all.literals);
    AtLeastTwo(all.distances);
    std::vector<char> first(room_.begin(), room_.begin() + static_cast<std::ptrdiff_t>(made));
    const std::size_t again = CodeBlock(text, hints, last, all, any_processor_, room_);
    if (again > made) std::copy(first.begin(), first.end(), room_.begin());
    made = std::min(made, again);
  }
  out.append(room_.data(), made);
}

}  // namespace quillet
