// How a target is written, decided once for every system over the
// operations of replacement_primitives.h, and the hidden names of new files.
#include "files/replacement_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "files/errors.h"
#include "files/removal_on_signal.h"
#include "files/replacement_primitives.h"

namespace quillet {

using namespace replacement;

namespace {

// Names tried for the new file before giving up; each is random, so a clash
// means another writer picked the same name just now.
constexpr int kNamesTried = 100;
// The new file's name is the target's, hidden and lengthened by a random
// suffix; a long target name is cut so that the whole stays a valid name.
constexpr std::size_t kLongestBaseKept = 128;
// The random suffix: as long as this where the path allows, never shorter
// than the least, whose 62^4 names still make a clash rare.
constexpr std::size_t kSuffixLength = 8;
constexpr std::size_t kLeastSuffixLength = 4;

[[noreturn]] void Fail(const char* operation, const std::string& path, const Fault& fault) {
  throw FileError(operation, path, fault.reason);
}

Fault ErrnoFault(int error, Fault::Kind kind = Fault::kOther) {
  return Fault{kind, std::strerror(error)};
}

std::string RandomSuffix(std::size_t length) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string suffix(length, '\0');
  for (char& letter : suffix) letter = kLetters[pick(random)];
  return suffix;
}

// A name for the new file beside `path`: the target's, hidden and lengthened
// by a random suffix. Where that path would be too long for the system, the
// target's name in it is cut, then the suffix, down to kLeastSuffixLength;
// a path that is too long even so is returned as it is, for the caller to
// refuse (HiddenNameFits).
std::string HiddenNameBeside(const std::string& path) {
  const NameParts parts = SplitName(path);
  std::string base = NameHead(parts.name, kLongestBaseKept);
  const std::size_t full = parts.directory.size() + base.size() + kSuffixLength + 2;
  std::size_t excess = full > LongestPath() ? full - LongestPath() : 0;
  const std::size_t base_cut = std::min(excess, base.size());
  base.resize(base.size() - base_cut);
  excess -= base_cut;
  const std::size_t suffix_length =
      kSuffixLength - std::min(excess, kSuffixLength - kLeastSuffixLength);
  return parts.directory + "." + base + "." + RandomSuffix(suffix_length);
}

// Whether a hidden name beside `path` is a path the system takes.
bool HiddenNameFits(const std::string& path) {
  return HiddenNameBeside(path).size() <= LongestPath();
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
  PrepareForWriting();
  int descriptor = -1;
  real_path_ = FollowLinks(target, &descriptor);
  Fault fault;
  if (descriptor >= 0) {
    fd_ = replacement::WriteThrough(descriptor, fault);
    if (fd_ < 0) Fail(kCannotCreate, target_, fault);
    regular_file_ = false;  // written as standard output is: no flush to disk
    return;
  }
  // The new file beside the target: unnamed where the system can, otherwise
  // under a hidden name known before the file exists, so that a signal in
  // between finds it (removing a name not made yet does nothing).
  const auto create_new = [&]() -> Fault {
    // Found now, not once the table is written and the new file is named.
    if (!HiddenNameFits(real_path_)) return ErrnoFault(ENAMETOOLONG);
    Fault failure;
    fd_ = CreateUnnamed(real_path_, failure);
    if (fd_ >= 0) {
      unnamed_ = true;
      return {};
    }
    if (failure.kind != Fault::kUnsupported) return failure;
    for (int tried = 0; tried < kNamesTried; ++tried) {
      std::string name = HiddenNameBeside(real_path_);
      removal_slot_ = RemoveOnSignal(name);
      fd_ = CreateExclusive(name, failure);
      if (fd_ >= 0) {
        temp_path_ = std::move(name);
        return {};
      }
      KeepOnSignal(removal_slot_);
      removal_slot_ = -1;
      if (failure.kind != Fault::kClash) return failure;
    }
    return ErrnoFault(EEXIST, Fault::kClash);
  };

  OldFile old;
  Examine(real_path_, old);
  if (!old.exists) {
    // No file to keep: a new one, put in place by Commit like any other.
    if ((fault = create_new())) Fail(kCannotCreate, target_, fault);
    return;
  }
  if (old.directory) Fail(kCannotCreate, target_, ErrnoFault(EISDIR));
  // Asked first, so that a read-only file system is named as the cause
  // rather than the file's own mode.
  if (old.write_refused) Fail(kCannotCreate, target_, old.write_refused);
  // Without any write permission the file is read-only, even to a superuser
  // who could write it anyway: a direct create would be refused for others.
  if (old.read_only) Fail(kCannotCreate, target_, ErrnoFault(EACCES));

  // Replace the file by a new one where the new one can be all that the old
  // one was; otherwise write in place, as a plain open and write would.
  regular_file_ = old.regular;
  if (!regular_file_) {
    // A device, pipe or socket (-o /dev/null, a named pipe): a regular file
    // renamed over it would end it, or not reach it.
  } else if (old.more_than_one_link) {
    // Hard links: the other names would keep the old bytes.
  } else if ((fault = create_new())) {
    // Only a directory that the writer may not add to is what writing in
    // place is for. Anything else (no space, no inode left, a quota, a name
    // too long) would fail the write in place too, after emptying the file.
    if (fault.kind != Fault::kNoPermission) Fail(kCannotCreate, target_, fault);
  } else if (!CarryMetadata(fd_, old, real_path_)) {
    // An owner, group or attribute that the new file cannot be given (root's
    // file in a shared folder, a security label) would be lost.
    Discard();
  } else {
    attributes_ = old.attributes;
    return;  // replaced by rename in Commit
  }
  // Not emptied: the old bytes stay until the first Write needs the room.
  fd_ = OpenInPlace(real_path_, old, fault);
  if (fd_ < 0) Fail(kCannotCreate, target_, fault);
  empty_first_ = regular_file_;
}

void ReplacementFile::NameNewFile() {
  for (int tried = 0; tried < kNamesTried; ++tried) {
    std::string name = HiddenNameBeside(real_path_);
    removal_slot_ = RemoveOnSignal(name);
    const Fault fault = NameUnnamed(fd_, name);
    if (!fault) {
      temp_path_ = std::move(name);
      unnamed_ = false;
      return;
    }
    KeepOnSignal(removal_slot_);
    removal_slot_ = -1;
    if (fault.kind != Fault::kClash) Fail(kCannotWrite, target_, fault);
  }
  Fail(kCannotWrite, target_, ErrnoFault(EEXIST));
}

ReplacementFile::~ReplacementFile() {
  Discard();
}

void ReplacementFile::Write(const char* data, std::size_t size) {
  Fault fault;
  if (size > 0 && empty_first_) {
    if ((fault = Truncate(fd_))) {
      Discard();
      Fail(kCannotWrite, target_, fault);
    }
    empty_first_ = false;
  }
  if (size > 0 && (fault = WriteAll(fd_, data, size))) {
    Discard();
    Fail(kCannotWrite, target_, fault);
  }
  written_ += size;
  // The disk writes while the rest is made, rather than all of it at the
  // Flush in Commit, which then waits for the last 2 MiB at most; steps of
  // a few MiB cost no more calls' worth of time than larger ones.
  constexpr std::uint64_t kWriteOutStep = std::uint64_t{2} << 20;
  if (regular_file_ && written_ - written_out_ >= kWriteOutStep) {
    StartWritingOut(fd_, written_out_, written_ - written_out_);
    written_out_ = written_;
  }
}

void ReplacementFile::Commit() {
  Fault fault;
  // Written in place without a byte: the file ends empty all the same.
  if (empty_first_) fault = Truncate(fd_);
  empty_first_ = false;
  if (!fault && !temp_path_.empty()) fault = KeepNewFile(fd_, attributes_);
  if (!fault && regular_file_) fault = Flush(fd_);
  if (!fault && unnamed_) {
    // The complete file gets its hidden name only now, just before the
    // rename: the moment a signal could leave it behind is that short.
    try {
      NameNewFile();
    } catch (const FileError&) {
      Discard();
      throw;
    }
  }
  const Fault closed = Close(fd_);
  fd_ = -1;
  if (!fault) fault = closed;
  if (!fault && !temp_path_.empty()) {
    fault = RenameOver(temp_path_, real_path_);
    if (!fault) {
      temp_path_.clear();
      KeepOnSignal(removal_slot_);
      removal_slot_ = -1;
      SyncDirectoryOf(real_path_);
    }
  }
  if (fault) {
    Discard();
    Fail(kCannotWrite, target_, fault);
  }
}

void ReplacementFile::Discard() noexcept {
  if (fd_ >= 0) {
    (void)Close(fd_);
    fd_ = -1;
  }
  if (!temp_path_.empty()) {
    Remove(temp_path_);
    temp_path_.clear();
  }
  KeepOnSignal(removal_slot_);
  removal_slot_ = -1;
  unnamed_ = false;
}

}  // namespace quillet
