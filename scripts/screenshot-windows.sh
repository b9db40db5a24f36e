#!/usr/bin/env bash
# Takes docs/screenshot-windows.png: quillet.exe under Wine on the Windows
# build's virtual display (scripts/wine-session.sh), with a stem in its text
# box; and a picture of each of the installer's pages in
# build/windows/installer-pages, taken while the packages' test clicks
# through them, of which the page that asks whom to install for becomes
# docs/installer-windows.png. Needs a built build/windows
# (scripts/build-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows screenshot
root=$PWD
build=$root/build/windows

take() {
  local wine probe folder main window
  wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
  probe() { "$wine" "$build/quillet-probe.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
  folder="$WINEPREFIX/drive_c/quillet-screenshot"
  rm -rf "$folder" && mkdir -p "$folder"
  printf '[Path for QLT]\r\n%s\r\n' 'C:\drom\myfile' >"$folder/qltini.ini"
  (cd "$folder" && exec "$wine" "$build/quillet.exe" </dev/null >/dev/null 2>&1) &
  main=$(probe window frmQLT)
  # The stem in the box means the load has run and the window is drawn.
  probe wait-text "$main" 101 'C:\drom\myfile' >/dev/null
  window=$(xdotool search --onlyvisible --name '^Quillet$' | head -1)
  import -window "$window" "$root/docs/screenshot-windows.png"
  probe text "$main" 0 >/dev/null
  xdotool key alt+x
  rm -rf "$folder"
}
export -f take
export build root
# The tests' prefix paints windows in a test colour: the picture shows
# Windows' usual one, and the tests get theirs back afterwards.
colour() {
  WINEPREFIX=$build/wine-prefix WINEDEBUG=-all "$(command -v wine64 || echo /usr/lib/wine/wine64)" \
    reg add 'HKCU\Control Panel\Colors' /v ActiveBorder /d "$1" /f </dev/null >/dev/null 2>&1
  WINEPREFIX=$build/wine-prefix "$(command -v wineserver || echo /usr/lib/wine/wineserver)" --wait
}
trap "colour '18 52 86'" EXIT
scripts/wine-session.sh "$build" true  # the prefix, made if need be
colour '212 208 200'
scripts/wine-session.sh "$build" bash -c take
echo "Wrote docs/screenshot-windows.png"
rm -rf "$build/installer-pages"
QUILLET_INSTALLER_PAGES=$build/installer-pages scripts/wine-session.sh "$build" \
  ctest --test-dir "$build" -R quillet_windows_packages --output-on-failure
cp "$build/installer-pages/3-users.png" docs/installer-windows.png
echo "Wrote $build/installer-pages/*.png and docs/installer-windows.png"
