// The directory trees the window's tests work in, the same for the forms'
// tests over recording views and for the toolkit's.
#pragma once

#include <filesystem>

#include "support/temp_dir.h"

namespace quillet::testing {

// Chain files and others to drag onto the main window.
inline void MakeDropTree(const TempDir& dir) {
  std::filesystem::create_directories(dir.path() / "runs.v2");
  std::filesystem::create_directories(dir.path() / "folder.out");
  for (const char* name :
       {"run.1.out", "runs.v2/chain.ind", "caf\xE9.out", "notes.txt", "RUN.OUT"}) {
    dir.Write(name, "");
  }
}

// Directories with data files and others for the browse dialog.
inline void MakeBrowseTree(const TempDir& dir) {
  std::filesystem::create_directories(dir.path() / "runs" / "sub");
  std::filesystem::create_directories(dir.path() / "elsewhere");
  for (const char* name : {"runs/a.out", "runs/b.out", "runs/run.1.out", "runs/.h.out",
                           "runs/notes.txt", "runs/sub/c.out", "elsewhere/e.out", "top.out"}) {
    dir.Write(name, "1 0.5\r\n");
  }
}

}  // namespace quillet::testing
