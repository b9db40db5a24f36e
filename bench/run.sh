#!/usr/bin/env bash
# Measures quillet-convert on three generated workloads, next to two reference
# commands on the same data file in the same run: `wc -l` (reading it once)
# and `cp` (reading and writing it once).
#
#   bench/run.sh              # 3 runs per command (RUNS=5 bench/run.sh for more)
#
# Builds a Release build in build/bench, generates the chain pairs into
# bench/data/ (kept between runs, regenerated when the generator changes) and
# prints a Markdown table: median wall time, input MB/s, time per data line
# and peak resident memory (/usr/bin/time -v) of each command.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-3}
build=build/bench
data=bench/data
seed=1
# name variables samples
workloads=("small 10 10000" "medium 100 100000" "wide 5000 1000")

[ -x /usr/bin/time ] || { echo "bench/run.sh: /usr/bin/time is missing (package 'time')" >&2; exit 1; }
[ "$runs" -ge 3 ] || { echo "bench/run.sh: RUNS must be at least 3" >&2; exit 1; }

echo "== build (Release, $build)" >&2
nice cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUILLET_TESTS=OFF -DQUILLET_GUI=ON -DQUILLET_BENCH=ON >/dev/null
nice cmake --build "$build" -j 2 --target quillet-convert quillet-gen-chain quillet-window-bench >/dev/null
convert=$build/app/quillet-convert/quillet-convert
generate=$build/bench/quillet-gen-chain
window=$(realpath "$build/bench/quillet-window-bench")

mkdir -p "$data"
generator_sum=$(cat bench/chain_generator.cpp bench/chain_generator.h | md5sum | cut -d' ' -f1)
for workload in "${workloads[@]}"; do
  read -r name variables samples <<<"$workload"
  stamp="$variables $samples $seed $generator_sum"
  if [ "$(cat "$data/$name.stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "== generate $name: $variables variables x $samples samples" >&2
    rm -f "$data/$name.stamp"
    nice "$generate" --variables "$variables" --samples "$samples" --seed "$seed" "$data/$name"
    echo "$stamp" >"$data/$name.stamp"
  fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; rm -f "$data"/*.copy "$data"/*.txt "$data"/*.xlsx' EXIT

# The median of the numbers given.
median() {
  printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"
}

# measure OUTPUT COMMAND...: runs the command $runs times (OUTPUT removed
# before each run) and sets `median_ns` (wall time), `median_cpu_ns` (user +
# system time, which other processes on the machine disturb far less) and
# `peak_kb` (largest resident set of the runs).
measure() {
  local output=$1
  shift
  local times=() cpu_times=() peak=0 start end kb
  for ((i = 0; i < runs; i++)); do
    rm -f "$output"
    start=$(date +%s%N)
    /usr/bin/time -v -o "$scratch/time" "$@" >/dev/null
    end=$(date +%s%N)
    times+=($((end - start)))
    cpu_times+=("$(awk -F': ' '/User time|System time/ { s += $2 } END { printf "%.0f", s * 1e9 }' \
      "$scratch/time")")
    kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$scratch/time")
    ((kb > peak)) && peak=$kb
  done
  median_ns=$(median "${times[@]}")
  median_cpu_ns=$(median "${cpu_times[@]}")
  peak_kb=$peak
}

echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "Command: bench/run.sh (RUNS=$runs)"
echo "Machine: $(nproc) cores, $(uname -sr); load before: $(uptime | sed 's/.*load average: //')"
echo
echo "| Workload | Data lines | Data file MB | Command | Median wall s | MB/s | ns/line | Median CPU s | Peak RSS MB | RSS / data |"
echo "|---|---:|---:|---|---:|---:|---:|---:|---:|---:|"

declare -A convert_ns convert_cpu_ns convert_kb workbook_ns workbook_kb data_bytes data_lines
declare -A summary_ns summary_kb tables_only_ns cp_ns
for workload in "${workloads[@]}"; do
  read -r name variables samples <<<"$workload"
  stem=$data/$name
  bytes=$(stat -c %s "$stem.out")
  lines=$((variables * samples))
  data_bytes[$name]=$bytes
  data_lines[$name]=$lines
  commands=("wc -l" "cp" "quillet-convert" "quillet-convert -o .xlsx")
  # The summary, and the workbook without its Summary and Traces sheets, on
  # medium only.
  [ "$name" = medium ] &&
    commands+=("quillet-convert --summary" "quillet-convert -o .xlsx --tables-only")
  for command in "${commands[@]}"; do
    case $command in
      *--summary) measure "$stem.summary.txt" "$convert" -q --summary -o "$stem.summary.txt" "$stem" ;;
      *--tables-only) measure "$stem.xlsx" "$convert" -q --tables-only -o "$stem.xlsx" "$stem" ;;
      "wc -l") measure "$scratch/none" wc -l "$stem.out" ;;
      cp) measure "$stem.copy" cp "$stem.out" "$stem.copy" ;;
      quillet-convert) measure "$stem.txt" "$convert" -q -o "$stem.txt" "$stem" ;;
      *.xlsx) measure "$stem.xlsx" "$convert" -q -o "$stem.xlsx" "$stem" ;;
    esac
    if [ "$command" = cp ]; then
      cp_ns[$name]=$median_ns
    elif [ "$command" = quillet-convert ]; then
      convert_ns[$name]=$median_ns
      convert_cpu_ns[$name]=$median_cpu_ns
      convert_kb[$name]=$peak_kb
    elif [[ $command == *.xlsx ]]; then
      workbook_ns[$name]=$median_ns
      workbook_kb[$name]=$peak_kb
    elif [[ $command == *--summary ]]; then
      summary_ns[$name]=$median_ns
      summary_kb[$name]=$peak_kb
    elif [[ $command == *--tables-only ]]; then
      tables_only_ns[$name]=$median_ns
    fi
    awk -v name="$name" -v lines="$lines" -v bytes="$bytes" -v command="$command" \
      -v ns="$median_ns" -v cpu="$median_cpu_ns" -v kb="$peak_kb" 'BEGIN {
        mb = bytes / 1e6
        printf "| %s | %d | %.1f | `%s` | %.3f | %.0f | %.1f | %.2f | %.1f | %.2f |\n",
          name, lines, mb, command, ns / 1e9, mb / (ns / 1e9), ns / lines, cpu / 1e9, kb / 1024,
          kb * 1024 / bytes
      }'
  done
done

# The Qt window on the medium pair, as a user meets it: the click on Read to
# "Done Reading" plus the Write's OK to "Done writing file" (Qt's offscreen
# platform), next to the converter's whole run. The two take turns, so that
# the writing back of one's table to the disk slows the other as often.
mkdir -p "$scratch/window"
ln -sf "$(realpath "$data/medium.ind")" "$scratch/window/medium.ind"
ln -sf "$(realpath "$data/medium.out")" "$scratch/window/medium.out"
window_times=()
converter_times=()
for ((i = 0; i < runs; i++)); do
  rm -f "$scratch/window/dromout.txt"
  window_times+=("$(cd "$scratch/window" && "$window" "$scratch/window/medium" 2>/dev/null |
    awk '{ printf "%.0f", ($2 + $4) * 1e9 }')")
  rm -f "$scratch/medium.txt"
  start=$(date +%s%N)
  "$convert" -q -o "$scratch/medium.txt" "$data/medium" >/dev/null
  end=$(date +%s%N)
  converter_times+=($((end - start)))
done
window_ns=$(median "${window_times[@]}")
median_ns=$(median "${converter_times[@]}")
echo
window_ratio=$(awk -v w="$window_ns" -v c="$median_ns" 'BEGIN { printf "%.2f", w / c }')
awk -v w="$window_ns" -v c="$median_ns" -v r="$window_ratio" 'BEGIN {
  printf "Window, medium: Read + Write %.3f s, the converter %.3f s in the same run: %s x\n",
    w / 1e9, c / 1e9, r }'

echo
echo "Load after: $(uptime | sed 's/.*load average: //')"
echo
# The targets for this 2-core machine.
awk -v m_ns="${convert_ns[medium]}" -v w_ns="${convert_ns[wide]}" \
  -v m_cpu="${convert_cpu_ns[medium]}" -v w_cpu="${convert_cpu_ns[wide]}" \
  -v m_lines="${data_lines[medium]}" -v w_lines="${data_lines[wide]}" \
  -v m_kb="${convert_kb[medium]}" -v w_kb="${convert_kb[wide]}" \
  -v m_bytes="${data_bytes[medium]}" -v w_bytes="${data_bytes[wide]}" \
  -v m_book_ns="${workbook_ns[medium]}" -v m_book_kb="${workbook_kb[medium]}" \
  -v m_summary_ns="${summary_ns[medium]}" -v m_summary_kb="${summary_kb[medium]}" \
  -v m_tables_ns="${tables_only_ns[medium]}" -v m_cp_ns="${cp_ns[medium]}" \
  -v w_cp_ns="${cp_ns[wide]}" -v window_ratio="$window_ratio" 'BEGIN {
    check("medium converts in at most 1.5 s", sprintf("%.3f s", m_ns / 1e9), m_ns <= 1.5e9)
    check("wide converts in at most 1 s", sprintf("%.3f s", w_ns / 1e9), w_ns <= 1e9)
    m = m_kb * 1024 / m_bytes; w = w_kb * 1024 / w_bytes
    check("peak memory at most 1.5 x data file (medium, wide)", sprintf("%.2f, %.2f", m, w),
          m <= 1.5 && w <= 1.5)
    check("medium to a workbook in at most 2 s", sprintf("%.3f s", m_book_ns / 1e9),
          m_book_ns <= 2e9)
    b = m_book_kb * 1024 / m_bytes
    check("workbook peak memory at most 1.5 x data file", sprintf("%.2f", b), b <= 1.5)
    s = m_summary_ns / m_ns
    check("medium --summary at most 2 x its conversion", sprintf("%.2f", s), s <= 2)
    t = m_book_ns / m_tables_ns
    check("workbook with Summary, Traces at most 1.3 x without", sprintf("%.2f", t), t <= 1.3)
    sm = m_summary_kb * 1024 / m_bytes
    check("--summary peak memory at most 1.5 x data file", sprintf("%.2f", sm), sm <= 1.5)
    ratio = (w_ns / w_lines) / (m_ns / m_lines)
    check("time per line, wide / medium, at most 1.3", sprintf("%.2f", ratio), ratio <= 1.3)
    cpu_ratio = (w_cpu / w_lines) / (m_cpu / m_lines)
    printf "(CPU time: medium %.3f s, wide %.3f s, per line wide / medium %.2f)\n",
      m_cpu / 1e9, w_cpu / 1e9, cpu_ratio
    # The speed goals, beside the pace of cp in the same run.
    print ""
    check("medium converts in at most 0.30 s", sprintf("%.3f s", m_ns / 1e9), m_ns <= 0.30e9)
    printf "%-52s %-14s\n", "  ... that is, times cp of its data file", sprintf("%.1f", m_ns / m_cp_ns)
    check("wide converts in at most 0.20 s", sprintf("%.3f s", w_ns / 1e9), w_ns <= 0.20e9)
    printf "%-52s %-14s\n", "  ... that is, times cp of its data file", sprintf("%.1f", w_ns / w_cp_ns)
    check("peak memory at most 1.0 x data file (medium, wide)", sprintf("%.2f, %.2f", m, w),
          m <= 1.0 && w <= 1.0)
    check("medium to a workbook in at most 0.80 s", sprintf("%.3f s", m_book_ns / 1e9),
          m_book_ns <= 0.80e9)
    check("the Qt window at most 1.3 x the converter", window_ratio " x", window_ratio <= 1.3)
  }
  function check(what, value, ok) { printf "%-52s %-14s %s\n", what, value, ok ? "met" : "MISSED" }'
