#!/usr/bin/env bash
# Installs what is missing and builds Quillet.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET_TESTS=OFF
cmake --build build/release -j "$(nproc)"
