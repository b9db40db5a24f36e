#include <windows.h>

#include <gtest/gtest.h>

#include "files/platform.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace quillet::testing {
namespace {

// One argument as the C runtime of the program started reads it back from
// the command line: quoted when it holds a blank or a quote or is empty, a
// quote escaped, and the backslashes before a quote doubled.
std::wstring Quoted(const std::string& arg) {
  const std::wstring wide = NativePath(arg).native();
  if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) return wide;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : wide) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

// A file the child inherits as a standard handle.
HANDLE Inherited(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(NativePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
  TempDir capture;
  const std::string out_path = capture / "stdout";
  const std::string err_path = capture / "stderr";
  std::wstring command = Quoted(program);
  for (const std::string& arg : args) command += L" " + Quoted(arg);

  ProcessResult result;
  if (options.address_space_limit != 0) {
    ADD_FAILURE() << "no limit of the address space on Windows";
    return result;
  }
  const HANDLE in = Inherited(NullDevice(), GENERIC_READ, OPEN_EXISTING);
  const HANDLE out = Inherited(out_path, GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE err = Inherited(err_path, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring cwd = NativePath(options.cwd).native();
  // Without an application name Windows looks for the program beside the
  // running one first.
  const bool started = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
                       err != INVALID_HANDLE_VALUE &&
                       CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      cwd.empty() ? nullptr : cwd.c_str(), &startup, &process);
  for (const HANDLE handle : {in, out, err}) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  if (!started) {
    ADD_FAILURE() << "cannot run " << program << ": error " << GetLastError();
    return result;
  }
  DWORD status = 0;
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &status)) {
    ADD_FAILURE() << "cannot wait for " << program;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.status = static_cast<int>(status);
  result.out = ReadFileBytes(out_path);
  result.err = ReadFileBytes(err_path);
  return result;
}

std::string TextLines(const std::string& text) {
  std::string lines;
  for (const char c : text) {
    if (c == '\n') lines.push_back('\r');
    lines.push_back(c);
  }
  return lines;
}

std::string ReadInTextMode(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(bytes[i]);
  }
  return text;
}

std::string NullDevice() {
  return "NUL";
}

std::optional<bool> IsOpenInThisProcess(const std::string&) {
  return std::nullopt;  // only the system's whole handle table could tell
}

}  // namespace quillet::testing
