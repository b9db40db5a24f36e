#!/usr/bin/env bash
# Takes docs/screenshot.png: the real window on a virtual X display, with the
# demo stem in its text box. Needs a built build/release (scripts/run.sh) and
# ImageMagick's `import` besides Xvfb and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
exe=$root/build/release/app/quillet/quillet
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"

printf '[Path for QLT]\r\n%s\r\n' "/home/me/drom/demo" >"$work/qltini.ini"
(cd "$work" && exec env QT_QPA_PLATFORM=xcb "$exe" >/dev/null 2>&1) &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quillet$' | head -1)
sleep 0.5  # let the first paint reach the screen
mkdir -p docs
import -window "$window" docs/screenshot.png
echo "Wrote docs/screenshot.png"
