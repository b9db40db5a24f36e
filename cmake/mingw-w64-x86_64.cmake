# Cross-building for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64-posix, whose threads are those of the standard
# library). The programs are linked statically, so that an .exe runs on its
# own, without the compiler's DLLs beside it. Tests run through Wine.
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quillet_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${quillet_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quillet_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${quillet_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${quillet_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread from their static archives; the programs
# as shipped without their symbols, which would more than double their size.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)

# Debian's wine64 package has no wrapper on the PATH; elsewhere "wine" is one.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QUILLET_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CACHE)
  if(QUILLET_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLET_WINE})
  endif()
endif()
