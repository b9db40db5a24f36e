#!/usr/bin/env bash
# Measures the Windows window under Wine as a user meets it, next to
# quillet-convert.exe under the same Wine, in the same run and session: on a
# generated pair of 400,000 data lines (100 variables x 4,000 samples),
#   - quillet.exe started in a folder whose settings file holds the stem: the
#     click on Read until the box "Done Reading" shows, and the OK of the
#     Write's confirmation until "Done writing file" shows, each timed inside
#     the probe (quillet-probe.exe time-box), so that Wine's start of a
#     process is not in the figure;
#   - quillet-convert.exe on the same pair, its whole run, and the run of
#     `quillet-convert.exe --version` (what Wine's start of a process costs);
# and prints the medians and the ratio of the window's Read + Write to the
# converter's run. The window's table is compared with the converter's.
#
#   bench/win32-window.sh        # 3 runs each (RUNS=5 bench/win32-window.sh for more)
#
# Builds the Windows programs in build/windows (as scripts/build-windows.sh
# configures it) and the generator in build/bench (as bench/run.sh does);
# the pair is kept in bench/data/ between runs.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-3}
build=build/windows
variables=100 samples=4000 seed=1

if [ "${1:-}" != --in-session ]; then
  [ "$runs" -ge 3 ] || { echo "bench/win32-window.sh: RUNS must be at least 3" >&2; exit 1; }
  echo "== build (Release, $build and build/bench)" >&2
  nice cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DQUILLET_GUI=OFF >/dev/null
  nice cmake --build "$build" -j 2 --target quillet quillet-convert quillet-probe >/dev/null
  nice cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUILLET_TESTS=OFF -DQUILLET_GUI=ON -DQUILLET_BENCH=ON >/dev/null
  nice cmake --build build/bench -j 2 --target quillet-gen-chain >/dev/null
  mkdir -p bench/data
  stem=bench/data/win32
  stamp="$variables $samples $seed $(cat bench/chain_generator.cpp bench/chain_generator.h | md5sum)"
  if [ "$(cat "$stem.stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "== generate: $variables variables x $samples samples" >&2
    rm -f "$stem.stamp"
    build/bench/bench/quillet-gen-chain --variables "$variables" --samples "$samples" --seed "$seed" "$stem"
    echo "$stamp" >"$stem.stamp"
  fi
  exec scripts/wine-session.sh "$build" "$0" --in-session "$(realpath "$stem")"
fi

# --- Inside the Wine session (WINEPREFIX and DISPLAY set).
pair=$2
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
quillet_exe=$(realpath "$build/quillet.exe")
converter_exe=$(realpath "$build/quillet-convert.exe")
probe_exe=$(realpath "$build/quillet-probe.exe")
# The controls' ids: 100 plus the tab index; a box's OK is 1.
cmdRead=100 cmdExit=103 cmdWrite=104 boxOK=1

root="$WINEPREFIX/drive_c/quillet-bench"
rm -rf "$root"
mkdir -p "$root/start"
ln -s "$pair.ind" "$root/chain.ind"
ln -s "$pair.out" "$root/chain.out"
stem='C:\quillet-bench\chain'
printf '[Path for QLT]\r\n%s\r\n' "$stem" >"$root/start/qltini.ini"

app_pid=
fail() {
  echo "bench/win32-window.sh: $*" >&2
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null
  exit 1
}
probe() { "$wine" "$probe_exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# time_box WHAT HANDLE ID TEXT: presses the button, sets `seconds` to the
# time until the next box shows, and `box` to that box; it must say TEXT.
time_box() {
  local lines
  mapfile -t lines < <(probe time-box "$2" "$3")
  [ "${#lines[@]}" -ge 2 ] || fail "$1: no box came"
  # shellcheck disable=SC2053 # TEXT is a pattern
  [[ "${lines[*]:1}" == $4 ]] || fail "$1: the box says '${lines[*]:1}', not '$4'"
  seconds=${lines[0]}
  box=$(probe box | head -1)
}

# One start of the window: sets `read_s` and `write_s`.
window_run() {
  rm -f "$root/dromout.txt"
  (cd "$root/start" && exec "$wine" "$quillet_exe" </dev/null >/dev/null 2>&1) &
  app_pid=$!
  local main
  main=$(probe window frmQLT) || fail "the main window did not appear"
  probe wait-text "$main" 101 "$stem" >/dev/null || fail "the stem is not in the text box"
  time_box Read "$main" "$cmdRead" "Done Reading"
  read_s=$seconds
  { probe click "$box" "$boxOK" && probe gone "$box"; } || fail "the box after Read did not close"
  time_box Write "$main" "$cmdWrite" "Writing to *dromout.txt*"
  time_box "Write's OK" "$box" "$boxOK" "Done writing file"
  write_s=$seconds
  { probe click "$box" "$boxOK" && probe gone "$box"; } || fail "the box after Write did not close"
  probe click "$main" "$cmdExit" || fail "Exit was not pressed"
  wait "$app_pid" || fail "the window ended with status $?"
  app_pid=
}

# run_seconds COMMAND...: the wall time of one run, in seconds.
run_seconds() {
  local start end
  start=$(date +%s%N)
  "$@" </dev/null >/dev/null 2>&1 || fail "$* failed"
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.4f", ns / 1e9 }'
}

median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }
# "median (least-most)" of the runs.
spread() {
  printf '%.3f (%.3f-%.3f)' "$(median "$@")" "$(printf '%s\n' "$@" | sort -g | head -1)" \
    "$(printf '%s\n' "$@" | sort -g | tail -1)"
}
sum() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a + b }'; }

reads=() writes=() both=() converts=() versions=()
for ((i = 0; i < runs; i++)); do
  window_run
  reads+=("$read_s")
  writes+=("$write_s")
  both+=("$(sum "$read_s" "$write_s")")
  rm -f "$root/converted.txt"
  converts+=("$(run_seconds "$wine" "$converter_exe" -q -o 'C:\quillet-bench\converted.txt' "$stem")")
  versions+=("$(run_seconds "$wine" "$converter_exe" --version)")
done
cmp -s "$root/dromout.txt" "$root/converted.txt" ||
  fail "the window's dromout.txt differs from the converter's table"
rm -rf "$root"

echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "Command: bench/win32-window.sh (RUNS=$runs); $("$wine" --version 2>/dev/null || true)"
echo "Machine: $(nproc) cores, $(uname -sr); load: $(uptime | sed 's/.*load average: //')"
echo "Pair: $variables variables x $samples samples, $((variables * samples)) data lines," \
  "$(($(stat -L -c %s "$pair.out") / 1000000)) MB"
echo
echo "| Median of $runs runs (least-most) | s |"
echo "|---|---:|"
echo "| window: Read (click to \"Done Reading\") | $(spread "${reads[@]}") |"
echo "| window: Write (OK to \"Done writing file\") | $(spread "${writes[@]}") |"
echo "| window: Read + Write | $(spread "${both[@]}") |"
echo "| \`quillet-convert.exe -q -o\` (whole run) | $(spread "${converts[@]}") |"
echo "| \`quillet-convert.exe --version\` (Wine's start-up) | $(spread "${versions[@]}") |"
echo
awk -v w="$(median "${both[@]}")" -v c="$(median "${converts[@]}")" 'BEGIN {
  printf "Window Read + Write / converter: %.2f x (goal: at most 1.5 x)\n", w / c }'
