// Text between Quillet and Windows' wide-character API: UTF-8 inside, UTF-16
// outside. Windows only (wide_text_win32.cpp).
#pragma once

#include <cstddef>
#include <string>

namespace quillet {

// UTF-8 into UTF-16 code units. The three-byte forms of the surrogates, which
// Utf8Of gives for an unpaired one, are taken back as such. A byte that
// begins no valid sequence becomes U+FFFD; false when there was one.
bool DecodeUtf8(const std::string& text, std::wstring& out);

// The same, for text known or taken to be valid.
std::wstring Wide(const std::string& text);

// UTF-16 code units as UTF-8; an unpaired surrogate keeps its value in the
// three-byte form, so that every file name survives the way there and back.
std::string Utf8Of(const wchar_t* text, std::size_t size);
std::string Utf8Of(const std::wstring& text);

}  // namespace quillet
