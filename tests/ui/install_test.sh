#!/usr/bin/env bash
# `cmake --install` puts the window program, its desktop entry and its icon
# where a desktop finds them.
#   install_test.sh BUILD_DIRECTORY
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
for file in bin/quillet share/applications/quillet.desktop \
  share/icons/hicolor/32x32/apps/quillet.png; do
  [ -f "$prefix/$file" ] || { echo "FAIL: $file was not installed"; exit 1; }
done
[ -x "$prefix/bin/quillet" ] || { echo "FAIL: bin/quillet is not executable"; exit 1; }
grep -qx 'Exec=quillet' "$prefix/share/applications/quillet.desktop" &&
  grep -qx 'Icon=quillet' "$prefix/share/applications/quillet.desktop" ||
  { echo "FAIL: the desktop entry does not start quillet with its icon"; exit 1; }
echo PASS
