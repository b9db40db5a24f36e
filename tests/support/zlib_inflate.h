// What the workbook's compression is checked against: zlib, as spreadsheet
// programs read it.
#pragma once

#include <zlib.h>

#include <stdexcept>
#include <string>

namespace quillet::testing {

// A raw deflate stream inflated by zlib; throws when it is not one whole
// stream.
inline std::string Inflate(const std::string& compressed) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) throw std::runtime_error("inflateInit2");
  std::string out;
  char buffer[1 << 16];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  z.avail_in = static_cast<uInt>(compressed.size());
  int result = Z_OK;
  while (result == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    result = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  }
  const bool whole = result == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  if (!whole) throw std::runtime_error("not one whole deflate stream");
  return out;
}

}  // namespace quillet::testing
