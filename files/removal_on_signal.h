// Names of new files that must not outlive the process: a signal that ends
// it (SIGINT, SIGTERM, SIGHUP, SIGPIPE) removes them first, and then takes
// its course as before. Used where a new file cannot be made without a name;
// on Windows, where the new file is deleted when its handle closes, these do
// nothing (replacement_win32.cpp). Nothing here helps against SIGKILL: only a
// file that has no name until it is complete survives that without a trace.
#pragma once

#include <string>

namespace quillet {

// Installs the handlers, once per process, for those of the four signals
// that would end the process (a signal ignored or handled by someone else is
// left as it is), and ignores SIGXFSZ unless someone handles it, so that a
// file-size limit fails a write with EFBIG ("File too large").
void PrepareForWriting();

// Records `path` for removal on a signal; the place it took, or -1 when
// every place is taken or the path is too long to keep (it is then not
// removed on a signal, though still on every ordinary failure).
int RemoveOnSignal(const std::string& path);

// Forgets the path of `slot` (-1 does nothing). Called once the path names
// a finished file, or none.
void KeepOnSignal(int slot);

}  // namespace quillet
