#!/usr/bin/env bash
# Runs a command in the Windows the Windows build's tests run in: the Wine
# prefix BUILD/wine-prefix (made once, which takes a while), one Wine session
# kept up for the whole command, and a virtual X display of its own for the
# windows the tests show, with no window manager on it.
#   scripts/wine-session.sh BUILD COMMAND [ARGUMENT...]
# For example, one test of build/windows:
#   scripts/wine-session.sh build/windows ctest --test-dir build/windows -R packages
# The command finds WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES and DISPLAY set.
set -euo pipefail
build=$(realpath "$1")
shift

wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all
# Neither .NET nor the HTML engine (not installed, not needed), and no menu
# entries on this machine's desktop for the shortcuts an installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/user.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  "$wine" wineboot --init </dev/null >/dev/null 2>&1
fi
# What the tests rely on, set up once per prefix (the stamp says it was).
if [ ! -f "$WINEPREFIX/quillet-tests-ready" ]; then
  # An active-border colour whose red, green and blue differ, so that the
  # colour test sees their order; read afresh once this session has ended.
  "$wine" reg add 'HKCU\Control Panel\Colors' /v ActiveBorder /d '18 52 86' /f </dev/null >/dev/null 2>&1
  # Windows that need no window manager: without one, a managed window's
  # every show and hide would wait for it in vain.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  "$wineserver" --wait
  # Debian's Wine does not find the fonts of its own fonts-wine package:
  # the windows' captions and message boxes need them in the prefix.
  if [ -d /usr/share/wine/fonts ]; then
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  touch "$WINEPREFIX/quillet-tests-ready"
fi

# Xvfb picks a free display number and writes it to descriptor 3.
display_file=$(mktemp)
xvfb_pid=
end_session() {
  "$wineserver" --kill 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -f "$display_file"
}
trap end_session EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 200); do
  [ -s "$display_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[ -s "$display_file" ] || { echo "wine-session.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$display_file")"

# One Wine session for the whole command, started here and ended at the end.
# The system processes that start with a session (services, devices, the
# desktop) would inherit the standard output of the program that started it:
# ctest, or a comparison reading a program's output, would then wait for the
# session's end after every test or program that did.
"$wineserver" --persistent </dev/null >/dev/null 2>&1 || true
"$wine" wineboot </dev/null >/dev/null 2>&1

"$@"
