#!/usr/bin/env bash
# Cross-builds Quillet for 64-bit Windows with MinGW-w64 into build/windows:
# the window program quillet.exe (on the Win32 API, no Qt), quillet-convert.exe,
# the installer quillet-VERSION-setup.exe, the zip and their SHA256SUMS; and
# runs the tests under Wine (scripts/wine-session.sh), the window's end-to-end
# test and the installer's in both of its modes included. Both programs run
# on their own, with no DLL beside them. Installs what is missing first.
#
# With the path of a Linux quillet-convert as its argument, it also converts
# the same generated chain pairs with both converters and compares what each
# did (scripts/compare-converters.py).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows

build=build/windows
linux_converter=${1:-}
jobs=$(nproc)

# No Qt for Windows: the window there is the Win32 one, built regardless.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF
cmake --build "$build" -j "$jobs"

# No DLL but those every Windows has: libstdc++, libgcc and winpthread are
# inside.
for program in quillet-convert.exe quillet.exe; do
  [ -f "$build/$program" ] || { echo "build-windows.sh: no $program" >&2; exit 1; }
  dlls=$(x86_64-w64-mingw32-objdump -p "$build/$program" | sed -n 's/.*DLL Name: //p' |
    tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
  echo "$program needs: $dlls"
  for dll in $dlls; do
    case $dll in
      kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | comctl32.dll | shell32.dll | ole32.dll) ;;
      *) echo "build-windows.sh: $program needs $dll beside it" >&2; exit 1 ;;
    esac
  done
done

# The tests under Wine, in a session and on a display of their own.
scripts/wine-session.sh "$build" ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300

if [ -n "$linux_converter" ]; then
  # The Windows converter through Wine, as a program of its own for the script.
  wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
  wrapper=$build/quillet-convert-wine
  printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$wine" "$PWD/$build/quillet-convert.exe" >"$wrapper"
  chmod +x "$wrapper"
  scripts/wine-session.sh "$build" scripts/compare-converters.py "$linux_converter" "$wrapper" "${PAIRS:-100}"
fi
