#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages that building, running and testing
# Quillet need, skipping those already present. Uses sudo when not root.
# With the argument "fuzz" it also installs what the fuzzers need (clang and
# libFuzzer), which the ordinary build does not.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config     # build
  libgtest-dev                          # unit tests
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core  # the window program
  xvfb xdotool                          # end-to-end test of the real window
  time                                  # benchmark: peak memory
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)  # fuzz/run.sh: libFuzzer and sanitizers
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
