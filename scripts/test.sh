#!/usr/bin/env bash
# Installs what is missing, builds Quillet and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows package

jobs=$(nproc)

# First the core, the settings file, file access and the fault tests again
# under AddressSanitizer and UndefinedBehaviorSanitizer (without the window:
# Qt is not built for them). Run before the main suite so that the main
# suite's summary ends the output.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_SANITIZE=ON \
  -DQUILLET_GUI=OFF -DQUILLET_BENCH=OFF
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1:detect_leaks=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure --timeout 300

# The reader's and the writer's tests, with the statistics' reference runs
# (their variables shared between the cores) and the workbook's deflate on its helper
# threads, again under ThreadSanitizer,
# and the data pass's differential replay. Only their programs are built.
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_TSAN=ON \
  -DQUILLET_GUI=OFF -DQUILLET_BENCH=OFF
cmake --build build/tsan -j "$jobs" --target quillet_core_tests quillet_workbook_tests \
  quillet_read_differential_fuzz_replay
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build/tsan/tests/quillet_core_tests --gtest_brief=1
TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/quillet_workbook_tests --gtest_brief=1
TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/faults/quillet_read_differential_fuzz_replay \
  fuzz/corpus/read_differential >/dev/null

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/test -j "$jobs"

# The Debian package: built (a Release build of its own, reused by the next
# run), checked by lintian and the desktop's validators, unpacked and run.
scripts/test-package.sh build/test

# Everything below the window built for Windows, its tests run under Wine,
# and the same generated chain pairs converted by both converters.
scripts/build-windows.sh build/test/app/quillet-convert/quillet-convert

QT_QPA_PLATFORM=offscreen ctest --test-dir build/test -j "$jobs" --output-on-failure --timeout 300
