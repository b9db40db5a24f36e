// Fuzz target over the settings file.
//
// Each input is used twice: as the bytes of an existing "qltini.ini", which
// LoadSettings must read as its second line; and as a stem, which SaveSettings
// must store as the header line and the stem, each ended by CR LF, and which
// LoadSettings must give back byte for byte up to its first LF.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "files/errors.h"
#include "fuzz_support.h"
#include "settings/settings_file.h"

namespace quillet::fuzzing {
namespace {

// The line that starts at `from`: up to the next LF, without one CR just
// before it; a line that the end of the bytes cuts off keeps all its bytes.
std::string_view LineAt(std::string_view bytes, std::size_t from) {
  const auto lf = bytes.find('\n', from);
  if (lf == std::string_view::npos) return bytes.substr(from);
  std::string_view line = bytes.substr(from, lf - from);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// What LoadSettings must return for a settings file holding `bytes`: the
// second line, or the empty text when there is none.
std::string RememberedStem(std::string_view bytes) {
  const auto first_lf = bytes.find('\n');
  if (first_lf == std::string_view::npos || first_lf + 1 == bytes.size()) return {};
  return std::string(LineAt(bytes, first_lf + 1));
}

std::optional<std::string> Load() {
  try {
    return LoadSettings();
  } catch (const std::exception& error) {
    Finding(error.what());  // LoadSettings handles its own failures
  }
}

void CheckSettings(const std::string& bytes) {
  WriteScratchFile(kSettingsFileName, bytes);
  if (Load() != RememberedStem(bytes)) Finding("LoadSettings misread an existing file");

  bool saved = false;
  try {
    saved = SaveSettings(bytes);
  } catch (const std::exception& error) {
    Finding(error.what());
  }
  if (!saved) Finding("SaveSettings failed in a writable directory");
  const std::string file = ReadScratchFile(kSettingsFileName);
  if (file != std::string(kSettingsHeader) + "\r\n" + bytes + "\r\n") {
    Finding("SaveSettings wrote other bytes than the header and the stem");
  }
  if (Load() != std::string(LineAt(bytes, 0))) Finding("the saved stem did not load back");
}

}  // namespace
}  // namespace quillet::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillet::fuzzing;

  // The settings file lives in the current directory; the fuzzer's own
  // relative paths (corpus, findings) need the old one back afterwards.
  const int previous_dir = ::open(".", O_RDONLY | O_DIRECTORY);
  if (previous_dir < 0 || ::chdir(ScratchDir().c_str()) != 0) {
    Finding("cannot enter the scratch directory");
  }
  CheckSettings(std::string(reinterpret_cast<const char*>(data), size));
  if (::fchdir(previous_dir) != 0) Finding("cannot return to the current directory");
  ::close(previous_dir);
  return 0;
}
