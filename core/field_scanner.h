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
// What blank lines are made of: blanks, CR and LF. Takes a byte as Peek()
// gives it.
inline bool IsLineBlank(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
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

// Pass B's blanks after the iteration number. True when a value follows: its
// first byte is consumed and left in currentChar. False when the blanks end
// at a line end (LF, or CR LF, consumed) or at the end of the file: the line
// has an empty value and is finished.
inline bool SkipBlanksToValue(TextReader& stream, ScanState& scan) {
  char c;
  do {
    if (stream.AtEndOfStream()) return false;
    c = stream.Read();
  } while (IsBlank(c));
  if (c == '\n') return false;
  if (c == '\r' && stream.Peek() == '\n') {
    stream.Read();
    return false;
  }
  scan.currentChar = static_cast<unsigned char>(c);  // a lone CR included
  return true;
}

// How the samples field ended.
enum class SamplesFieldEnd {
  kBlankOrCr,  // a space or CR: the rest of the first line follows
  kLineEnd,    // a LF or the end of the file: the first line is complete
};

// Collects the samples field into fieldText: currentChar (the field's first
// byte, left by SkipBlanks), then the bytes up to a space, CR, LF or the end
// of the file. The ending byte is consumed. A currentChar that is itself a CR
// or LF ends an empty field.
inline SamplesFieldEnd CollectSamplesField(TextReader& stream, ScanState& scan) {
  int c = scan.currentChar;
  while (c != ScanState::kNoChar) {
    if (c == '\n') return SamplesFieldEnd::kLineEnd;
    if (IsSamplesFieldEnd(static_cast<char>(c))) return SamplesFieldEnd::kBlankOrCr;
    scan.fieldText.push_back(static_cast<char>(c));
    c = stream.AtEndOfStream() ? ScanState::kNoChar : static_cast<unsigned char>(stream.Read());
  }
  return SamplesFieldEnd::kLineEnd;
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
