// Text between Quillet, where it is UTF-8, and Windows' wide-character API,
// where it is UTF-16. Used by the platform seam and by the Windows window.
#include "files/wide_text.h"

#include "files/utf8.h"

namespace quillet {

bool DecodeUtf8(const std::string& text, std::wstring& out) {
  out.clear();
  out.reserve(text.size());
  bool valid = true;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    const unsigned lead = bytes[i];
    if (lead < 0x80) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;  // below this the sequence is longer than it needs to be
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07, least = 0x10000;
    }
    std::size_t taken = 1;
    while (taken < length && i + taken < size && (bytes[i + taken] & 0xC0) == 0x80) {
      code = (code << 6) | (bytes[i + taken] & 0x3F);
      ++taken;
    }
    if (length == 0 || taken < length || code < least || code > 0x10FFFF) {
      out.push_back(L'\xFFFD');
      valid = false;
      ++i;
      continue;
    }
    i += length;
    if (code < 0x10000) {
      out.push_back(static_cast<wchar_t>(code));
    } else {
      code -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    }
  }
  return valid;
}

std::string Utf8Of(const wchar_t* text, std::size_t size) {
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    char32_t code = static_cast<char16_t>(text[i]);
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < size) {
      const char32_t low = static_cast<char16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(code, out);
  }
  return out;
}

std::string Utf8Of(const std::wstring& text) {
  return Utf8Of(text.data(), text.size());
}

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  DecodeUtf8(text, wide);
  return wide;
}

}  // namespace quillet
