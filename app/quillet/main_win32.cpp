// The window program on Windows: the main window and nothing else. It reads
// no command line.
#include <windows.h>

#include "ui/win32/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return quillet::win32::RunProgram();
}
