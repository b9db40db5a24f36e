// UTF-8 read and written one character at a time: for the names that the
// platform seams turn into the system's characters and back, for letter-case
// folding, and for the text of a workbook.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

struct Utf8Character {
  char32_t code = 0;
  std::size_t length = 0;  // 0: the bytes begin no valid character
};

// The character that `text` begins with. Invalid: a stray continuation byte,
// an overlong form, a code point past U+10FFFF, a sequence cut short, and a
// surrogate unless `surrogates` allows it (an unpaired surrogate in a Windows
// name is kept as its three bytes so that the name round-trips).
inline Utf8Character DecodeUtf8At(std::string_view text, bool surrogates = false) {
  if (text.empty()) return {};
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  const std::size_t length = lead < 0xC2   ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || text.size() < length) return {};
  char32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {};
    code = (code << 6) | (byte(i) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF) return {};
  if (!surrogates && code >= 0xD800 && code <= 0xDFFF) return {};
  return {code, length};
}

// True when `text` is valid UTF-8 as a whole (as DecodeUtf8At reads it).
inline bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = DecodeUtf8At(text).length;
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

// Appends the UTF-8 bytes of `code` (one to four bytes, by its size). A
// surrogate code is encoded as its three bytes.
inline void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace quillet
