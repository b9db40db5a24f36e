// The byte-at-a-time scanner that the chain readers share. Each step reads
// single bytes from the stream; reading past its end throws InputPastEndError.
#pragma once

#include "core/conversion_state.h"
#include "files/text_reader.h"

namespace quillet {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
inline bool IsSamplesFieldEnd(char c) {
  return c == ' ' || c == '\r';
}
inline bool IsNameEnd(char c) {
  return c == ' ' || c == '\t';
}

// Reads until the byte just read is a blank; that blank is left in currentChar.
inline void SkipField(TextReader& stream, ScanState& scan) {
  char c;
  do {
    c = stream.Read();
  } while (!IsBlank(c));
  scan.currentChar = static_cast<unsigned char>(c);
}

// Reads until the byte just read is not a blank; that byte is consumed and
// left in currentChar for the caller to use.
inline void SkipBlanks(TextReader& stream, ScanState& scan) {
  char c;
  do {
    c = stream.Read();
  } while (IsBlank(c));
  scan.currentChar = static_cast<unsigned char>(c);
}

// Appends currentChar to fieldText, then every byte read up to one of the end
// class; that ending byte is consumed, kept in currentChar, and not appended.
template <typename EndClass>
void CollectField(TextReader& stream, ScanState& scan, EndClass is_end) {
  char c;
  if (scan.currentChar != ScanState::kNoChar) {
    scan.fieldText.push_back(static_cast<char>(scan.currentChar));
  }
  for (;;) {
    c = stream.Read();
    if (is_end(c)) break;
    scan.fieldText.push_back(c);
  }
  scan.currentChar = static_cast<unsigned char>(c);
}

}  // namespace quillet
