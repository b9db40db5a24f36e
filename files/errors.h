// The family of unexpected errors. Commands do not catch them; they reach the
// top-level error report of whichever program runs the command, which shows
// what() to the user. Each message names the error in plain words. File
// access adds its own errors here; the conversion's named errors stand next
// to the core.
#pragma once

#include <stdexcept>
#include <string>

namespace quillet {

class QuilletError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The operations a FileError names, in the words every message uses.
inline constexpr const char* kCannotCreate = "Cannot create file";
inline constexpr const char* kCannotWrite = "Cannot write file";
inline constexpr const char* kCannotOpenForReading = "Cannot open file for reading";
inline constexpr const char* kCannotRead = "Cannot read file";
inline constexpr const char* kCannotListDirectory = "List directory";

// A file operation that failed: says which operation, on which path, and why.
class FileError : public QuilletError {
 public:
  FileError(const std::string& operation, const std::string& path, const std::string& reason)
      : QuilletError(operation + " \"" + path + "\": " + reason),
        operation_(operation),
        path_(path),
        reason_(reason) {}

  const std::string& operation() const { return operation_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string operation_;
  std::string path_;
  std::string reason_;
};

}  // namespace quillet
