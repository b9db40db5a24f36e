// Text between Quillet, where it is UTF-8, and Windows' wide-character API,
// where it is UTF-16. Used by the platform seam and by the Windows window.
#include "files/wide_text.h"

#include "files/utf8.h"

namespace quillet {

bool DecodeUtf8(const std::string& text, std::wstring& out) {
  out.clear();
  out.reserve(text.size());
  bool valid = true;
  for (std::string_view rest = text; !rest.empty();) {
    auto [code, length] = DecodeUtf8At(rest, /*surrogates=*/true);
    if (length == 0) {
      out.push_back(L'\xFFFD');
      valid = false;
      rest.remove_prefix(1);
      continue;
    }
    rest.remove_prefix(length);
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
