#!/usr/bin/env bash
# Installs what is missing, builds Quillet, and starts it in a demo folder
# (build/demo) that holds a sample chain pair and a settings file naming it,
# so that Read and then Write work at once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF
cmake --build build/release -j "$(nproc)"

demo=$root/build/demo
mkdir -p "$demo"
cp examples/demo.ind examples/demo.out "$demo/"
# The settings file the program reads at start: a header and the stem.
printf '[Path for QLT]\r\n%s\r\n' "$demo/demo" >"$demo/qltini.ini"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY is not set): Quillet is a window program." >&2
  echo "Built: $root/build/release/app/quillet/quillet" >&2
  exit 1
fi
cd "$demo"
echo "Starting Quillet in $demo"
exec "$root/build/release/app/quillet/quillet"
