#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs them all at once, at the lowest CPU
# priority, for the given number of seconds each.
#
#   fuzz/run.sh SECONDS [TARGET...]     TARGET: read_write, read_differential, settings
#                                       (default all three)
#
# Each target starts from its seed corpus in fuzz/corpus/TARGET and grows a
# working corpus in build/fuzz/corpus/TARGET. Whatever an input breaks (a
# crash, a sanitizer report, a hang, an exception outside the program's named
# errors, or a wrong result) is saved under build/fuzz/findings/TARGET/ and
# the script exits 1. Logs: build/fuzz/TARGET.log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(read_write read_differential settings)

scripts/install-deps.sh fuzz
clang=clang++-14
command -v "$clang" >/dev/null || clang=clang++
CXX=$clang nice cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLET_FUZZ=ON -DQUILLET_GUI=OFF -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF >/dev/null
nice cmake --build build/fuzz -j 2 --target $(printf 'quillet_%s_fuzz ' "${targets[@]}")

# The targets' scratch files go here, in memory, removed however they end.
scratch=$(mktemp -d /dev/shm/quillet-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QUILLET_FUZZ_SCRATCH=$scratch
export ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1
pids=()
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  dict=()
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  # -timeout: seconds for one input (a hang; HANG_SECONDS=60 on a machine so
  # loaded that the lowest priority starves the fuzzer); -rss_limit_mb and
  # -malloc_limit_mb: memory far beyond the input's size is a finding too.
  nice -n 19 "build/fuzz/fuzz/quillet_${target}_fuzz" "${dict[@]}" \
    -max_total_time="$seconds" -timeout="${HANG_SECONDS:-10}" -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "fuzz/corpus/$target" >"build/fuzz/$target.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  if wait "${pids[$i]}"; then result=ok; else result=FOUND; status=1; fi
  log=build/fuzz/${targets[$i]}.log
  echo "${targets[$i]}: $result; $(grep -E '^#[0-9]+' "$log" | tail -1)"
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
  [ "$result" = ok ] || grep -E 'ERROR|finding|Test unit written' "$log" || true
done
exit $status
