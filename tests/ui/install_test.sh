#!/usr/bin/env bash
# `cmake --install` puts the window program, its desktop entry, icon,
# metainfo and manual page where a desktop finds them.
#   install_test.sh BUILD_DIRECTORY
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
id=io.github.quillet.Quillet
entry=$prefix/share/applications/$id.desktop
for file in bin/quillet share/applications/$id.desktop share/icons/hicolor/32x32/apps/$id.png \
  share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml share/man/man1/quillet.1; do
  [ -f "$prefix/$file" ] || { echo "FAIL: $file was not installed"; exit 1; }
done
[ -x "$prefix/bin/quillet" ] || { echo "FAIL: bin/quillet is not executable"; exit 1; }
grep -qx 'Exec=quillet' "$entry" && grep -qx "Icon=$id" "$entry" ||
  { echo "FAIL: the desktop entry does not start quillet with its icon"; exit 1; }
echo PASS
