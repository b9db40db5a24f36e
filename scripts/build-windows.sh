#!/usr/bin/env bash
# Cross-builds Quillet's core, settings, file access and quillet-convert for
# 64-bit Windows with MinGW-w64 into build/windows, and runs their tests under
# Wine. quillet-convert.exe is left in build/windows; it runs on its own, with
# no DLL beside it. Installs what is missing first.
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

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF
cmake --build "$build" -j "$jobs"

# No DLL but the system's own: libstdc++, libgcc and winpthread are inside.
dlls=$(x86_64-w64-mingw32-objdump -p "$build/quillet-convert.exe" | sed -n 's/.*DLL Name: //p' |
  tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
echo "quillet-convert.exe needs: $dlls"
for dll in $dlls; do
  case $dll in
    kernel32.dll | msvcrt.dll | user32.dll | shell32.dll) ;;
    *) echo "build-windows.sh: quillet-convert.exe needs $dll beside it" >&2; exit 1 ;;
  esac
done

# The Windows the tests run in: a Wine prefix in the build tree, made once
# (which takes a while) before the tests, so that no test's time goes to it.
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$PWD/$build/wine-prefix WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/user.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  # Neither .NET nor the HTML engine: they are not installed and not needed.
  WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot --init >/dev/null 2>&1
  # An active-border colour whose red, green and blue differ, so that the
  # colour test sees their order; read afresh once this session has ended.
  "$wine" reg add 'HKCU\Control Panel\Colors' /v ActiveBorder /d '18 52 86' /f >/dev/null
  "$wineserver" --wait
fi
# One Wine session for all the tests, started here and ended at the end. The
# system processes that start with a session (services, devices, the
# desktop) would inherit the standard output of the program that started it:
# ctest, or the comparison below, would then wait for the session's end
# after every test or program that did.
"$wineserver" --persistent </dev/null >/dev/null 2>&1 || true
trap '"$wineserver" --kill' EXIT
"$wine" wineboot </dev/null >/dev/null 2>&1

ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300

if [ -n "$linux_converter" ]; then
  # The Windows converter through Wine, as a program of its own for the script.
  wrapper=$build/quillet-convert-wine
  printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$wine" "$PWD/$build/quillet-convert.exe" >"$wrapper"
  chmod +x "$wrapper"
  scripts/compare-converters.py "$linux_converter" "$wrapper" "${PAIRS:-100}"
fi
